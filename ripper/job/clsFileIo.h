// clsFileIo: the output file of one ripped track (WAV or MP3). One instance
// serves one file: OpenFile, then (for WAV) writeWavHeader, then WriteBytes
// and FlushBuffers per block, then CloseFile. Nothing is buffered inside.
// Every operation reports failure through its result; none throws.
//
// OpenFile cuts an existing file to zero length, so the file always ends with
// the last byte written. When a file that got a WAV header is closed and the
// audio written after the header differs from the length the header
// announced (an abandoned track), the header's RIFF and data sizes are
// corrected to the audio actually written; a complete file keeps its header
// untouched. The destructor closes a file that is still open the same way.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "WinHandles.h"

class clsFileIo {
public:
    clsFileIo() = default;
    ~clsFileIo();
    clsFileIo(const clsFileIo&) = delete;
    clsFileIo& operator=(const clsFileIo&) = delete;

    // Opens (creating when needed) `fileName` for reading and writing, not
    // shared, and truncates it. True when a handle was obtained; the name is
    // then stored. A file still open in this instance is closed first.
    bool OpenFile(const std::string& fileName);

    // Closes the file (correcting a WAV header, see above). True when a close
    // was attempted, false when nothing was open.
    bool CloseFile();

    // Writes `count` bytes at the current position. False when nothing is
    // open (no system call) or the data pointer is null with a count.
    bool WriteBytes(const void* data, uint32_t count);
    bool WriteBytes(std::span<const uint8_t> data);

    // Flushes the file's buffers to disk; false when nothing is open.
    bool FlushBuffers();

    // Reads up to `count` bytes at the current position into `buffer`.
    // Non-zero on success; 0 when nothing is open or the buffer is null.
    int32_t ReadBytes(void* buffer, uint32_t count);

    // Writes the 44-byte WAV header announcing `length` bytes of audio, then
    // flushes. True when the 44 bytes were written, whatever the flush gave.
    bool writeWavHeader(uint32_t length);

    // Result of the last write, flush or close (non-zero = success).
    int32_t LastResult() const { return lastResult_; }
    // Bytes moved by the last WriteBytes or ReadBytes.
    uint32_t ByteCount() const { return byteCount_; }
    // The name the file was opened under; empty until an open succeeds.
    const std::string& FileName() const { return fileName_; }
    bool IsOpen() const { return !fileName_.empty() && handle_.valid(); }

private:
    void CorrectWavHeader();

    win::unique_handle handle_;
    int32_t lastResult_ = 0;
    uint32_t byteCount_ = 0;
    std::string fileName_;

    // The last WAV header written: where it starts, what it announced, and
    // the audio bytes written after it since.
    bool hasWavHeader_ = false;
    int64_t headerPosition_ = 0;
    uint32_t announcedLength_ = 0;
    uint64_t writtenAfterHeader_ = 0;
};
