// An image written in the order its files arrive: each file's extent is
// fixed when the file starts (right after the one before it, from
// layout::kFilesFirstSector on), and the path tables, folders and the
// volume descriptors are written last, when the whole tree is known. The
// folders follow the last file; the descriptors fill the room kept for them
// after the system area. For writers that must tell where a file lands
// before they know the rest of the volume.
#pragma once
#include "File.h"
#include "Tree.h"
#include "Writer.h"
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace iso9660 {

class FilesFirstImage {
public:
    // Creates (or replaces) the image file. Throws Error(Io).
    FilesFirstImage(const std::string& path, WriterOptions options);
    FilesFirstImage(const FilesFirstImage&) = delete;
    FilesFirstImage& operator=(const FilesFirstImage&) = delete;

    // The sector the next file starts at.
    std::uint32_t NextSector() const { return next_; }
    bool FileOpen() const { return open_; }
    bool Finished() const { return finished_; }

    // Starts a file at NextSector() and answers that sector. BadArgument
    // while a file is open or after Finish.
    std::uint32_t BeginFile();
    // Appends bytes to the open file. BadArgument without one; TooLarge for
    // a file reaching 4 GiB or an image reaching 2^32 sectors.
    void Append(std::span<const std::uint8_t> bytes);
    // Pads the open file to a whole sector and answers its size in bytes.
    std::uint64_t EndFile();

    // Writes a whole file from its source (as the writer streams it) and
    // sets its extent; `path` names it in errors.
    void AddFile(Node& file, const std::string& path);

    // Writes the folders after the last file and the descriptors in front.
    // Every file node of `root` carries the extent its file was given and
    // its size; the files' bytes are not read again. Answers the image's
    // sectors. Throws as layout::MakeFilesFirstPlan does.
    std::uint32_t Finish(const Node& root);

private:
    File out_;
    WriterOptions options_;
    std::uint32_t next_;
    bool open_ = false;
    bool finished_ = false;
    std::uint64_t fileBytes_ = 0;
    std::vector<std::uint8_t> partial_;  // the open file's bytes short of a whole sector
};

} // namespace iso9660
