#include "modAKRip32.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "AspiErrors.h"
#include "ModuleFolder.h"

namespace modAKRip32 {


namespace {

using namespace AkripRecords;

// The library's exports as the program calls them (stdcall on 32-bit x86).
// Handles travel as zero-extended 32-bit arguments, which a callee declaring
// them as a byte reads just as well; the handle result is read as a byte.
using GetNumAdaptersFn = int(WINAPI*)();
using GetCDListFn = int(WINAPI*)(uint8_t* list);
using GetCDHandleFn = uint8_t(WINAPI*)(uint8_t* request);
using ModifyCDParmsFn = int(WINAPI*)(DWORD handle, int which, DWORD value);
using ReadTOCFn = DWORD(WINAPI*)(DWORD handle, uint8_t* toc);
using ReadCDAudioLBAFn = DWORD(WINAPI*)(DWORD handle, uint8_t* trackBuffer);
using CloseCDHandleFn = int(WINAPI*)(DWORD handle);
using GetAspiLibErrorFn = int(WINAPI*)();

// GetAspiLibError's stand-in result when the library is missing: no code of
// the library, so its text is empty.
constexpr int NoLibraryCode = 1;

struct Binding {
    std::string dllName = "akrip32.dll";
    win::unique_module module;
    GetNumAdaptersFn getNumAdapters = nullptr;
    GetCDListFn getCDList = nullptr;
    GetCDHandleFn getCDHandle = nullptr;
    ModifyCDParmsFn modifyCDParms = nullptr;
    ReadTOCFn readTOC = nullptr;
    ReadCDAudioLBAFn readCDAudioLBA = nullptr;
    CloseCDHandleFn closeCDHandle = nullptr;
    GetAspiLibErrorFn getAspiLibError = nullptr;

    void Unbind() {
        getNumAdapters = nullptr;
        getCDList = nullptr;
        getCDHandle = nullptr;
        modifyCDParms = nullptr;
        readTOC = nullptr;
        readCDAudioLBA = nullptr;
        closeCDHandle = nullptr;
        getAspiLibError = nullptr;
        module.reset();
    }
};

Binding& Lib() {
    static Binding binding;
    return binding;
}

// Loads and binds the library unless that has been done; true when loaded.
bool Ensure() {
    Binding& b = Lib();
    if (b.module) return true;
    HMODULE m = LoadLibraryA(b.dllName.c_str());
    if (!m && b.dllName.find_first_of("\\/:") == std::string::npos) {
        const std::string beside = win::ProgramFolder();
        if (!beside.empty()) m = LoadLibraryA(win::PathInFolder(beside, b.dllName).c_str());
    }
    if (!m) return false;
    b.module.reset(m);
    b.getNumAdapters = b.module.proc<GetNumAdaptersFn>("GetNumAdapters");
    b.getCDList = b.module.proc<GetCDListFn>("GetCDList");
    b.getCDHandle = b.module.proc<GetCDHandleFn>("GetCDHandle");
    b.modifyCDParms = b.module.proc<ModifyCDParmsFn>("ModifyCDParms");
    b.readTOC = b.module.proc<ReadTOCFn>("ReadTOC");
    b.readCDAudioLBA = b.module.proc<ReadCDAudioLBAFn>("ReadCDAudioLBA");
    b.closeCDHandle = b.module.proc<CloseCDHandleFn>("CloseCDHandle");
    b.getAspiLibError = b.module.proc<GetAspiLibErrorFn>("GetAspiLibError");
    return true;
}

// Whether a block's header asks for a read that fits the block.
bool FitsBlock(std::span<const uint8_t> block) {
    if (block.size() < TrackBuffer::Size) return false;
    uint32_t frames = ReadLE32(&block[TrackBuffer::NumFrames]);
    uint32_t maxLength = ReadLE32(&block[TrackBuffer::MaxLength]);
    return frames <= FramesPerRead && maxLength <= TrackBuffer::DataSize;
}

}  // namespace

bool IsLibraryLoaded() { return Ensure(); }

void RebindLibrary(const char* dllName) {
    Binding& b = Lib();
    b.Unbind();
    b.dllName = dllName ? dllName : "";
}

int GetNumAdapters() {
    if (!Ensure() || !Lib().getNumAdapters) return 0;
    return Lib().getNumAdapters();
}

int GetCDList(CdListBytes& list) {
    if (!Ensure() || !Lib().getCDList) return 0;
    return Lib().getCDList(list.data());
}

uint8_t GetCDHandle(GetCdHandBytes& request) {
    if (!Ensure() || !Lib().getCDHandle) return 0;
    return Lib().getCDHandle(request.data());
}

void ModifyCDParms(uint8_t handle, int which, uint32_t value) {
    if (!Ensure() || !Lib().modifyCDParms) return;
    Lib().modifyCDParms(handle, which, value);
}

uint32_t ReadTOC(uint8_t handle, TocBytes& toc) {
    if (!Ensure() || !Lib().readTOC) return 0;
    return Lib().readTOC(handle, toc.data());
}

uint32_t ReadCDAudioLBA(uint8_t handle, std::span<uint8_t> block) {
    if (!FitsBlock(block)) return 0;
    if (!Ensure() || !Lib().readCDAudioLBA) return 0;
    return Lib().readCDAudioLBA(handle, block.data());
}

void CloseCDHandle(uint8_t handle) {
    if (!Ensure() || !Lib().closeCDHandle) return;
    Lib().closeCDHandle(handle);
}

int GetAspiLibError() {
    if (!Ensure() || !Lib().getAspiLibError) return NoLibraryCode;
    return Lib().getAspiLibError();
}

CdRecordBytes GetCDRecord(int n) {
    if (n < 0 || n >= CdList::RecordCount) return CdRecordBytes{};
    CdListBytes list{};
    GetCDList(list);
    return CdRecordAt(list, n);
}

bool OpenDriveAndReadToc(int n) {
    CdRecordBytes record = GetCDRecord(n);
    GetCdHandBytes request = MakeGetCdHand(record);
    CdHandle = GetCDHandle(request);
    if (CdHandle == 0) return false;
    // Parameter 36 switches MSF addresses in the TOC; off gives LBAs.
    ModifyCDParms(CdHandle, 36, 0);
    Toc.fill(0);
    return ReadTOC(CdHandle, Toc) == 1;
}

void CloseDrive() { CloseCDHandle(CdHandle); }

uint32_t TocAddressToLba(int entry) { return AkripRecords::TocAddressToLba(Toc, entry); }

std::string AspiErrorText() {
    SetLastError(0);
    return std::string(AspiErrors::TextOf(GetAspiLibError()));
}

win::heap_block AllocateTrackBuffer() {
    win::heap_block block(TrackBuffer::Size);
    if (block) WriteLE32(block.data() + TrackBuffer::MaxLength, static_cast<uint32_t>(TrackBuffer::DataSize));
    return block;
}

bool ReadAudioBlock(std::span<uint8_t> block, uint32_t startFrame, uint32_t frames) {
    if (block.size() < TrackBuffer::Size || frames > FramesPerRead) return false;
    TrackBufferHeaderBytes header = MakeTrackBufferHeader(startFrame, frames);
    std::copy(header.begin(), header.end(), block.begin());
    return ReadCDAudioLBA(CdHandle, block) == 1;
}

std::span<const uint8_t> BlockAudio(std::span<const uint8_t> block, uint32_t frames) {
    if (block.size() < TrackBuffer::Size || frames > FramesPerRead) return {};
    return block.subspan(TrackBuffer::HeaderSize, std::size_t{frames} * BytesPerFrame);
}

}  // namespace modAKRip32
