// A file-system container as an ISO 9660 image: the container's tree turned
// into the image library's tree, with produced files pulled from their
// producers on an engine thread while the image is written. Used by the
// file-system burn (VexoBurn type 4), burn-at-once and the size estimate;
// other burns that carry a container (the freestyle record's container and
// burn options) take its tree from ContainerImageTree.
#pragma once

#include "FsModel.h"
#include "SimEngine.h"
#include "Tree.h"
#include "Writer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexosim {

struct ContainerImage {
    iso9660::Node root;
    iso9660::WriterOptions options;
    std::uint64_t dataSectors = 0;  // the sectors the files' bytes take
    // Each file of the container in the container's order, with its node
    // in `root` (valid while `root` is not changed).
    struct File {
        std::shared_ptr<FsEntry> entry;
        iso9660::Node* node = nullptr;
        std::string path;  // inside the container, '/'-separated
    };
    std::vector<File> files;
};

// With the engine's lock held: the image tree of a live container object.
// `burnOptions` as for data tracks (1 Joliet, 4 Rock Ridge; 16 and 32
// refused). Files from a source path are read while the image is written
// (their size was read when they were added); produced files are pulled
// from their producers then. False with the error line in `why` when the
// object is not a live container (a check failure too) or the options are
// refused.
bool ContainerImageTree(SimEngine& e, const void* container, std::uint32_t burnOptions, ContainerImage& out, std::string& why);

// The same for a container's model (lock held).
bool ContainerImageTreeOf(const FsContainer& container, std::uint32_t burnOptions, ContainerImage& out, std::string& why);

// A produced file's node: where the stream's burn-at-once information
// points (the file's start sector), set before its bytes are pulled.
// False for a node that is not a produced file.
bool SetBurnAtOnceOffset(iso9660::Node& node, std::int32_t sector);

// Called once by VexoBurn, without the lock, for a burn of type 4 that came
// through its questions and progress steps and is to succeed: writes the
// container's image to the device's recorder target (under a temporary
// name, renamed when whole) or, without a target, pulls every file as the
// burn would and keeps nothing. 0, or kDataBurnFailed after an error line.
std::int32_t WriteFileSystemImage(SimEngine& e, void* device, std::int32_t type, const void* record);

// With the engine's lock held: for a burn of type 4, why its record cannot
// be burnt (a check failure for the caller); empty when it can.
std::string CheckFileSystemRecord(SimEngine& e, std::int32_t type, const void* record);

// With the engine's lock held: the estimate of a container's image
// (VexoEstimateTrackSize without a track): flags as for a track; -1 for an
// object that is not a live container (a check failure) or a tree that
// cannot be written (an error line).
std::int32_t EstimateContainer(SimEngine& e, const void* container, std::uint32_t burnOptions, std::int32_t flags);

}  // namespace vexosim
