// The file-system description model behind VexoCreateFileSystemContainer:
// a container with a volume name and a tree of directories and entries.
// Plain data guarded by the engine's lock; the objects the caller holds
// (FsObjects.cpp) are views sharing it. Nothing here calls the caller: the
// producers an entry holds are given back by HeldProducer, whose last owner
// must drop it without the engine's lock.
#pragma once

#include "EngineObjects.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vexosim {

// One reference on a producer of the caller (ProducerOperations), given
// back with its Release exactly once: when the last owner drops this.
// "producers.held" counts the references held now.
class HeldProducer {
public:
    explicit HeldProducer(EngineObjects::Object* producer);
    ~HeldProducer();  // without the engine's lock: calls the producer's Release
    HeldProducer(const HeldProducer&) = delete;
    HeldProducer& operator=(const HeldProducer&) = delete;

    // Calls Produce on the calling thread (without the engine's lock).
    std::int32_t Produce(EngineObjects::Object* stream) const;

private:
    EngineObjects::Object* producer_;
};

struct FsEntry {
    std::string name;  // ANSI, as typed
    bool directory = false;
    std::int64_t addedAt = 0;  // seconds since 1970 UTC; the image's entry time

    // Files.
    std::string sourcePath;                   // empty for a produced file
    std::shared_ptr<HeldProducer> producer;   // null for a file from a path
    std::uint64_t size = 0;

    std::int32_t priority = 0;
    std::int32_t dirOrder = 0;  // the directory priority given when added
    std::int32_t dataStartSector = 0;
    std::int32_t fixedDataStartSector = 0;
    std::int32_t fileNumber = 0;
    std::int32_t id = 0;
    std::int32_t flagsEnable = 0;
    std::int32_t flagsValue = 0;

    // Directories: the entries in the order they were added.
    std::vector<std::shared_ptr<FsEntry>> children;

    bool IsProduced() const { return !directory && producer != nullptr; }
    // The child of this name (case-sensitive), or null.
    std::shared_ptr<FsEntry> Child(const std::string& childName) const;
};

struct FsContainer {
    std::string name;
    std::shared_ptr<FsEntry> root;
};

// Every file of the tree in the container's order: each directory's
// entries in order, a subdirectory's files where the subdirectory stands.
// `path` gets each file's path inside the container ("a/b/c.txt").
struct FsFileRef {
    std::shared_ptr<FsEntry> entry;
    std::string path;
};
std::vector<FsFileRef> FilesInOrder(const FsEntry& root);

}  // namespace vexosim
