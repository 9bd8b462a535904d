// modLAME: the binding of LAME's stream encoder library lame_enc.dll, bound by
// name at run time on first use, and the texts of its result codes.
//
// An EncoderStream owns one encoder stream: the handle beInitStream returns,
// a zero-filled output buffer of the size beInitStream reports, and the count
// of bytes the last call produced. Audio goes in one CD frame (2352 bytes =
// 1176 16-bit samples, interleaved stereo) per call. Produced MP3 bytes are
// read from Output() or handed to a sink: a callback, or any file object with
// WriteBytes/FlushBuffers (clsFileIo).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "AppError.h"
#include "EncoderConfig.h"
#include "WinHandles.h"

namespace modLAME {

constexpr std::size_t FrameBytes = 2352;
constexpr uint32_t SamplesPerFrame = 1176;  // FrameBytes / 2, both channels

// Error numbers of a failure to bind the library itself (the encoder's own
// result codes are 1..5 and pass through unchanged).
constexpr int32_t ErrLibraryNotFound = 53;
constexpr int32_t ErrEntryPointNotFound = 453;

// 0 "No Error", 1 "Invalid format", 2 "Invalid format parameters",
// 3 "No more handles", 4 "Invalid handle", 5 "Buffer too small"; any other
// code yields an empty text.
std::string LameErrorText(int64_t code);

// Loads lame_enc.dll and binds its four stream operations unless that has
// been done. The library is looked up by name (the current directory and the
// usual search order), then in the folder of the running program. On failure
// returns the error that Start would report; a later call tries again.
AppError LoadEncoder();

using ByteSink = std::function<void(const uint8_t* data, uint32_t count)>;

class EncoderStream {
public:
    EncoderStream() = default;
    ~EncoderStream();
    EncoderStream(const EncoderStream&) = delete;
    EncoderStream& operator=(const EncoderStream&) = delete;

    // beInitStream with `config`. On success (number 0) the stream is open and
    // its output buffer allocated. A non-zero encoder result gives
    // {code, "Lame", LameErrorText(code)} and leaves nothing open; so does a
    // library that cannot be bound (numbers 53/453). Starting an open stream
    // closes it first.
    AppError Start(const EncoderConfig& config);

    bool IsOpen() const { return stream_ != nullptr; }

    // Encodes exactly one frame; `length` must be at least FrameBytes (only
    // the first FrameBytes are used). Returns the bytes produced (possibly 0);
    // 0 and nothing encoded when the stream is not open or the frame is short.
    uint32_t EncodeFrame(const uint8_t* frame, std::size_t length = FrameBytes);
    uint32_t EncodeFrame(const uint8_t* frame, std::size_t length, const ByteSink& sink);

    // beDeinitStream: the last MP3 bytes. Returns the bytes produced.
    uint32_t Finish();
    uint32_t Finish(const ByteSink& sink);

    // Frees the output buffer and closes the stream (beCloseStream). Safe to
    // call more than once; the destructor calls it.
    void Close();

    // The bytes the last EncodeFrame/Finish produced.
    std::span<const uint8_t> Output() const;
    uint32_t LastProduced() const { return produced_; }
    uint32_t BufferSize() const { return bufferSize_; }

    // File-object forms: write what the call produced with WriteBytes when
    // it is more than 0 bytes; Finish also flushes after writing.
    template <class File>
        requires requires(File& f, uint8_t* p, uint32_t n) {
            f.WriteBytes(p, n);
            f.FlushBuffers();
        }
    uint32_t EncodeFrame(const uint8_t* frame, std::size_t length, File& file) {
        const uint32_t n = EncodeFrame(frame, length);
        if (n > 0) file.WriteBytes(buffer_.data(), n);
        return n;
    }
    template <class File>
        requires requires(File& f, uint8_t* p, uint32_t n) {
            f.WriteBytes(p, n);
            f.FlushBuffers();
        }
    uint32_t Finish(File& file) {
        const uint32_t n = Finish();
        if (n > 0) {
            file.WriteBytes(buffer_.data(), n);
            file.FlushBuffers();
        }
        return n;
    }

private:
    void* stream_ = nullptr;
    win::heap_block buffer_;  // zero-filled, from the process heap
    uint32_t bufferSize_ = 0;
    uint32_t produced_ = 0;
};

}  // namespace modLAME
