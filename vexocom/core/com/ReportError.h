// Failures the server finds itself: an HRESULT of the interface facility
// (0x80040000 + string id) with an error-information object whose
// description is the string of that id from the module's string table.
#pragma once

#include <windows.h>

#include <string>

namespace vexo {

// String ids of the module's string table.
enum ErrorId : UINT {
    kLibraryNameId = 100,
    kErrVexoNotLoaded = 512,
    kErrNotInitialized = 513,
    kErrDeviceList = 514,
    kErrOpenDevice = 515,
    kErrEjectLoad = 516,
    kErrNoRewritableDisc = 517,
    kErrEraseUnsupported = 518,
    kErrWorkerThread = 519,
    kErrBusy = 520,
    kErrDiscInfo = 521,
    kErrVideoItemsFull = 522,
    kErrAlreadyInCollection = 523,
    kErrFileNameTooLong = 524,
    kErrVideoItemType = 525,
    kErrIndexPositionsFull = 527,
    kErrAudioTracksFull = 528,
    kErrLocked = 529,
    kErrAudioTrackType = 530,
    kErrFreestyleTrackType = 531,
    kErrFreestyleTracksFull = 532,
    kErrFreestyleSourceType = 533,
    kErrNotRewritable = 534,
    kErrParameterType = 535,
    kErrInternal = 536,
    kErrSpeeds = 537,
    kErrAlreadyInitialized = 538,
    kErrRegisterCallback = 539,
    kErrUnregisterCallback = 540,
    kErrBlockReader = 541,
    kErrBlockWriter = 542,
    kErrNonVmsMedium = 543,
    kErrIsoTrack = 544,
    kErrBaoHandleExists = 545,
    kErrNoBaoHandle = 546,
};

// The HRESULT of a string id: severity error, facility ITF, code = id.
// An id of 0 stands for "no code" and gives DISP_E_EXCEPTION.
constexpr HRESULT ErrorHresult(UINT id) noexcept {
    return id == 0 ? static_cast<HRESULT>(0x80020009L) : static_cast<HRESULT>(0x80040000UL + id);
}

// The text of string id `id` from this module's string table (ANSI), or
// "Unknown Error" when the table has no such string.
std::string ErrorText(UINT id);

// Reports string id `id` for the calling thread: the error object carries
// the interface id, the ProgID of the class (none for the null GUID) as its
// source and the text as its description. Returns the HRESULT, also when
// the error object cannot be made.
HRESULT ReportError(const GUID& clsid, UINT id, const GUID& iid) noexcept;

}  // namespace vexo
