// IsoItemOwner: one engine ISO item owned by a file or folder object, with
// the object's owned long name and long source path, and an engine use held
// for the owner's whole life (declared first, so it goes last: the item is
// always given back to a loaded engine).
//
// The owner is empty when no item could be made (no engine). An empty owner
// never touches memory: its readers answer empty texts and a zero time,
// its writers answer false, and a folder tree being linked skips it.
#pragma once

#include <oaidl.h>

#include <cstdint>
#include <ctime>
#include <span>
#include <string>

#include "engineobject/EngineState.h"

namespace vexo {

class IsoItemOwner {
public:
    enum class Kind { File, Directory };
    struct Empty {};

    // Takes the engine use, initialises the engine if needed and makes a
    // new item: entry time now (local), is-directory set for a directory.
    explicit IsoItemOwner(Kind kind);
    // No item yet (one is handed over later with Take).
    explicit IsoItemOwner(Empty) noexcept {}
    ~IsoItemOwner();
    IsoItemOwner(const IsoItemOwner&) = delete;
    IsoItemOwner& operator=(const IsoItemOwner&) = delete;

    void* get() const noexcept { return item_; }
    explicit operator bool() const noexcept { return item_ != nullptr; }
    // Takes an engine item as this object's own (the one held before is
    // given back).
    void Take(void* item) noexcept;

    // Texts in ANSI: inline up to 251 bytes, else behind the long pointer.
    std::string Name() const;
    bool SetName(const std::string& ansi);
    std::string SourcePath() const;
    bool SetSourcePath(const std::string& ansi);

    // The same texts through BSTRs, for the objects' properties: a copy in
    // *out (E_OUTOFMEMORY when it cannot be made); a new text (false when
    // the owner is empty; E_OUTOFMEMORY when memory is short).
    enum class Text { Name, SourcePath };
    HRESULT GetText(Text which, BSTR* out) const noexcept;
    HRESULT SetText(Text which, BSTR value) noexcept;

    // The entry time as DATE through its struct tm; the conversion's error
    // is answered as is. Nothing is changed on failure.
    HRESULT EntryTime(DATE* out) const;
    HRESULT SetEntryTime(DATE value);

    void* FirstChild() const noexcept { return FirstChildOf(item_); }
    void SetFirstChild(void* child) noexcept { SetFirstChildOf(item_, child); }
    void SetNext(void* next) noexcept { SetNextOf(item_, next); }
    void ClearLinks() noexcept {
        SetFirstChild(nullptr);
        SetNext(nullptr);
    }

    // Field access on any engine item (null reads as zero, writes nothing).
    static std::span<uint8_t> BytesOf(void* item) noexcept;
    static bool IsDirectoryItem(void* item) noexcept;
    static void* FirstChildOf(void* item) noexcept;
    static void SetFirstChildOf(void* item, void* child) noexcept;
    static void* NextOf(void* item) noexcept;
    static void SetNextOf(void* item, void* next) noexcept;
    static void ClearUserData(void* item) noexcept;

private:
    std::string ReadText(std::size_t inlineOffset, std::size_t longOffset) const;
    bool WriteText(std::size_t inlineOffset, std::size_t inlineSize, std::size_t longOffset,
                   std::string& owned, const std::string& ansi);

    engine::Use use_;
    void* item_ = nullptr;
    std::string longName_;
    std::string longSourcePath_;
};

}  // namespace vexo
