// ISO items: the blocks a caller chains into the file tree of a data track.
//
//   void* VexoCreateIsoItemOfSize(int size)   a zero-filled "isoitem" block of
//                     the asked size (links 0, not a directory); null when
//                     the size is below this build's item size or absurd
//   void  VexoFreeIsoItem(void* item)         frees that one block
//   void  VexoFreeIsoItemTree(void* item)     frees the chain from item on
//                     and everything below it (next and first-child links)
//
// Every block taken back is checked: a foreign pointer or a second free
// counts "free.bad", a block of another kind "free.wrongkind"; such a block
// is left alone and its links are not followed.
//
// Test exports of the stand-in:
//
//   int   VexoSimDescribeIsoTree(void* item, char* buffer, int size)
//                     the chain as the engine reads it, items separated by
//                     one space, a directory as "name/[ children ]", e.g.
//                     "A/[ a1 ] B/[ ] x y"; a block that is not an item reads
//                     "<bad>", a link back into the walk "<loop>". Returns
//                     the text's length, copies at most size - 1 characters.
//   void* VexoSimBuildIsoTree(const char* text)
//                     the chain the same text describes, as an import would
//                     hand it out: items of this engine, directories with
//                     user data set, files with a source path "C:\src\<name>";
//                     null for an empty or malformed text

#include "Compilations.h"
#include "EngineLayout.h"
#include "SimEngine.h"

#include <windows.h>

#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace vexosim;
namespace L = vexosim::layout;
namespace I = vexosim::layout::isoitem;

namespace {

constexpr const char* kKind = "isoitem";
constexpr std::int32_t kMaxItemSize = 1 << 20;

std::uint8_t* Bytes(void* item) { return static_cast<std::uint8_t*>(item); }

// Frees one block if it is an ISO item; counts the mistake otherwise.
// True when it was freed.
bool FreeOne(SimEngine& e, void* item, const char* where) {
    if (!item) {
        e.Count("free.null");
        return false;
    }
    const std::string* kind = e.Memory().KindOf(item);
    if (!kind) {
        e.BadFree(item);
        return false;
    }
    if (*kind != kKind) {
        e.Count("free.wrongkind");
        e.CheckFailed(where, "block of kind " + *kind + " is not an ISO item");
        return false;
    }
    e.Memory().Free(item);
    e.Count("freed.isoitem");
    return true;
}

// An item's name as the engine reads it: inline, else behind the long pointer.
std::string NameOf(void* item) {
    const std::uint8_t* b = Bytes(item);
    if (b[I::Name] != 0) return std::string(reinterpret_cast<const char*>(b + I::Name), strnlen(reinterpret_cast<const char*>(b + I::Name), I::NameChars));
    const char* longName = static_cast<const char*>(L::GetPtr(b, I::LongName));
    if (!longName) return "";
    return std::string(longName, strnlen(longName, 4096));
}

bool IsItem(SimEngine& e, const void* p) {
    const std::string* kind = e.Memory().KindOf(p);
    return kind && *kind == kKind;
}

void Describe(SimEngine& e, void* item, std::set<void*>& seen, std::string& out, int depth) {
    bool first = true;
    for (; item; item = L::GetPtr(Bytes(item), I::Next)) {
        if (!first) out += ' ';
        first = false;
        if (!IsItem(e, item)) {
            out += "<bad>";
            return;
        }
        if (!seen.insert(item).second || depth > 64) {
            out += "<loop>";
            return;
        }
        out += NameOf(item);
        void* child = L::GetPtr(Bytes(item), I::FirstChild);
        const bool directory = L::Get32(Bytes(item), I::IsDirectory) != 0;
        if (directory) out += '/';
        if (directory || child) {
            out += "[ ";
            if (child) {
                Describe(e, child, seen, out, depth + 1);
                out += ' ';
            }
            out += ']';
        }
    }
}

void* NewItem(SimEngine& e, std::size_t size) {
    void* item = e.Memory().Allocate(kKind, size);
    L::Put32(Bytes(item), I::SimTag, I::kSimTag);
    e.Count("made.isoitem");
    return item;
}

// Parses items up to the closing "]" of the enclosing directory (or the end).
// Null chain on an empty list; false on a malformed text.
bool Build(SimEngine& e, std::istringstream& in, void*& first, bool nested, std::vector<void*>& made) {
    first = nullptr;
    void* last = nullptr;
    std::string token;
    while (in >> token) {
        if (token == "]") return nested;
        void* item = NewItem(e, I::Size);
        made.push_back(item);
        std::uint8_t* b = Bytes(item);
        const bool directory = token.size() >= 3 && token.compare(token.size() - 2, 2, "/[") == 0;
        std::string name = directory ? token.substr(0, token.size() - 2) : token;
        if (name.empty() || name.size() >= I::NameChars) return false;
        L::PutText(b, I::Name, I::NameChars, name);
        if (directory) {
            L::Put32(b, I::IsDirectory, 1);
            L::PutPtr(b, I::UserData, reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x5EED)));
            void* child = nullptr;
            if (!Build(e, in, child, true, made)) return false;
            L::PutPtr(b, I::FirstChild, child);
        } else {
            L::PutText(b, I::SourcePath, I::SourcePathChars, "C:\\src\\" + name);
        }
        if (last)
            L::PutPtr(Bytes(last), I::Next, item);
        else
            first = item;
        last = item;
    }
    return !nested;
}

}  // namespace

std::string vexosim::DescribeIsoChain(SimEngine& e, void* first) {
    std::string text;
    std::set<void*> seen;
    Describe(e, first, seen, text, 0);
    return text;
}

extern "C" {

void* WINAPI VexoCreateIsoItemOfSize(std::int32_t size) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoCreateIsoItemOfSize", unused)) return nullptr;
        if (size < static_cast<std::int32_t>(I::Size) || size > kMaxItemSize) {
            e.CheckFailed("VexoCreateIsoItemOfSize", Format("size %d is not an item size (%u)", size, unsigned(I::Size)));
            return nullptr;
        }
        return NewItem(e, static_cast<std::size_t>(size));
    });
}

void WINAPI VexoFreeIsoItem(void* item) {
    Guarded<int>(0, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        e.ScriptedFailure("VexoFreeIsoItem", unused);
        FreeOne(e, item, "VexoFreeIsoItem");
        return 0;
    });
}

void WINAPI VexoFreeIsoItemTree(void* item) {
    Guarded<int>(0, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        e.ScriptedFailure("VexoFreeIsoItemTree", unused);
        if (!item) {
            e.Count("free.null");
            return 0;
        }
        // Collect first (links are read before anything is freed), then free.
        std::vector<void*> pending{item}, order;
        std::set<void*> seen;
        while (!pending.empty()) {
            void* p = pending.back();
            pending.pop_back();
            if (!seen.insert(p).second) continue;
            order.push_back(p);
            if (!IsItem(e, p)) continue;  // counted when freed; its links are not followed
            if (void* next = L::GetPtr(Bytes(p), I::Next)) pending.push_back(next);
            if (void* child = L::GetPtr(Bytes(p), I::FirstChild)) pending.push_back(child);
        }
        for (void* p : order) FreeOne(e, p, "VexoFreeIsoItemTree");
        return 0;
    });
}

std::int32_t WINAPI VexoSimDescribeIsoTree(void* item, char* buffer, std::int32_t size) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::string text;
        std::set<void*> seen;
        Describe(e, item, seen, text, 0);
        if (buffer && size > 0) {
            std::size_t n = text.size() < std::size_t(size) ? text.size() : std::size_t(size) - 1;
            std::memcpy(buffer, text.data(), n);
            buffer[n] = '\0';
        }
        return static_cast<std::int32_t>(text.size());
    });
}

void* WINAPI VexoSimBuildIsoTree(const char* text) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        if (!text) return nullptr;
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::istringstream in(std::string(text, strnlen(text, 65536)));
        void* first = nullptr;
        std::vector<void*> made;
        if (!Build(e, in, first, false, made)) {
            for (void* p : made) e.Memory().Free(p);
            return nullptr;
        }
        return first;
    });
}

}  // extern "C"
