// modAKRip32: the binding of the CD access library akrip32.dll and the
// ripper's state around it (the drive handle and the one TOC buffer).
//
// The library is loaded by name ("akrip32.dll", the usual search order, then
// the folder of the running program) on the first call of any operation here,
// and each export is looked up by name. A missing library or export is never
// fatal: every wrapper then gives its failure result (no adapters, handle 0,
// read results 0, an empty list record). A failed load is tried again on the
// next call, so a library that appears later is picked up.
//
// All of it runs on the window thread; the state is plain, unguarded data.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "AkripRecords.h"
#include "DiscState.h"
#include "WinHandles.h"

namespace modAKRip32 {

using AkripRecords::FramesPerRead;

// --- Module state (held by DiscState) ------------------------------------------
// The current drive handle, 0 when none. Set by OpenDriveAndReadToc; keeps
// its value after CloseDrive until the next open.
inline uint8_t& CdHandle = TheDisc.cdHandle;
// The TOC of the disc last read by OpenDriveAndReadToc.
inline AkripRecords::TocBytes& Toc = TheDisc.toc;

// --- The library ------------------------------------------------------------

// True when akrip32.dll is loaded (loading it now if needed). Lets start-up
// tell a missing library apart from a machine without CD drives.
bool IsLibraryLoaded();

// Unloads the library and binds `dllName` in its place on the next call.
// Meant for tests that need a missing library or missing exports.
void RebindLibrary(const char* dllName);

// --- Wrappers of the library's exports ---------------------------------------

// The number of drive entries; 0 without the library.
int GetNumAdapters();

// Fills `list` (expected zeroed by the caller) with the drive records; the
// library's result, 0 without the library.
int GetCDList(AkripRecords::CdListBytes& list);

// A handle for the drive the request names; 0 on failure.
uint8_t GetCDHandle(AkripRecords::GetCdHandBytes& request);

// Sets one of the library's parameters on a handle (result ignored).
void ModifyCDParms(uint8_t handle, int which, uint32_t value);

// Reads the TOC into `toc`; 1 on success, anything else is failure.
uint32_t ReadTOC(uint8_t handle, AkripRecords::TocBytes& toc);

// Reads the frames the block's header asks for into its data area; 1 on
// success. `block` must be a whole TrackBuffer (61,176 bytes) whose header
// asks for at most FramesPerRead frames; anything else gives 0 without a
// library call.
uint32_t ReadCDAudioLBA(uint8_t handle, std::span<uint8_t> block);

// Releases a handle (result ignored).
void CloseCDHandle(uint8_t handle);

// The library's last error code (0 or -1 .. -15); without the library a code
// outside that range, whose text is empty.
int GetAspiLibError();

// --- Operations of the module -----------------------------------------------

// A copy of record n of the library's drive list (asks GetCDList with a
// zeroed list). n must lie in 0..7; any other n gives an all-zero record
// without asking the library.
AkripRecords::CdRecordBytes GetCDRecord(int n);

// Opens a handle on drive n of the drive list and reads its TOC with LBA
// addresses into Toc. False when no handle was obtained (Toc then stays as it
// was) or ReadTOC did not return 1 (Toc has been cleared first).
bool OpenDriveAndReadToc(int n);

// Releases CdHandle (result ignored); CdHandle keeps its value.
void CloseDrive();

// The address of Toc entry `entry`, big-endian; 0 outside 0..99.
uint32_t TocAddressToLba(int entry);

// The text of the library's last error code (empty for an unknown code).
std::string AspiErrorText();

// --- Reading audio ----------------------------------------------------------

// The one block the rip routines read into: a zero-filled TrackBuffer of
// 61,176 bytes from the process heap with its initial header (maximum length
// 61,152, everything else 0). Empty when the allocation failed.
win::heap_block AllocateTrackBuffer();

// One read attempt: writes the header for `frames` frames from `startFrame`
// into `block` and calls ReadCDAudioLBA with CdHandle. True when it returned
// 1; the data area then holds frames * 2352 bytes of audio.
bool ReadAudioBlock(std::span<uint8_t> block, uint32_t startFrame, uint32_t frames);

// The audio of `frames` frames in a block that was read (empty when the
// block is too small or frames exceeds FramesPerRead).
std::span<const uint8_t> BlockAudio(std::span<const uint8_t> block, uint32_t frames);

}  // namespace modAKRip32
