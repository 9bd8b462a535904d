#include "compilation/IsoItemOwner.h"

#include <oleauto.h>

#include <cstring>
#include <ctime>

#include "EngineBinding.h"
#include "EngineRecords.h"
#include "com/Bstr.h"
#include "compilation/Limits.h"

namespace vexo {

namespace rec = EngineRecords;
namespace item = EngineRecords::IsoItem;

static_assert(limits::kIsoItemInlineMaxBytes == item::kInlineMaxBytes);

IsoItemOwner::IsoItemOwner(Kind kind) {
    try {
        engine::EnsureInitialized();
    } catch (...) {
        // Short of memory: the engine may still be there from before.
    }
    item_ = EngineBinding::VexoCreateIsoItemOfSize(static_cast<uint32_t>(item::Size));
    if (!item_) return;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_s(&local, &now) == 0) {
        rec::Bytes b = BytesOf(item_);
        const int fields[9] = {local.tm_sec,  local.tm_min,  local.tm_hour, local.tm_mday, local.tm_mon,
                               local.tm_year, local.tm_wday, local.tm_yday, local.tm_isdst};
        for (std::size_t i = 0; i < 9; ++i) rec::WriteI32(b, item::EntryTime + 4 * i, fields[i]);
    }
    if (kind == Kind::Directory) rec::WriteU32(BytesOf(item_), item::IsDirectory, 1);
}

IsoItemOwner::~IsoItemOwner() { Take(nullptr); }

void IsoItemOwner::Take(void* item) noexcept {
    if (item == item_) return;
    // The long pointers point into this object; the item goes with them.
    if (item_) EngineBinding::VexoFreeIsoItem(item_);
    item_ = item;
    longName_.clear();
    longSourcePath_.clear();
}

std::span<uint8_t> IsoItemOwner::BytesOf(void* item) noexcept {
    if (!item) return {};
    return {static_cast<uint8_t*>(item), item::Size};
}

bool IsoItemOwner::IsDirectoryItem(void* item) noexcept { return rec::ReadU32(BytesOf(item), item::IsDirectory) != 0; }
void* IsoItemOwner::FirstChildOf(void* item) noexcept { return rec::ReadPointerAs<void>(BytesOf(item), item::FirstChild); }
void IsoItemOwner::SetFirstChildOf(void* item, void* child) noexcept {
    rec::WritePointer(BytesOf(item), item::FirstChild, child);
}
void* IsoItemOwner::NextOf(void* item) noexcept { return rec::ReadPointerAs<void>(BytesOf(item), item::Next); }
void IsoItemOwner::SetNextOf(void* item, void* next) noexcept { rec::WritePointer(BytesOf(item), item::Next, next); }
void IsoItemOwner::ClearUserData(void* item) noexcept {
    rec::WritePointer(BytesOf(item), item::UserData, static_cast<const void*>(nullptr));
}

std::string IsoItemOwner::ReadText(std::size_t inlineOffset, std::size_t longOffset) const {
    rec::Bytes b = BytesOf(item_);
    if (b.empty()) return {};
    if (b[inlineOffset] != 0) return rec::ReadText(b, inlineOffset, item::NameSize);
    const char* longText = rec::ReadPointerAs<const char>(b, longOffset);
    return longText ? std::string(longText) : std::string();
}

bool IsoItemOwner::WriteText(std::size_t inlineOffset, std::size_t inlineSize, std::size_t longOffset,
                             std::string& owned, const std::string& ansi) {
    rec::Bytes b = BytesOf(item_);
    if (b.empty()) return false;
    if (ansi.size() > limits::kIsoItemInlineMaxBytes) {
        owned = ansi;
        rec::WritePointer(b, longOffset, owned.c_str());
        b[inlineOffset] = 0;
    } else {
        rec::WriteText(b, inlineOffset, inlineSize, ansi);
        rec::WritePointer(b, longOffset, static_cast<const void*>(nullptr));
        owned.clear();
    }
    return true;
}

std::string IsoItemOwner::Name() const { return ReadText(item::Name, item::LongName); }
bool IsoItemOwner::SetName(const std::string& ansi) {
    return WriteText(item::Name, item::NameSize, item::LongName, longName_, ansi);
}
std::string IsoItemOwner::SourcePath() const { return ReadText(item::SourcePath, item::LongSourcePath); }
bool IsoItemOwner::SetSourcePath(const std::string& ansi) {
    return WriteText(item::SourcePath, item::SourcePathSize, item::LongSourcePath, longSourcePath_, ansi);
}

HRESULT IsoItemOwner::EntryTime(DATE* out) const {
    if (!out) return E_POINTER;
    *out = 0;
    rec::Bytes b = BytesOf(item_);
    if (b.empty()) return S_OK;
    auto field = [&](std::size_t f) { return rec::ReadI32(b, item::EntryTime + f); };
    UDATE u{};
    u.st.wYear = static_cast<WORD>(field(item::TmYear) + 1900);
    u.st.wMonth = static_cast<WORD>(field(item::TmMon) + 1);
    u.st.wDay = static_cast<WORD>(field(item::TmMday));
    u.st.wHour = static_cast<WORD>(field(item::TmHour));
    u.st.wMinute = static_cast<WORD>(field(item::TmMin));
    u.st.wSecond = static_cast<WORD>(field(item::TmSec));
    return ::VarDateFromUdate(&u, 0, out);
}

HRESULT IsoItemOwner::SetEntryTime(DATE value) {
    rec::Bytes b = BytesOf(item_);
    if (b.empty()) return E_UNEXPECTED;  // callers answer their own error first
    UDATE u{};
    HRESULT hr = ::VarUdateFromDate(value, 0, &u);
    if (FAILED(hr)) return hr;
    auto set = [&](std::size_t f, int v) { rec::WriteI32(b, item::EntryTime + f, v); };
    set(item::TmYear, u.st.wYear - 1900);
    set(item::TmMon, u.st.wMonth - 1);
    set(item::TmMday, u.st.wDay);
    set(item::TmHour, u.st.wHour);
    set(item::TmMin, u.st.wMinute);
    set(item::TmSec, u.st.wSecond);
    set(item::TmWday, u.st.wDayOfWeek);
    set(item::TmYday, u.wDayOfYear - 1);  // UDATE counts days of the year from 1
    return S_OK;
}

HRESULT IsoItemOwner::GetText(Text which, BSTR* out) const noexcept {
    if (!out) return E_POINTER;
    try {
        return com::ReturnAnsi((which == Text::Name ? Name() : SourcePath()).c_str(), out);
    } catch (...) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
}

HRESULT IsoItemOwner::SetText(Text which, BSTR value) noexcept {
    try {
        const std::string ansi = com::BstrToAnsi(value);
        const bool set = which == Text::Name ? SetName(ansi) : SetSourcePath(ansi);
        return set ? S_OK : E_UNEXPECTED;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace vexo
