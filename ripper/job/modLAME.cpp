#include "modLAME.h"

#include <windows.h>

#include <array>
#include <string_view>
#include <utility>

#include "ModuleFolder.h"

namespace modLAME {
namespace {

// The stream operations of lame_enc.dll (cdecl; BE_ERR is 32-bit unsigned,
// the stream handle is an opaque pointer).
using BeInitStream = uint32_t(__cdecl*)(void* config, uint32_t* samples, uint32_t* bufferSize, void** stream);
using BeEncodeChunk = uint32_t(__cdecl*)(void* stream, uint32_t samples, const int16_t* pcm, uint8_t* out,
                                         uint32_t* produced);
using BeDeinitStream = uint32_t(__cdecl*)(void* stream, uint8_t* out, uint32_t* produced);
using BeCloseStream = uint32_t(__cdecl*)(void* stream);

constexpr const char* LibraryName = "lame_enc.dll";

struct Binding {
    HMODULE module = nullptr;  // stays loaded for the life of the process
    BeInitStream init = nullptr;
    BeEncodeChunk encode = nullptr;
    BeDeinitStream deinit = nullptr;
    BeCloseStream close = nullptr;
    bool ready = false;
};

Binding& TheBinding() {
    static Binding b;
    return b;
}

HMODULE LoadFromProgramFolder() {
    const std::string folder = win::ProgramFolder();
    if (folder.empty()) return nullptr;
    return LoadLibraryA(win::PathInFolder(folder, LibraryName).c_str());
}

template <class Fn>
bool Bind(HMODULE m, const char* name, Fn& out) {
    out = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name)));
    return out != nullptr;
}

}  // namespace

std::string LameErrorText(int64_t code) {
    static constexpr std::array<std::string_view, 6> texts = {
        "No Error", "Invalid format", "Invalid format parameters", "No more handles", "Invalid handle",
        "Buffer too small"};
    if (code < 0 || code >= static_cast<int64_t>(texts.size())) return {};
    return std::string(texts[static_cast<std::size_t>(code)]);
}

AppError LoadEncoder() {
    Binding& b = TheBinding();
    if (b.ready) return {};
    if (!b.module) {
        b.module = LoadLibraryA(LibraryName);
        if (!b.module) b.module = LoadFromProgramFolder();
        if (!b.module) return {ErrLibraryNotFound, "modLAME", std::string("File not found: ") + LibraryName};
    }
    const char* missing = nullptr;
    if (!Bind(b.module, "beInitStream", b.init)) missing = "beInitStream";
    else if (!Bind(b.module, "beEncodeChunk", b.encode)) missing = "beEncodeChunk";
    else if (!Bind(b.module, "beDeinitStream", b.deinit)) missing = "beDeinitStream";
    else if (!Bind(b.module, "beCloseStream", b.close)) missing = "beCloseStream";
    if (missing)
        return {ErrEntryPointNotFound, "modLAME",
                std::string("Can't find DLL entry point ") + missing + " in " + LibraryName};
    b.ready = true;
    return {};
}

EncoderStream::~EncoderStream() { Close(); }

AppError EncoderStream::Start(const EncoderConfig& config) {
    Close();
    if (AppError e = LoadEncoder()) return e;
    const Binding& b = TheBinding();

    // The encoder reads the record through a pointer it may not modify in
    // practice, but its signature is non-const: hand it a private copy.
    EncoderConfig record = config;
    uint32_t samples = 0, size = 0;
    void* handle = nullptr;
    const uint32_t result = b.init(record.data(), &samples, &size, &handle);
    if (result != 0) {
        // The library hands out its handle before it validates the settings;
        // give it back so that a refused configuration leaks nothing.
        if (handle) b.close(handle);
        const auto code = static_cast<int32_t>(result);
        return {code, "Lame", LameErrorText(result)};
    }
    if (!handle) return {4, "Lame", LameErrorText(4)};

    // A zero-size report still gets a usable (if tiny) block so that no call
    // below ever passes a null output pointer.
    win::heap_block block(size ? size : 1);
    if (!block) {
        b.close(handle);
        return {7, "modLAME", "Out of memory"};
    }
    stream_ = handle;
    buffer_ = std::move(block);
    bufferSize_ = size;
    produced_ = 0;
    return {};
}

uint32_t EncoderStream::EncodeFrame(const uint8_t* frame, std::size_t length) {
    produced_ = 0;
    if (!stream_ || !frame || length < FrameBytes) return 0;
    uint32_t out = 0;
    TheBinding().encode(stream_, SamplesPerFrame, reinterpret_cast<const int16_t*>(frame), buffer_.data(), &out);
    produced_ = out <= bufferSize_ ? out : bufferSize_;
    return produced_;
}

uint32_t EncoderStream::EncodeFrame(const uint8_t* frame, std::size_t length, const ByteSink& sink) {
    const uint32_t n = EncodeFrame(frame, length);
    if (n > 0 && sink) sink(buffer_.data(), n);
    return n;
}

uint32_t EncoderStream::Finish() {
    produced_ = 0;
    if (!stream_) return 0;
    uint32_t out = 0;
    TheBinding().deinit(stream_, buffer_.data(), &out);
    produced_ = out <= bufferSize_ ? out : bufferSize_;
    return produced_;
}

uint32_t EncoderStream::Finish(const ByteSink& sink) {
    const uint32_t n = Finish();
    if (n > 0 && sink) sink(buffer_.data(), n);
    return n;
}

void EncoderStream::Close() {
    buffer_.reset();
    bufferSize_ = 0;
    produced_ = 0;
    if (stream_) {
        TheBinding().close(stream_);
        stream_ = nullptr;
    }
}

std::span<const uint8_t> EncoderStream::Output() const {
    if (!buffer_) return {};
    return {buffer_.data(), produced_};
}

}  // namespace modLAME
