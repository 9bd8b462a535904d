// The type library VEXOLib as a client sees it: loaded from the built file
// (no registration needed) and walked against the interface tables of the
// server: names, dispatch ids, invoke kinds, vtable order, parameter types
// and directions of every member, the classes with their default and source
// interfaces, the enumerations, and the library's own identity.
#include <windows.h>
#include <oleauto.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "Vexo.h"

namespace {

// ---- small owners ----------------------------------------------------------

template <class T>
struct com_ptr {
    T* p = nullptr;
    com_ptr() = default;
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    ~com_ptr() { if (p) p->Release(); }
    T** put() { if (p) { p->Release(); p = nullptr; } return &p; }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

struct bstr {
    BSTR b = nullptr;
    ~bstr() { SysFreeString(b); }
    BSTR* put() { SysFreeString(b); b = nullptr; return &b; }
    std::wstring str() const { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }
};

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

std::wstring GuidText(const GUID& g) {
    wchar_t text[40] = {};
    StringFromGUID2(g, text, 40);
    return text;
}

GUID GuidOf(const wchar_t* text) {
    GUID g{};
    EXPECT_EQ(CLSIDFromString(text, &g), S_OK) << Narrow(text);
    return g;
}

// The built type library is copied next to the test program.
std::wstring TypeLibPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/") + 1) + L"Vexo.tlb";
}

class TypeLibTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        HRESULT hr = LoadTypeLibEx(TypeLibPath().c_str(), REGKIND_NONE, &lib_);
        ASSERT_EQ(hr, S_OK) << Narrow(TypeLibPath());
    }
    static void TearDownTestSuite() {
        if (lib_) lib_->Release();
        lib_ = nullptr;
        CoUninitialize();
    }
    void SetUp() override { ASSERT_NE(lib_, nullptr); }

    static ITypeInfo* Find(const GUID& guid, com_ptr<ITypeInfo>& out) {
        lib_->GetTypeInfoOfGuid(guid, out.put());
        return out.p;
    }
    static ITypeInfo* FindByName(const std::wstring& name, com_ptr<ITypeInfo>& out) {
        std::wstring n = name;
        MEMBERID id = 0;
        USHORT found = 1;
        ITypeInfo* info = nullptr;
        if (SUCCEEDED(lib_->FindName(n.data(), 0, &info, &id, &found)) && found == 1 && id == MEMBERID_NIL) {
            out.put();
            out.p = info;
        }
        return out.p;
    }
    static inline ITypeLib* lib_ = nullptr;
};

// ---- type descriptions as text ---------------------------------------------

std::string TypeName(ITypeInfo* owner, const TYPEDESC& td) {
    switch (td.vt) {
    case VT_PTR: return TypeName(owner, *td.lptdesc) + "*";
    case VT_USERDEFINED: {
        com_ptr<ITypeInfo> ref;
        if (FAILED(owner->GetRefTypeInfo(td.hreftype, ref.put()))) return "?";
        bstr name;
        ref->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
        return Narrow(name.str());
    }
    case VT_I2: return "short";
    case VT_I4: return "long";
    case VT_INT: return "INT";
    case VT_UI4: return "ULONG";
    case VT_UI1: return "byte";
    case VT_BSTR: return "BSTR";
    case VT_BOOL: return "VARIANT_BOOL";
    case VT_VARIANT: return "VARIANT";
    case VT_DATE: return "DATE";
    case VT_UNKNOWN: return "IUnknown*";
    case VT_DISPATCH: return "IDispatch*";
    case VT_HRESULT: return "HRESULT";
    case VT_VOID: return "void";
    default: return "vt" + std::to_string(td.vt);
    }
}

// BOOL is a 32-bit integer for automation; the library may keep the alias
// name or the plain integer.
std::string Canonical(std::string type) {
    for (std::size_t at = type.find("BOOL"); at != std::string::npos; at = type.find("BOOL", at + 1))
        if (at == 0 || type[at - 1] != '_') type.replace(at, 4, "long");
    return type;
}

std::string Direction(USHORT flags) {
    bool in = flags & PARAMFLAG_FIN, out = flags & PARAMFLAG_FOUT, ret = flags & PARAMFLAG_FRETVAL;
    if (ret) return "retval";
    if (in && out) return "inout";
    if (out) return "out";
    return "in";
}

std::string Signature(ITypeInfo* info, const FUNCDESC* fd) {
    std::string s;
    for (SHORT i = 0; i < fd->cParams; ++i) {
        const ELEMDESC& e = fd->lprgelemdescParam[i];
        if (i) s += ", ";
        s += Direction(e.paramdesc.wParamFlags) + " " + TypeName(info, e.tdesc);
    }
    return Canonical(s);
}

std::vector<std::wstring> ParamNames(ITypeInfo* info, const FUNCDESC* fd) {
    std::vector<BSTR> names(fd->cParams + 1);
    UINT got = 0;
    info->GetNames(fd->memid, names.data(), static_cast<UINT>(names.size()), &got);
    std::vector<std::wstring> out;
    for (UINT i = 0; i < got; ++i) {
        if (i) out.emplace_back(names[i], SysStringLen(names[i]));
        SysFreeString(names[i]);
    }
    return out;
}

// ---- the interface tables ---------------------------------------------------

constexpr INVOKEKIND M = INVOKE_FUNC, G = INVOKE_PROPERTYGET, P = INVOKE_PROPERTYPUT,
                     R = INVOKE_PROPERTYPUTREF;

struct Member {
    const wchar_t* name;
    MEMBERID dispid;
    INVOKEKIND kind;
    std::string params;                 // "dir type, ..." with dir in/out/inout/retval
    std::vector<std::wstring> names{};  // argument names the interface fixes, when it does
};

struct Iface {
    const wchar_t* name;
    GUID iid;                   // the header's identifier
    const wchar_t* given;       // the identifier the interface was published with, if fixed
    const wchar_t* base;        // IDispatch for the first of a chain; nullptr for dispinterfaces
    std::vector<Member> members;
};

#define IFACE(n) L## #n, __uuidof(n)

// Collections of compilation objects share one shape.
std::vector<Member> ObjectCollection(const std::string& element) {
    return {
        {L"Item", 0, M, "in INT, retval " + element + "**", {L"Index"}},
        {L"Add", 1, M, "in " + element + "*", {L"pNewVal"}},
        {L"Count", 2, G, "retval long*"},
        {L"Remove", 3, M, "in INT", {L"Index"}},
        {L"_NewEnum", -4, G, "retval IUnknown**"},
    };
}

std::vector<Member> ReadOnlyList(const std::string& element) {
    return {
        {L"Item", 0, M, "in INT, retval " + element},
        {L"Count", 1, G, "retval long*"},
        {L"_NewEnum", -4, G, "retval IUnknown**"},
    };
}

const char* const kResponse = "inout VEXO_RESPONSE*";

const std::vector<Iface>& Interfaces() {
    static const std::vector<Iface> table = {
        // The engine object.
        {IFACE(IVexo), L"{F3FBC8E4-93A3-11D4-8217-A85459000000}", L"IDispatch", {
            {L"LanguageFile", 1, G, "retval BSTR*"},
            {L"LanguageFile", 1, P, "in BSTR"},
            {L"EnableOverburn", 2, G, "retval VARIANT_BOOL*"},
            {L"EnableOverburn", 2, P, "in VARIANT_BOOL"},
            {L"OverburnSize", 3, G, "retval long*"},
            {L"OverburnSize", 3, P, "in long"},
            {L"LastError", 4, G, "retval BSTR*"},
            {L"ErrorLog", 5, G, "retval BSTR*"},
            {L"GetDrives", 6, M, "in VEXO_MEDIA_TYPE, retval IVexoDrives**", {L"lVal"}},
            {L"TypeNameOfMedia", 7, G, "in VEXO_MEDIA_TYPE, retval BSTR*"},
            {L"WriteBufferSize", 8, P, "in long"},
            {L"RuntimeLanguageFile", 9, P, "in BSTR"},
            {L"APIVersion", 10, M, "inout short*, inout short*, inout short*, inout short*"},
            {L"ClearErrors", 11, M, ""},
            {L"Abort", 12, M, ""},
            {L"GetDiscImageInfo", 13, M, "in BSTR, retval IVexoCDInfo2**"},
        }},
        {IFACE(IVexo2), L"{C13AC618-B5A1-462B-9BAC-4201297C5116}", L"IVexo", {
            {L"LastDriveError", 14, G, "retval VEXO_DRIVE_ERROR*"},
            {L"EnableDriveChangeCallback", 15, M, "in BOOL"},
            {L"CreateBlockAccessFromImage", 16, M, "in BSTR, in ImageAccessMode, retval IVexoFileSystemBlockWriter**",
             {L"Filename"}},
        }},
        {IFACE(IVexo3), L"{2DF9A43C-3E7B-4634-835E-1A95C1608219}", L"IVexo2", {
            {L"LastErrors", 17, M, "in INT, in VEXO_LAST_ERRORS_FLAGS, retval BSTR*", {L"iNum", L"Flags"}},
        }},
        {IFACE(IVexo4), L"{E569C679-8E47-4B42-9D6D-CD8084AD9745}", L"IVexo3", {
            {L"DVDOverburnSize", 18, P, "in long"},
        }},
        {IFACE(IVexoDrives), L"{3F0F9F13-92CE-11D4-8215-08CB77000000}", L"IDispatch", ReadOnlyList("IVexoDrive5**")},
        {IFACE(IVexoIntCollection), L"{C3D07891-CC93-4514-A99E-1EB79A443F56}", L"IDispatch", ReadOnlyList("long*")},
        {IFACE(IVexoSpeeds), L"{25800C29-03E6-48FB-868D-270C3347D482}", L"IVexoIntCollection", {
            {L"BaseSpeedKBs", 2, G, "retval long*"},
        }},
        {IFACE(IVexoCDInfo), L"{4EA1DD43-957E-11D4-821E-2A4052000000}", L"IDispatch", {
            {L"FreeCapacityInBlocks", 1, G, "retval long*"},
            {L"IsWriteable", 2, G, "retval VARIANT_BOOL*"},
            {L"Artist", 3, G, "retval BSTR*"},
            {L"Title", 4, G, "retval BSTR*"},
            {L"Tracks", 5, G, "retval IVexoTracks**"},
            {L"AvailableEraseModes", 6, G, "retval long*"},
            {L"UnusedBlocks", 7, G, "retval long*"},
            {L"MediaType", 8, G, "retval VEXO_MEDIA_TYPE*"},
        }},
        {IFACE(IVexoCDInfo2), L"{E0A8E873-70D3-4592-A88E-957EBB6DA902}", L"IVexoCDInfo", {
            {L"MediumFlags", 9, G, "retval long*"},
            {L"Layer0MaxBlocks", 10, G, "retval long*"},
            {L"TotalCapacity", 11, G, "retval long*"},
        }},
        {IFACE(IVexoTracks), L"{C50612C1-9598-11D4-821E-2A4052000000}", L"IDispatch", ReadOnlyList("IVexoTrack2**")},
        {IFACE(IVexoTrack), L"{82122A91-959C-11D4-821E-2A4052000000}", L"IDispatch", {
            {L"SessionNumber", 1, G, "retval long*"},
            {L"TrackNumber", 2, G, "retval long*"},
            {L"TrackType", 3, G, "retval VEXO_TRACK_TYPE*"},
            {L"TrackStartBlk", 4, G, "retval long*"},
            {L"TrackLengthInBlks", 5, G, "retval long*"},
            {L"Artist", 6, G, "retval BSTR*"},
            {L"Title", 7, G, "retval BSTR*"},
            {L"ISRC", 8, G, "retval BSTR*"},
        }},
        {IFACE(IVexoTrack2), L"{B09D4061-FD16-4E04-87BE-E327EEAE4E1A}", L"IVexoTrack", {
            {L"BlockSize", 9, G, "retval long*"},
        }},
        {IFACE(IVexoCDStamp), L"{B40973F3-A037-11D4-824E-1214A0000000}", L"IDispatch", {}},
        {IFACE(IVexoOverburnInfo), L"{62868FF1-E9CA-4159-9D45-7C1128D13754}", L"IDispatch", {
            {L"TotalBlocksOnCD", 1, G, "retval long*"},
            {L"TotalCapacity", 2, G, "retval long*"},
        }},
        {IFACE(IVexoDlgMessageBox), L"{BBB89080-319C-47E8-AF69-272E08C292EE}", L"IDispatch", {
            {L"Type", 1, G, "retval VEXODLG_MESSAGE_TYPE*"},
            {L"Icon", 2, G, "retval VEXODLG_ICON_TYPE*"},
            {L"Response", 3, G, "retval VEXO_RESPONSE*"},
            {L"Message", 4, G, "retval BSTR*"},
        }},

        // The drive: dispatch id = position 1..50.
        {IFACE(IVexoDrive), L"{3F0F9F15-92CE-11D4-8215-08CB77000000}", L"IDispatch", {
            {L"DeviceName", 1, G, "retval BSTR*"},
            {L"HostAdapterName", 2, G, "retval BSTR*"},
            {L"HostAdapterNo", 3, G, "retval long*"},
            {L"DeviceID", 4, G, "retval long*"},
            {L"DevType", 5, G, "retval VEXO_SCSI_DEVTYPE*"},
            {L"DriveLetter", 6, G, "retval BSTR*"},
            {L"Capabilities", 7, G, "retval VEXO_CAPABILITIES*"},
            {L"ReadSpeeds", 8, G, "retval IVexoSpeeds**"},
            {L"WriteSpeeds", 9, G, "retval IVexoSpeeds**"},
            {L"DeviceReady", 10, G, "retval BOOL*"},
            {L"CDRWErasingTime", 11, G, "in VARIANT_BOOL, retval long*", {L"Quick"}},
            {L"BufUnderrunProtName", 12, G, "retval BSTR*"},
            {L"MandatoryBUPSpeed", 13, G, "retval long*"},
            {L"MediaSupport", 14, G, "retval long*"},
            {L"DriveBufferSize", 15, G, "retval long*"},
            {L"AvailableSpeeds", 16, G, "in VEXO_ACCESSTYPE, in VEXO_MEDIA_TYPE, retval IVexoSpeeds**"},
            {L"EjectCD", 17, M, ""},
            {L"LoadCD", 18, M, ""},
            {L"EraseCDRW", 19, M, "in VARIANT_BOOL, retval long*", {L"Quick", L"EstimatedTime"}},
            {L"DAE", 20, M, "in long, in long, in BSTR, in long",
             {L"TrackStartBlock", L"TrackLengthInBlocks", L"Filename", L"Speed"}},
            {L"CDInfo", 21, M, "in VEXO_CDINFO_FLAGS", {L"Flags"}},
            {L"BurnVideoCD", 22, M,
             "in IVexoVideoItems*, in VARIANT_BOOL, in BSTR, in IVexoISOTrack*, in VEXO_BURN_FLAGS, in long",
             {L"VideoItems", L"SuperVideoCD", L"TempPath", L"ISOTrack", L"Flags", L"Speed"}},
            {L"BurnImage", 23, M, "in BSTR, in VEXO_BURN_FLAGS, in long", {L"ImageFilename", L"Flags", L"Speed"}},
            {L"ImportIsoTrack", 24, M, "in long, in VEXO_IMPORT_ISO_TRACK_FLAGS", {L"TrackNumber", L"dwFlags"}},
            {L"BurnFreestyleCD", 25, M,
             "in IVexoFileSystemContent*, in BSTR, in BSTR, in VARIANT_BOOL, in IVexoISOTrack*, "
             "in IVexoFreestyleTracks*, in IVexoCDStamp*, in VEXO_BURN_FLAGS, in long, in VEXO_MEDIA_TYPE",
             {L"pContent", L"Artist", L"Title", L"CDExtra", L"ISOTrack", L"FreestyleTracks", L"CDStamp",
              L"Flags", L"Speed", L"Type"}},
            {L"BurnIsoAudioCD", 26, M,
             "in BSTR, in BSTR, in VARIANT_BOOL, in IVexoISOTrack*, in IVexoAudioTracks*, in IVexoCDStamp*, "
             "in VEXO_BURN_FLAGS, in long, in VEXO_MEDIA_TYPE",
             {L"Artist", L"Title", L"CDExtra", L"ISOTrack", L"AudioTracks", L"CDStamp", L"Flags", L"Speed",
              L"Type"}},
            {L"BurnFileSystemContent", 27, M, "in IVexoFileSystemContent*, in VEXO_BURN_FLAGS, in long, in VEXO_MEDIA_TYPE",
             {L"pContent", L"Flags", L"Speed", L"Type"}},
            {L"WaitForMedia", 28, M, "in VEXO_MEDIA_TYPE, in VEXO_BURN_FLAGS, in IVexoCDStamp*",
             {L"MediaType", L"BurnFlags", L"CDStamp"}},
            {L"SetDeviceOption", 29, M, "in VEXO_DEVICE_OPTION, in VARIANT"},
            {L"GetDeviceOption", 30, M, "in VEXO_DEVICE_OPTION, retval VARIANT*"},
            {L"UpdateDeviceInfo", 31, M, "in VEXO_MEDIA_TYPE, retval VEXO_DRIVE_ERROR*", {L"MediaType"}},
            {L"EraseDisc", 32, M, "in VARIANT_BOOL, in VEXO_ERASE_MODE, retval long*"},
            {L"EnableStatusCallback", 33, M, "in VEXO_DRIVESTATUS_TYPE, in BOOL"},
        }},
        {IFACE(IVexoDrive2), L"{B57881C4-0629-42A9-85D5-68E9A12430E2}", L"IVexoDrive", {
            {L"SupportedAccessModes", 34, G, "retval long*"},
            {L"CreateBlockReader", 35, M, "in AccessMode, retval IVexoFileSystemBlockReader**"},
            {L"CreateBlockWriter", 36, M, "in AccessMode, retval IVexoFileSystemBlockWriter**"},
            {L"MediaReadSupport", 37, G, "retval VEXO_MEDIA_TYPE*"},
            {L"BurnVideoCD2", 38, M,
             "in IVexoVideoItems*, in VARIANT_BOOL, in BSTR, in IVexoISOTrack*, in VEXO_BURN_FLAGS, in long, "
             "in VEXO_VIDEO_RESOLUTION",
             {L"VideoItems", L"SuperVideoCD", L"TempPath", L"ISOTrack", L"Flags", L"Speed"}},
            {L"WaitForDisc", 39, M, "in VEXO_MEDIA_TYPE, in VEXO_BURN_FLAGS, in IVexoCDStamp*, in VEXO_WAITFORDISC_FLAGS",
             {L"MediaType", L"BurnFlags", L"CDStamp", L"Flags"}},
        }},
        {IFACE(IVexoDrive3), L"{88392318-CA6A-48D7-ADE8-ED3A3B0F2400}", L"IVexoDrive2", {
            {L"GetVMSInfo", 40, M, "retval IVexoVMSInfo**"},
            {L"EstimateTrackSize", 41, M, "in IVexoISOTrack*, in VEXO_ESTIMATE_FLAGS, in IVexoFileSystemTrackOptions*",
             {L"ISOTrack", L"Flags", L"pOptions"}},
            {L"BurnImage2", 42, M, "in BSTR, in VEXO_BURN_FLAGS, in long, in VEXO_MEDIA_TYPE",
             {L"ImageFilename", L"Flags", L"Speed", L"MediaType"}},
            {L"InitImageRecorder", 43, M, "in BSTR, in VEXO_MEDIA_TYPE", {L"imageFilePath", L"MediaType"}},
        }},
        {IFACE(IVexoDrive4), L"{89AD09DF-F1F1-43BD-A05A-6B3B5DCD1B1E}", L"IVexoDrive3", {
            {L"BurnAtOnce", 44, M, "in IVexoFileSystemDescContainer*, in BSTR, in VEXO_BURN_FLAGS, in long",
             {L"pContent", L"bstrTempDirectory", L"Flags", L"Speed"}},
            {L"BAOCreateHandle", 45, M, "in IVexoFileSystemDescContainer*, in BSTR, in VEXO_BURN_FLAGS, in long",
             {L"pContent", L"bstrTempDirectory", L"Flags", L"Speed"}},
            {L"BAOOpenFile", 46, M, "in BSTR, out long*, retval VEXO_BURN_ERROR*",
             {L"bstrName", L"plOffset", L"pBurnError"}},
            {L"BAOWriteToFile", 47, M, "in VARIANT, in long", {L"varBuffer", L"lNumberOfBytesToWrite"}},
            {L"BAOCloseFile", 48, M, "retval VEXO_BURN_ERROR*", {L"pBurnError"}},
            {L"BAOCloseHandle", 49, M, "in VEXO_BAO_FLAGS", {L"Flags"}},
        }},
        {IFACE(IVexoDrive5), L"{1D230ECA-ED5E-4A67-8F8B-F8DA11F079F2}", L"IVexoDrive4", {
            {L"BurnDiscCopy", 50, M,
             "in IVexoDrive5*, in VARIANT_BOOL, in BSTR, in VARIANT_BOOL, in long, in long, in VARIANT_BOOL, "
             "in VARIANT_BOOL, in VARIANT_BOOL, in VARIANT_BOOL, in VEXO_BURN_FLAGS, in long, in VEXO_MEDIA_TYPE",
             {L"pDriveSource", L"bOnTheFly", L"bstrImageFilePath", L"bDeleteImage", L"lReadSpeed",
              L"lNumberOfRetries", L"bIgnoreDataReadErrors", L"bIgnoreAudioReadErrors",
              L"bReadIsrcAndMediaCatalogNo", L"bRawReadMode", L"Flags", L"Speed", L"Type"}},
        }},

        // Event sources.
        {IFACE(_IVexoEvents), L"{F3FBC8E6-93A3-11D4-8217-A85459000000}", nullptr, {
            {L"OnAutoInsert", 1, M, kResponse},
            {L"OnDisconnectRestart", 2, M, kResponse},
            {L"OnDisconnect", 3, M, kResponse},
            {L"OnAutoInsertRestart", 4, M, ""},
            {L"OnRestart", 5, M, ""},
            {L"OnSettingsRestart", 6, M, kResponse},
            {L"OnOverburn", 7, M, kResponse},
            {L"OnCopyQualityLoss", 8, M, kResponse},
            {L"OnCopyFullRisk", 9, M, kResponse},
            {L"OnNoTrackFound", 10, M, ""},
            {L"OnMegaFatal", 11, M, ""},
            {L"OnWaitCD", 12, M, "in VEXO_WAITCD_TYPE, in BSTR"},
            {L"OnWaitCDReminder", 13, M, ""},
            {L"OnWaitCDDone", 14, M, ""},
            {L"OnAudioProblems", 15, M, "in long, inout VEXO_RESPONSE*"},
            {L"OnFileSelImage", 16, M, "inout BSTR*"},
            {L"OnNonEmptyCDRW", 17, M, kResponse},
            {L"OnWaitCDMediaInfo", 18, M, "in VEXO_MEDIA_TYPE, in BSTR, in VEXO_MEDIA_TYPE, in BSTR"},
            {L"OnDriveStatusChanged", 19, M, "in long, in long, in VEXO_DRIVECHANGE_RESULT"},
            {L"OnOverburn2", 20, M, "in IVexoOverburnInfo*, inout VEXO_RESPONSE*"},
            {L"OnDlgMessageBox", 21, M, "in IVexoDlgMessageBox*, inout VEXO_RESPONSE*"},
            {L"OnTempSpace", 22, M, "in BSTR, in IInt64*, in IInt64*, inout BSTR*"},
        }},
        {IFACE(_IVexoDriveEvents), L"{7DC919C5-94D3-11D4-821C-D08D42000000}", nullptr, {
            {L"OnProgress", 1, M, "in long, inout VARIANT_BOOL*"},
            {L"OnAddLogLine", 2, M, "in long, in BSTR"},
            {L"OnSetPhase", 3, M, "in BSTR"},
            {L"OnDisableAbort", 4, M, "in VARIANT_BOOL"},
            {L"OnWriteDAE", 5, M, "in long, in VARIANT"},
            {L"OnDoneDAE", 6, M, "in VARIANT_BOOL"},
            {L"OnDoneErase", 7, M, "in VARIANT_BOOL"},
            {L"OnDoneBurn", 8, M, "in VEXO_BURN_ERROR"},
            {L"OnAborted", 9, M, "inout VARIANT_BOOL*"},
            {L"OnDoneImport", 10, M, "in VARIANT_BOOL, in IVexoFolder*, in IVexoCDStamp*"},
            {L"OnMajorPhase", 11, M, "in long"},
            {L"OnSubTaskProgress", 12, M, "in long, inout VARIANT_BOOL*"},
            {L"OnDoneWaitForMedia", 13, M, "in long"},
            {L"OnDoneCDInfo", 14, M, "in IVexoCDInfo2*"},
            {L"OnDoneImport2", 15, M,
             "in VARIANT_BOOL, in IVexoFolder*, in IVexoCDStamp*, in IVexoImportDataTrackInfo*, "
             "in VEXO_IMPORT_DATA_TRACK_RESULT"},
            {L"OnDriveStatusChanged", 16, M, "in VEXO_DRIVESTATUS_RESULT"},
            {L"OnDoneEstimateTrackSize", 17, M, "in VARIANT_BOOL, in long"},
            {L"OnDoneBAOCreateHandle", 18, M, "in VEXO_BURN_ERROR"},
            {L"OnDoneBAOWriteToFile", 19, M, "in VEXO_BURN_ERROR, in long", {L"StatusCode", L"lNumberOfBytesWritten"}},
            {L"OnDoneBAOCloseHandle", 20, M, "in VEXO_BURN_ERROR"},
        }},

        // Collections, tracks, items.
        {IFACE(IVexoAudioTracks), nullptr, L"IDispatch", ObjectCollection("IVexoAudioTrack")},
        {IFACE(IVexoFreestyleTracks), nullptr, L"IDispatch", ObjectCollection("IVexoFreestyleTrack")},
        {IFACE(IVexoVideoItems), nullptr, L"IDispatch", ObjectCollection("IVexoVideoItem")},
        {IFACE(IVexoFiles), nullptr, L"IDispatch", ObjectCollection("IVexoFile")},
        {IFACE(IVexoFolders), nullptr, L"IDispatch", ObjectCollection("IVexoFolder")},
        {IFACE(IVexoRelativeIndexBlkPositions), nullptr, L"IDispatch", {
            {L"Item", 0, M, "in INT, retval long*", {L"Index"}},
            {L"Add", 1, M, "in long", {L"NewVal"}},
            {L"Count", 2, G, "retval long*"},
            {L"Remove", 3, M, "in INT", {L"Index"}},
            {L"_NewEnum", -4, G, "retval IUnknown**"},
        }},
        {IFACE(IVexoAudioTrack), nullptr, L"IDispatch", {
            {L"PauseInBlksBeforeThisTrack", 1, G, "retval long*"},
            {L"PauseInBlksBeforeThisTrack", 1, P, "in long"},
            {L"Artist", 2, G, "retval BSTR*"},
            {L"Artist", 2, P, "in BSTR"},
            {L"Title", 3, G, "retval BSTR*"},
            {L"Title", 3, P, "in BSTR"},
            {L"RelativeIndexBlkPositions", 4, G, "retval IVexoRelativeIndexBlkPositions**"},
            {L"LengthInBlocks", 5, G, "retval long*"},
            {L"LengthInBlocks", 5, P, "in long"},
            {L"TrackType", 6, G, "retval VEXO_AUDIO_TRACK_TYPE*"},
            {L"TrackType", 6, P, "in VEXO_AUDIO_TRACK_TYPE"},
            {L"Filename", 7, G, "retval BSTR*"},
            {L"Filename", 7, P, "in BSTR"},
            {L"Index0ContainsData", 8, G, "retval VARIANT_BOOL*"},
            {L"Index0ContainsData", 8, P, "in VARIANT_BOOL"},
        }},
        {IFACE(IVexoFreestyleTrack), nullptr, L"IDispatch", {
            {L"PauseInBlksBeforeThisTrack", 1, G, "retval long*"},
            {L"PauseInBlksBeforeThisTrack", 1, P, "in long"},
            {L"Artist", 2, G, "retval BSTR*"},
            {L"Artist", 2, P, "in BSTR"},
            {L"Title", 3, G, "retval BSTR*"},
            {L"Title", 3, P, "in BSTR"},
            {L"RelativeIndexBlkPositions", 4, G, "retval IVexoRelativeIndexBlkPositions**"},
            {L"LengthInBlocks", 5, G, "retval long*"},
            {L"LengthInBlocks", 5, P, "in long"},
            {L"TrackType", 6, G, "retval VEXO_FREESTYLE_TRACK_TYPE*"},
            {L"TrackType", 6, P, "in VEXO_FREESTYLE_TRACK_TYPE"},
            {L"Filename", 7, G, "retval BSTR*"},
            {L"Filename", 7, P, "in BSTR"},
            {L"SourceType", 8, G, "retval VEXO_FREESTYLE_SOURCE_TYPE*"},
            {L"SourceType", 8, P, "in VEXO_FREESTYLE_SOURCE_TYPE"},
        }},
        {IFACE(_IVexoAudioTrackEvents), nullptr, nullptr, {
            {L"OnReadAudioBurn", 1, M, "inout long*, inout VARIANT*", {L"Length", L"Data"}},
            {L"OnEOF", 2, M, "inout VARIANT_BOOL*", {L"Eof"}},
            {L"OnError", 3, M, "inout VARIANT_BOOL*", {L"Error"}},
        }},
        {IFACE(_IVexoFreestyleTrackEvents), nullptr, nullptr, {
            {L"OnReadFreestyleBurn", 1, M, "inout long*, inout VARIANT*", {L"Length", L"Data"}},
            {L"OnEOF", 2, M, "inout VARIANT_BOOL*", {L"Eof"}},
            {L"OnError", 3, M, "inout VARIANT_BOOL*", {L"Error"}},
        }},
        {IFACE(IVexoVideoItem), nullptr, L"IDispatch", {
            {L"PauseAfterItem", 1, G, "retval long*"},
            {L"PauseAfterItem", 1, P, "in long"},
            {L"SourceFileName", 2, G, "retval BSTR*"},
            {L"SourceFileName", 2, P, "in BSTR"},
            {L"ItemType", 3, G, "retval VEXO_VIDEO_ITEM_TYPE*"},
            {L"ItemType", 3, P, "in VEXO_VIDEO_ITEM_TYPE"},
        }},

        // File and folder tree, data track.
        {IFACE(IVexoFolder), nullptr, L"IDispatch", {
            {L"Name", 1, G, "retval BSTR*"},
            {L"Name", 1, P, "in BSTR"},
            {L"Folders", 2, G, "retval IVexoFolders**"},
            {L"Files", 3, G, "retval IVexoFiles**"},
        }},
        {IFACE(IVexoFile), nullptr, L"IDispatch", {
            {L"Name", 1, G, "retval BSTR*"},
            {L"Name", 1, P, "in BSTR"},
            {L"SourceFilePath", 2, G, "retval BSTR*"},
            {L"SourceFilePath", 2, P, "in BSTR"},
            {L"EntryTime", 3, G, "retval DATE*"},
            {L"EntryTime", 3, P, "in DATE"},
        }},
        {IFACE(IVexoISOTrack), nullptr, L"IDispatch", {
            {L"Name", 1, G, "retval BSTR*"},
            {L"Name", 1, P, "in BSTR"},
            {L"RootFolder", 2, G, "retval IVexoFolder**"},
            {L"RootFolder", 2, R, "in IVexoFolder*"},
            {L"BurnOptions", 3, G, "retval VEXO_BURN_OPTIONS*"},
            {L"BurnOptions", 3, P, "in VEXO_BURN_OPTIONS"},
        }},
        {IFACE(IVexoISOTrack2), nullptr, L"IVexoISOTrack", {
            {L"RootFolderWrapper", 4, G, "retval IVexoFolder**"},
            {L"RootFolderWrapper", 4, R, "in IVexoFolder*"},
            {L"SystemIdentifier", 5, G, "retval BSTR*"},
            {L"SystemIdentifier", 5, P, "in BSTR"},
            {L"VolumeSet", 6, G, "retval BSTR*"},
            {L"VolumeSet", 6, P, "in BSTR"},
            {L"Publisher", 7, G, "retval BSTR*"},
            {L"Publisher", 7, P, "in BSTR"},
            {L"DataPreparer", 8, G, "retval BSTR*"},
            {L"DataPreparer", 8, P, "in BSTR"},
            {L"Application", 9, G, "retval BSTR*"},
            {L"Application", 9, P, "in BSTR"},
            {L"Copyright", 10, G, "retval BSTR*"},
            {L"Copyright", 10, P, "in BSTR"},
            {L"Abstract", 11, G, "retval BSTR*"},
            {L"Abstract", 11, P, "in BSTR"},
            {L"Bibliographic", 12, G, "retval BSTR*"},
            {L"Bibliographic", 12, P, "in BSTR"},
        }},
        {IFACE(IVexoFileSystemTrackOptions), nullptr, L"IDispatch", {
            {L"CDStamp", 1, R, "in IVexoCDStamp*"},
            {L"MediaType", 2, P, "in VEXO_MEDIA_TYPE"},
            {L"BurnFlags", 3, P, "in VEXO_BURN_FLAGS"},
            {L"FileSystemDescContainer", 4, R, "in IVexoFileSystemDescContainer*"},
        }},
        {IFACE(IVexoImportDataTrackInfo), nullptr, L"IDispatch", {
            {L"VolumeName", 1, G, "retval BSTR*"},
        }},

        // File-system description model.
        {IFACE(IVexoFileSystemContent), nullptr, L"IDispatch", {
            {L"Name", 1, G, "retval BSTR*"},
            {L"Root", 2, G, "retval IVexoDirectory**"},
        }},
        {IFACE(IVexoFileSystemDescContainer), nullptr, L"IVexoFileSystemContent", {
            {L"Name2", 3, P, "in BSTR"},
            {L"RootDirectoryContainer", 4, G, "retval IVexoDirectoryContainer**"},
            {L"BurnOptions", 5, G, "retval VEXO_BURN_OPTIONS*"},
            {L"BurnOptions", 5, P, "in VEXO_BURN_OPTIONS"},
        }},
        {IFACE(IVexoDirectory), nullptr, L"IDispatch", ReadOnlyList("IVexoDirectoryEntry**")},
        {IFACE(IVexoDirectoryContainer), nullptr, L"IVexoDirectory", {
            {L"AddDirectory", 2, M, "in BSTR, in long, retval IVexoDirectoryContainer**",
             {L"bstrName", L"lDirectoryPriority"}},
            {L"AddFile", 3, M, "in BSTR, in IVexoFileProducer*, in INT, in INT, in INT, in INT, "
                               "retval IVexoDirectoryEntryContainer**",
             {L"bstrName", L"pProducer", L"iHiWordLength", L"iLoWordLength", L"iPriority", L"iDirectoryPriority"}},
            {L"AddFile2", 4, M, "in BSTR, in BSTR, in INT, in INT, retval IVexoDirectoryEntryContainer**",
             {L"bstrName", L"bstrSourcePath", L"iPriority", L"iDirectoryPriority"}},
            {L"RemoveEntry", 5, M, "in BSTR, retval BOOL*", {L"bstrName"}},
            {L"Entry", 6, M, "in BSTR, retval IVexoDirectoryEntryContainer**", {L"bstrName"}},
            {L"Entry2", 7, M, "in INT, retval IVexoDirectoryEntryContainer**", {L"iIndex"}},
            {L"SubDirectory", 8, M, "in BSTR, retval IVexoDirectoryContainer**", {L"bstrName"}},
        }},
        {IFACE(IVexoDirectoryEntry), nullptr, L"IDispatch", {
            {L"Name", 1, G, "retval BSTR*"},
            {L"SubDirectory", 2, G, "retval IVexoDirectory**"},
            {L"Content", 3, G, "inout IVexoFileContent**, retval VEXO_ENTRY_ERROR*"},
            {L"SourceFilePath", 4, G, "retval BSTR*"},
            {L"Size", 5, G, "out long*, retval long*"},
            {L"FilePriority", 6, G, "retval long*"},
            {L"DirOrder", 7, G, "retval long*"},
            {L"id", 8, G, "retval long*"},
            {L"DataStartSec", 9, G, "retval long*"},
        }},
        {IFACE(IVexoDirectoryEntryContainer), nullptr, L"IVexoDirectoryEntry", {
            {L"Size", 10, P, "in long, in long", {L"lHiWordSize"}},
            {L"Priority", 11, P, "in long"},
            {L"DirOrder", 12, P, "in long"},
            {L"DataStartSec", 13, P, "in long"},
            {L"FixedDataStartSec", 14, P, "in long"},
            {L"FileNumber", 15, P, "in long"},
            {L"id", 16, P, "in long"},
            {L"Flags", 17, P, "in VARIANT_BOOL, in long", {L"bEnable"}},
        }},
        {IFACE(IVexoFileContent), nullptr, L"IDispatch", {
            {L"Read", 1, M, "inout VARIANT*, in long, retval long*", {L"pVar", L"lLength"}},
            {L"EndOfFile", 2, G, "retval BOOL*"},
            {L"Error", 3, G, "retval BOOL*"},
        }},
        {IFACE(IVexoFileProducer), nullptr, L"IDispatch", {
            {L"id", 1, G, "retval long*"},
        }},
        {IFACE(_IVexoFileProducerEvents), nullptr, nullptr, {
            {L"OnProduceFile", 1, M, "inout long*, inout IVexoDataInputStream2**, inout VEXO_ENTRY_ERROR*",
             {L"id", L"pStream", L"pError"}},
        }},
        {IFACE(IVexoDataInputStream), nullptr, L"IDispatch", {
            {L"Write", 1, M, "in VARIANT, in long", {L"varBuffer", L"lSize"}},
        }},
        {IFACE(IVexoDataInputStream2), nullptr, L"IVexoDataInputStream", {
            {L"BurnAtOnceInfo", 2, G, "retval IVexoBurnAtOnceInfo**"},
        }},
        {IFACE(IVexoBurnAtOnceInfo), nullptr, L"IDispatch", {
            {L"Offset", 1, G, "retval long*"},
        }},

        // Block access and multisession information.
        {IFACE(IInt64), nullptr, L"IDispatch", {
            {L"HiPart", 1, G, "retval long*"},
            {L"HiPart", 1, P, "in long"},
            {L"LoPart", 2, G, "retval long*"},
            {L"LoPart", 2, P, "in long"},
        }},
        {IFACE(IVexoFSSecNo), nullptr, L"IInt64", {}},
        {IFACE(IVexoFileSystemBlockReader), nullptr, L"IDispatch", {
            {L"PartitionCount", 1, G, "retval INT*"},
            {L"PartitionInfo", 2, G, "in INT, retval IVexoFSPartitionInfo**", {L"iIndex"}},
            {L"PartitionInfoForSector", 3, G, "in IVexoFSSecNo*, retval IVexoFSPartitionInfo**", {L"pSecNo"}},
            {L"ReadSectorsBuffered", 4, M,
             "inout VARIANT*, in IVexoFSSecNo*, in IVexoFSSecNo*, inout IVexoFSSecNo**, retval VexoFSError*",
             {L"pvarBuffer", L"pStartSector", L"pNoSectors", L"ppNoSectorsRead"}},
            {L"ReadSectorsUnBuffered", 5, M,
             "inout VARIANT*, in IVexoFSSecNo*, in IVexoFSSecNo*, inout IVexoFSSecNo**, retval VexoFSError*",
             {L"pvarBuffer", L"pStartSector", L"pNoSectors", L"ppNoSectorsRead"}},
        }},
        {IFACE(IVexoFileSystemBlockWriter), nullptr, L"IVexoFileSystemBlockReader", {
            {L"WriteSectorsBuffered", 6, M,
             "in VARIANT*, in IVexoFSSecNo*, in IVexoFSSecNo*, inout IVexoFSSecNo**, retval VexoFSError*",
             {L"pvarBuffer", L"pStartSector", L"pNoSectors", L"ppNoSectorsWritten"}},
            {L"WriteSectorsUnBuffered", 7, M,
             "in VARIANT*, in IVexoFSSecNo*, in IVexoFSSecNo*, inout IVexoFSSecNo**, retval VexoFSError*",
             {L"pvarBuffer", L"pStartSector", L"pNoSectors", L"ppNoSectorsWritten"}},
            {L"FlushSectorCache", 8, M, ""},
        }},
        {IFACE(IVexoFSPartitionInfo), nullptr, L"IDispatch", {
            {L"PartitionNumber", 1, G, "retval long*"},
            {L"PartitionStart", 2, G, "retval IVexoFSSecNo**"},
            {L"PartitionSize", 3, G, "retval IVexoFSSecNo**"},
            {L"PartitionType", 4, G, "retval VexoFSTrackType*"},
            {L"SectorSize", 5, G, "retval long*"},
        }},
        {IFACE(IVexoVMSInfo), nullptr, L"IDispatch", {
            {L"Item", 0, M, "in INT, retval IVexoVMSSession**"},
            {L"Count", 1, G, "retval long*"},
            {L"_NewEnum", -4, G, "retval IUnknown**"},
            {L"NextWritableAddress", 2, G, "retval long*"},
        }},
        {IFACE(IVexoVMSSession), nullptr, L"IDispatch", {
            {L"SessionName", 1, G, "retval BSTR*"},
            {L"CreationTime", 2, G, "retval DATE*"},
            {L"NextWritableAddress", 3, G, "retval long*"},
        }},
    };
    return table;
}

const Iface* ByName(const std::wstring& name) {
    for (const auto& i : Interfaces())
        if (name == i.name) return &i;
    return nullptr;
}

// Vtable slot of an interface's first own member: IDispatch's seven, then
// every member of the chain above it.
int FirstSlot(const Iface& iface) {
    if (!iface.base || std::wstring(iface.base) == L"IDispatch") return 7;
    const Iface* base = ByName(iface.base);
    return base ? FirstSlot(*base) + static_cast<int>(base->members.size()) : -1000;
}

// ---- the library itself ------------------------------------------------------

TEST_F(TypeLibTest, LibraryIdentityIsVexoLib13InUsEnglish) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib_->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(GuidText(attr->guid), L"{C6E033E3-925F-11D4-8214-420BF9000000}");
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 3);
    EXPECT_EQ(attr->lcid, 1033u);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_VEXOLib));
    lib_->ReleaseTLibAttr(attr);

    bstr name, help;
    ASSERT_EQ(lib_->GetDocumentation(-1, name.put(), help.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(name.str(), L"VEXOLib");
    EXPECT_EQ(help.str(), L"Vexo 1.3 Type Library");
}

// Once the library is registered (as the server registers it), clients
// find the same one by LIBID and version.
// The prefix is left as it was found.
TEST_F(TypeLibTest, RegisteredLibraryIsTheSameWhenRegistered) {
    com_ptr<ITypeLib> registered;
    const bool registeredBefore = SUCCEEDED(LoadRegTypeLib(LIBID_VEXOLib, 1, 3, 1033, registered.put()));
    if (!registeredBefore) {
        com_ptr<ITypeLib> registering;
        ASSERT_EQ(LoadTypeLibEx(TypeLibPath().c_str(), REGKIND_REGISTER, registering.put()), S_OK);
        ASSERT_EQ(LoadRegTypeLib(LIBID_VEXOLib, 1, 3, 1033, registered.put()), S_OK);
    }
    ASSERT_TRUE(registered);
    struct Restore {
        bool unregister;
        ~Restore() {
            if (unregister) UnRegisterTypeLib(LIBID_VEXOLib, 1, 3, LOCALE_NEUTRAL, SYS_WIN32);
        }
    } restore{!registeredBefore};
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(registered->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_VEXOLib));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 3);
    registered->ReleaseTLibAttr(attr);
    EXPECT_EQ(registered->GetTypeInfoCount(), lib_->GetTypeInfoCount());
    com_ptr<ITypeInfo> engine;
    EXPECT_EQ(registered->GetTypeInfoOfGuid(__uuidof(IVexo4), engine.put()), S_OK);
}

TEST_F(TypeLibTest, PrivateSetupAndForwarderInterfacesAreNotDescribed) {
    for (const GUID& hidden : {__uuidof(IVexoSetup), __uuidof(__IVexoEvents__), __uuidof(__IVexoDriveEvents__),
                               __uuidof(IVexoForwarderPrivate), __uuidof(__IVexoAudioTrackEvents__),
                               __uuidof(__IVexoFreestyleTrackEvents__), __uuidof(__IVexoFileProducerEvents__)}) {
        com_ptr<ITypeInfo> info;
        EXPECT_EQ(lib_->GetTypeInfoOfGuid(hidden, info.put()), TYPE_E_ELEMENTNOTFOUND) << Narrow(GuidText(hidden));
    }
    EXPECT_TRUE(IsEqualGUID(__uuidof(IVexoSetup), GuidOf(L"{328342D2-0135-4CF6-BC48-FB969F769B51}")));
    com_ptr<ITypeInfo> byName;
    EXPECT_EQ(FindByName(L"IVexoSetup", byName), nullptr);
}

// ---- interfaces ---------------------------------------------------------------

TEST_F(TypeLibTest, EveryInterfaceHasItsIdentifierKindAndBase) {
    for (const auto& iface : Interfaces()) {
        SCOPED_TRACE(Narrow(iface.name));
        if (iface.given) {
            EXPECT_EQ(GuidText(iface.iid), iface.given);
        }
        com_ptr<ITypeInfo> info;
        ASSERT_NE(Find(iface.iid, info), nullptr);
        bstr name;
        info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
        EXPECT_EQ(name.str(), iface.name);

        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
        const bool dual = (attr->wTypeFlags & TYPEFLAG_FDUAL) != 0;
        EXPECT_EQ(dual, iface.base != nullptr) << "dual interfaces are exactly those with a vtable base";
        info->ReleaseTypeAttr(attr);
        if (!dual) continue;

        // The vtable view and its base.
        HREFTYPE ref = 0;
        com_ptr<ITypeInfo> vtbl, base;
        ASSERT_EQ(info->GetRefTypeOfImplType(-1, &ref), S_OK);
        ASSERT_EQ(info->GetRefTypeInfo(ref, vtbl.put()), S_OK);
        ASSERT_EQ(vtbl->GetRefTypeOfImplType(0, &ref), S_OK);
        ASSERT_EQ(vtbl->GetRefTypeInfo(ref, base.put()), S_OK);
        bstr baseName;
        base->GetDocumentation(MEMBERID_NIL, baseName.put(), nullptr, nullptr, nullptr);
        EXPECT_EQ(baseName.str(), iface.base);
        ASSERT_EQ(vtbl->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
        vtbl->ReleaseTypeAttr(attr);
    }
}

// Every member in vtable order: name, dispatch id, invoke kind, slot, and
// parameters with their types and directions.
TEST_F(TypeLibTest, EveryMemberMatchesTheInterfaceTables) {
    for (const auto& iface : Interfaces()) {
        SCOPED_TRACE(Narrow(iface.name));
        com_ptr<ITypeInfo> disp, vtbl;
        ASSERT_NE(Find(iface.iid, disp), nullptr);
        ITypeInfo* view = disp.p;
        if (iface.base) {
            HREFTYPE ref = 0;
            ASSERT_EQ(disp->GetRefTypeOfImplType(-1, &ref), S_OK);
            ASSERT_EQ(disp->GetRefTypeInfo(ref, vtbl.put()), S_OK);
            view = vtbl.p;
        }
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(view->GetTypeAttr(&attr), S_OK);
        const UINT count = attr->cFuncs;
        view->ReleaseTypeAttr(attr);
        ASSERT_EQ(count, iface.members.size());

        const int first = FirstSlot(iface);
        for (UINT i = 0; i < count; ++i) {
            const Member& want = iface.members[i];
            SCOPED_TRACE(Narrow(want.name) + " #" + std::to_string(i));
            FUNCDESC* fd = nullptr;
            ASSERT_EQ(view->GetFuncDesc(i, &fd), S_OK);
            bstr name;
            view->GetDocumentation(fd->memid, name.put(), nullptr, nullptr, nullptr);
            EXPECT_EQ(name.str(), want.name);
            EXPECT_EQ(fd->memid, want.dispid);
            EXPECT_EQ(fd->invkind, want.kind);
            EXPECT_EQ(Signature(view, fd), Canonical(want.params));
            if (iface.base) {
                EXPECT_EQ(fd->funckind, FUNC_PUREVIRTUAL);
                EXPECT_EQ(fd->oVft, static_cast<SHORT>((first + static_cast<int>(i)) * sizeof(void*)));
                EXPECT_EQ(fd->elemdescFunc.tdesc.vt, VT_HRESULT);
            } else {
                EXPECT_EQ(fd->funckind, FUNC_DISPATCH);
                EXPECT_EQ(fd->elemdescFunc.tdesc.vt, VT_VOID);
            }
            if (!want.names.empty()) {
                // Property puts list the names of the leading arguments only.
                auto names = ParamNames(view, fd);
                ASSERT_GE(names.size(), want.names.size());
                names.resize(want.names.size());
                EXPECT_EQ(names, want.names);
            }
            view->ReleaseFuncDesc(fd);
        }
    }
}

// Scripts reach members by name through the dispatch view.
TEST_F(TypeLibTest, DispatchNamesResolveToTheirIds) {
    for (const auto& iface : Interfaces()) {
        com_ptr<ITypeInfo> disp;
        ASSERT_NE(Find(iface.iid, disp), nullptr);
        std::set<std::wstring> seen;
        for (const Member& m : iface.members) {
            if (!seen.insert(m.name).second) continue;
            // A name whose get and put carry different ids resolves to one of them.
            bool split = false;
            for (const Member& other : iface.members)
                split |= (std::wstring(other.name) == m.name && other.dispid != m.dispid);
            if (split) continue;
            std::wstring text = m.name;
            LPOLESTR names[] = {text.data()};
            MEMBERID id = 0;
            EXPECT_EQ(disp->GetIDsOfNames(names, 1, &id), S_OK) << Narrow(iface.name) << "." << Narrow(m.name);
            EXPECT_EQ(id, m.dispid) << Narrow(iface.name) << "." << Narrow(m.name);
        }
    }
}

// ---- classes -----------------------------------------------------------------------

struct Class {
    const wchar_t* name;
    GUID clsid;
    const wchar_t* given;
    const wchar_t* defaultInterface;
    const wchar_t* source;   // default source interface, or nullptr
    bool creatable;
    std::vector<const wchar_t*> others{};
};

#define CLASS(n) L## #n, __uuidof(n)

const std::vector<Class>& Classes() {
    static const std::vector<Class> table = {
        {CLASS(Vexo), L"{F3FBC8E5-93A3-11D4-8217-A85459000000}", L"IVexo4", L"_IVexoEvents", true},
        {CLASS(VexoDrive), L"{F3FBC8E7-93A3-11D4-8217-A85459000000}", L"IVexoDrive5", L"_IVexoDriveEvents", false},
        {CLASS(VexoDrives), L"{79CC890B-1C0E-4EEF-B384-BFC67C162DB1}", L"IVexoDrives", nullptr, false},
        {CLASS(VexoSpeeds), L"{281A747A-D376-42CC-8236-4B9D5E29B221}", L"IVexoSpeeds", nullptr, false},
        {CLASS(VexoCDInfo), L"{CA411AA5-CF77-4AA2-B7B7-2BB6C1619307}", L"IVexoCDInfo2", nullptr, false, {L"IVexoCDInfo"}},
        {CLASS(VexoTracks), L"{A6F0E539-EF63-4F30-A03D-91C10C02D5A1}", L"IVexoTracks", nullptr, false},
        {CLASS(VexoTrack), L"{EA003599-6504-4635-9688-7AD9BB58F6D6}", L"IVexoTrack2", nullptr, false, {L"IVexoTrack"}},
        {CLASS(VexoCDStamp), L"{B899ED98-6ADE-4D61-B80F-D7A671F9E65F}", L"IVexoCDStamp", nullptr, false},
        {CLASS(VexoOverburnInfo), L"{3632F067-52FD-4BF2-839B-449B0A725569}", L"IVexoOverburnInfo", nullptr, false},
        {CLASS(VexoDlgMessageBox), L"{A9A28B06-95C0-4A5D-B5DF-2A332504F711}", L"IVexoDlgMessageBox", nullptr, false},

        {CLASS(VexoAudioTracks), nullptr, L"IVexoAudioTracks", nullptr, true},
        {CLASS(VexoFreestyleTracks), nullptr, L"IVexoFreestyleTracks", nullptr, true},
        {CLASS(VexoVideoItems), nullptr, L"IVexoVideoItems", nullptr, true},
        {CLASS(VexoRelativeIndexBlkPositions), nullptr, L"IVexoRelativeIndexBlkPositions", nullptr, false},
        {CLASS(VexoFiles), nullptr, L"IVexoFiles", nullptr, false},
        {CLASS(VexoFolders), nullptr, L"IVexoFolders", nullptr, false},
        {CLASS(VexoAudioTrack), nullptr, L"IVexoAudioTrack", L"_IVexoAudioTrackEvents", true},
        {CLASS(VexoFreestyleTrack), nullptr, L"IVexoFreestyleTrack", L"_IVexoFreestyleTrackEvents", true},
        {CLASS(VexoVideoItem), nullptr, L"IVexoVideoItem", nullptr, true},
        {CLASS(VexoFile), nullptr, L"IVexoFile", nullptr, true},
        {CLASS(VexoFolder), nullptr, L"IVexoFolder", nullptr, true},
        {CLASS(VexoISOTrack), nullptr, L"IVexoISOTrack2", nullptr, true, {L"IVexoISOTrack"}},
        {CLASS(VexoFileSystemTrackOptions), nullptr, L"IVexoFileSystemTrackOptions", nullptr, true},
        {CLASS(VexoImportDataTrackInfo), nullptr, L"IVexoImportDataTrackInfo", nullptr, false},
        {CLASS(VexoFileSystemDescContainer), nullptr, L"IVexoFileSystemDescContainer", nullptr, true,
         {L"IVexoFileSystemContent"}},
        {CLASS(VexoDirectoryContainer), nullptr, L"IVexoDirectoryContainer", nullptr, false, {L"IVexoDirectory"}},
        {CLASS(VexoDirectoryEntryContainer), nullptr, L"IVexoDirectoryEntryContainer", nullptr, false,
         {L"IVexoDirectoryEntry"}},
        {CLASS(VexoFileContent), nullptr, L"IVexoFileContent", nullptr, false},
        {CLASS(VexoFileProducer), nullptr, L"IVexoFileProducer", L"_IVexoFileProducerEvents", true},
        {CLASS(VexoDataInputStream), nullptr, L"IVexoDataInputStream2", nullptr, false, {L"IVexoDataInputStream"}},
        {CLASS(VexoBurnAtOnceInfo), nullptr, L"IVexoBurnAtOnceInfo", nullptr, false},
        {CLASS(VexoFSSecNo), nullptr, L"IVexoFSSecNo", nullptr, true, {L"IInt64"}},
        {CLASS(VexoFileSystemBlock), nullptr, L"IVexoFileSystemBlockWriter", nullptr, false,
         {L"IVexoFileSystemBlockReader"}},
        {CLASS(VexoFSPartitionInfo), nullptr, L"IVexoFSPartitionInfo", nullptr, false},
        {CLASS(VexoVMSInfo), nullptr, L"IVexoVMSInfo", nullptr, false},
        {CLASS(VexoVMSSession), nullptr, L"IVexoVMSSession", nullptr, false},
    };
    return table;
}

TEST_F(TypeLibTest, EveryClassHasItsIdentifierInterfacesAndCreatability) {
    int creatable = 0;
    for (const auto& cls : Classes()) {
        SCOPED_TRACE(Narrow(cls.name));
        if (cls.given) {
            EXPECT_EQ(GuidText(cls.clsid), cls.given);
        }
        com_ptr<ITypeInfo> info;
        ASSERT_NE(Find(cls.clsid, info), nullptr);
        bstr name;
        info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
        EXPECT_EQ(name.str(), cls.name);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(attr->typekind, TKIND_COCLASS);
        EXPECT_EQ((attr->wTypeFlags & TYPEFLAG_FCANCREATE) != 0, cls.creatable);
        creatable += cls.creatable;
        const UINT impl = attr->cImplTypes;
        info->ReleaseTypeAttr(attr);

        std::wstring defaultIface, source;
        std::set<std::wstring> others;
        for (UINT i = 0; i < impl; ++i) {
            INT flags = 0;
            HREFTYPE ref = 0;
            com_ptr<ITypeInfo> type;
            ASSERT_EQ(info->GetImplTypeFlags(i, &flags), S_OK);
            ASSERT_EQ(info->GetRefTypeOfImplType(i, &ref), S_OK);
            ASSERT_EQ(info->GetRefTypeInfo(ref, type.put()), S_OK);
            bstr implName;
            type->GetDocumentation(MEMBERID_NIL, implName.put(), nullptr, nullptr, nullptr);
            const bool isDefault = flags & IMPLTYPEFLAG_FDEFAULT, isSource = flags & IMPLTYPEFLAG_FSOURCE;
            if (isDefault && isSource) source = implName.str();
            else if (isDefault) defaultIface = implName.str();
            else others.insert(implName.str());
        }
        EXPECT_EQ(defaultIface, cls.defaultInterface);
        EXPECT_EQ(source, cls.source ? cls.source : L"");
        EXPECT_EQ(others, std::set<std::wstring>(cls.others.begin(), cls.others.end()));
    }
    EXPECT_EQ(creatable, 14);
}

TEST_F(TypeLibTest, NothingBeyondTheTablesIsDescribed) {
    std::set<std::wstring> known;
    for (const auto& i : Interfaces()) known.insert(i.name);
    for (const auto& c : Classes()) known.insert(c.name);
    const UINT count = lib_->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        TYPEKIND kind{};
        lib_->GetTypeInfoType(i, &kind);
        if (kind == TKIND_ENUM || kind == TKIND_ALIAS) continue;
        bstr name;
        lib_->GetDocumentation(static_cast<INT>(i), name.put(), nullptr, nullptr, nullptr);
        EXPECT_TRUE(known.count(name.str())) << Narrow(name.str());
        // Every interface described is either dual or a dispinterface.
        if (kind == TKIND_INTERFACE) ADD_FAILURE() << "plain vtable interface " << Narrow(name.str());
    }
}

// ---- enumerations ------------------------------------------------------------------

struct Enumeration {
    const wchar_t* name;
    std::vector<std::pair<const wchar_t*, LONG>> values;  // names and values the interface fixes
    std::vector<LONG> valuesOnly{};                       // values whose names are the server's own
};

const std::vector<Enumeration>& Enumerations() {
    static const std::vector<Enumeration> table = {
        {L"VEXO_LAST_ERRORS_FLAGS", {{L"VEXO_LAST_ERRORS_FLAG_ALL", 1}, {L"VEXO_LAST_ERRORS_FLAG_REPORT", 2}}},
        {L"VEXO_DRIVE_ERROR", {{L"VDE_NO_ERROR", 0}, {L"VDE_GENERIC_ERROR", 1}, {L"VDE_DRIVE_IN_USE", 2},
                               {L"VDE_DRIVE_NOT_READY", 3}, {L"VDE_NO_DRIVE", 4}, {L"VDE_DISC_NOT_PRESENT", 5},
                               {L"VDE_DISC_NOT_PRESENT_TRAY_OPEN", 6}, {L"VDE_DISC_NOT_PRESENT_TRAY_CLOSED", 7}}},
        {L"VEXO_MEDIA_TYPE", {}},
        {L"VEXO_CAPABILITIES", {}},
        {L"VEXO_DRIVECHANGE_RESULT", {{L"VDR_DRIVE_REMOVED", 4}, {L"VDR_DRIVE_ADDED", 5}}},
        {L"VEXO_DRIVESTATUS_RESULT", {{L"VDR_DRIVE_IN_USE", 0}, {L"VDR_DRIVE_NOT_IN_USE", 1},
                                      {L"VDR_DISC_REMOVED", 2}, {L"VDR_DISC_INSERTED", 3}}},
        {L"VEXO_DRIVESTATUS_TYPE", {{L"VDT_DISC_CHANGE", 0}, {L"VDT_IN_USE_CHANGE", 1}}},
        {L"VEXO_SCSI_DEVTYPE", {}, {0, 1, 2, 3}},
        {L"VEXO_ACCESSTYPE", {{L"VEXO_ACCESSTYPE_WRITE", 0}, {L"VEXO_ACCESSTYPE_READ", 1}}},
        {L"VEXO_ERASE_MODE", {}, {0, 1, 2}},
        {L"VEXO_CDINFO_FLAGS", {{L"VEXO_READ_CD_TEXT", 1}, {L"VEXO_READ_ISRC", 2}, {L"VEXO_USE_HDB", 4}}},
        {L"VEXO_CDINFO_MEDIUM_FLAGS", {{L"VCDIMF_VIRTUALMULTISESSION", 1}, {L"VCDIMF_HDB_SUPPORTED", 2}}},
        {L"VEXO_TRACK_TYPE", {}, {0, 1, 2}},
        {L"VEXO_WAITFORDISC_FLAGS", {{L"VEXO_REQUIRE_EMPTY_DISC", 1}}},
        {L"VEXO_DEVICE_OPTION", {{L"VEXO_DEVICE_OPTION_BOOKTYPE_DVDROM", 0}, {L"VEXO_DEVICE_OPTION_LAYERSWITCH", 1},
                                 {L"VEXO_DEVICE_OPTION_BOOKTYPE_DVDROM_NEXT_WRITE", 2},
                                 {L"VEXO_DEVICE_OPTION_BREAK_LAYER", 3}}},
        {L"VEXO_BURN_FLAGS", {{L"VEXO_BURN_FLAG_SPEED_TEST", 1}, {L"VEXO_BURN_FLAG_SIMULATE", 2},
                              {L"VEXO_BURN_FLAG_WRITE", 4}, {L"VEXO_BURN_FLAG_DAO", 8},
                              {L"VEXO_BURN_FLAG_CLOSE_SESSION", 16}, {L"VEXO_BURN_FLAG_CD_TEXT", 32},
                              {L"VEXO_BURN_FLAG_BUF_UNDERRUN_PROT", 64}, {L"VEXO_BURN_FLAG_DISABLE_ABORT", 128},
                              {L"VEXO_BURN_FLAG_DETECT_NON_EMPTY_CDRW", 256}, {L"VEXO_BURN_FLAG_DISABLE_EJECT", 512},
                              {L"VEXO_BURN_FLAG_VERIFY", 1024}, {L"VEXO_BURN_FLAG_SPEED_IN_KBS", 2048},
                              {L"VEXO_BURN_FLAG_DVDP_BURN_30MM_AT_LEAST", 4096},
                              {L"VEXO_BURN_FLAG_CD_TEXT_IS_JAPANESE", 8192},
                              {L"VEXO_BURN_FLAG_BOOKTYPE_DVDROM", 16384},
                              {L"VEXO_BURN_FLAG_NO_BOOKTYPE_CHANGE", 32768}}},
        {L"VEXO_BURN_ERROR", {{L"VEXO_BURN_OK", 0}, {L"VEXO_BURN_UNKNOWN_CD_FORMAT", 1},
                              {L"VEXO_BURN_INVALID_DRIVE", 2}, {L"VEXO_BURN_FAILED", 3},
                              {L"VEXO_BURN_FUNCTION_NOT_ALLOWED", 4}, {L"VEXO_BURN_DRIVE_NOT_ALLOWED", 5},
                              {L"VEXO_BURN_USER_ABORT", 6}, {L"VEXO_BURN_BAD_MESSAGE_FILE", 7}}},
        {L"VEXO_VIDEO_RESOLUTION", {}, {0, 1}},
        {L"VEXO_IMPORT_ISO_TRACK_FLAGS", {{L"VEXO_IMPORT_ROCKRIDGE", 1}, {L"VEXO_IMPORT_ISO_ONLY", 2},
                                          {L"VEXO_PREFER_ROCKRIDGE", 4}, {L"VEXO_IMPORT_UDF", 8},
                                          {L"VEXO_IMPORT_VMS_SESSION", 16}}},
        {L"VEXO_IMPORT_DATA_TRACK_RESULT", {{L"VIDTR_NO_ERROR", 0}, {L"VIDTR_GENERIC_ERROR", 1},
                                            {L"VIDTR_DRIVE_ERROR", 2}, {L"VIDTR_READ_ERROR", 3},
                                            {L"VIDTR_INVALID_FS", 4}, {L"VIDTR_INVALID_TRACKNUMBER", 5}}},
        {L"VEXO_ESTIMATE_FLAGS", {{L"VETS_FILESYSTEM_OVERHEAD", 1}, {L"VETS_DATA", 2}, {L"VETS_EXACT_SIZE", 4}}},
        {L"VEXO_RESPONSE", {{L"VEXO_RETURN_EXIT", 0}, {L"VEXO_RETURN_FALSE", 0}, {L"VEXO_RETURN_TRUE", 1},
                            {L"VEXO_RETURN_ON_RESTART", 3}, {L"VEXO_RETURN_RESTART", 4},
                            {L"VEXO_RETURN_CONTINUE", 5}, {L"VEXO_RETURN_INSTALL_DRIVER", 8},
                            {L"VEXO_RETURN_OFF_RESTART", 9}, {L"VEXO_RETURN_NOT_HANDLED", -1},
                            {L"VEXO_RETURN_OK", -8}, {L"VEXO_RETURN_YES", -7}, {L"VEXO_RETURN_RETRY", -6},
                            {L"VEXO_RETURN_IGNORE", -5}, {L"VEXO_RETURN_NO", -4}, {L"VEXO_RETURN_CANCEL", -3},
                            {L"VEXO_RETURN_ABORT", -2}}},
        {L"VEXODLG_MESSAGE_TYPE", {{L"VDMT_OK", 0}, {L"VDMT_YESNO", 1}, {L"VDMT_OKCANCEL", 2},
                                   {L"VDMT_RETRYCANCEL", 3}, {L"VDMT_ABORTRETRYIGNORE", 4},
                                   {L"VDMT_YESNOCANCEL", 5}}},
        {L"VEXODLG_ICON_TYPE", {{L"VDIT_INFO", 0}, {L"VDIT_WARNING", 1}, {L"VDIT_ERROR", 2}, {L"VDIT_QUESTION", 3}}},
        {L"VEXO_WAITCD_TYPE", {{L"VEXO_WAITCD_WRITE", 0}, {L"VEXO_WAITCD_SIMULATION", 1},
                               {L"VEXO_WAITCD_AUTOEJECTLOAD", 2}, {L"VEXO_WAITCD_REINSERT", 3},
                               {L"VEXO_WAITCD_NEXTCD", 4}, {L"VEXO_WAITCD_ORIGINAL", 5},
                               {L"VEXO_WAITCD_WRITEPROTECTED", 6}, {L"VEXO_WAITCD_NOTENOUGHSPACE", 7},
                               {L"VEXO_WAITCD_NEWORIGINAL", 8}, {L"VEXO_WAITCD_EMPTYCD", 9},
                               {L"VEXO_WAITCD_WRITE_EMPTY", 10}, {L"VEXO_WAITCD_SIMULATION_EMPTY", 11},
                               {L"VEXO_WAITCD_WRITEWAVE", 12}, {L"VEXO_WAITCD_MULTISESSION", 13},
                               {L"VEXO_WAITCD_MULTISESSION_SIM", 14}, {L"VEXO_WAITCD_MULTI_REINSERT", 15},
                               {L"VEXO_WAITCD_DISCINFOS_FAILED", 16}, {L"VEXO_WAITCD_MEDIUM_UNSUPPORTED", 17},
                               {L"VEXO_WAITCD_AUTOEJECTLOAD_VER", 18}, {L"VEXO_WAITCD_REINSERT_VER", 19},
                               {L"VEXO_WAITCD_NOFORMAT", 20}, {L"VEXO_WAITCD_WRONG_MEDIUM", 21},
                               {L"VEXO_WAITCD_WAITING", 22}, {L"VEXO_WAITCD_EMPTYCDRW", 23},
                               {L"VEXO_WAITCD_NOTENOUGHSPACERW", 24}, {L"VEXO_WAITCD_NOTENOUGHSPACE_80MIN", 25},
                               {L"VEXO_WAITCD_MAX", 26}}},
        {L"VEXO_AUDIO_TRACK_TYPE", {{L"VEXO_AUDIO_TRACK_FILE_WAV", 0}, {L"VEXO_AUDIO_TRACK_THROUGH_EVENT", 1},
                                    {L"VEXO_AUDIO_TRACK_FILE_MP3", 2}, {L"VEXO_AUDIO_TRACK_FILE_WMA", 3}}},
        {L"VEXO_FREESTYLE_TRACK_TYPE", {{L"VEXO_FREESTYLE_TRACK_MODE1", 0}, {L"VEXO_FREESTYLE_TRACK_MODE2_FORM1", 1},
                                        {L"VEXO_FREESTYLE_TRACK_AUDIO", 2}}},
        {L"VEXO_FREESTYLE_SOURCE_TYPE", {{L"VEXO_FREESTYLE_SOURCE_FILE", 0}, {L"VEXO_FREESTYLE_SOURCE_EVENT", 1}}},
        {L"VEXO_VIDEO_ITEM_TYPE", {{L"VEXO_MPEG_ITEM", 0}, {L"VEXO_JPEG_ITEM", 1},
                                   {L"VEXO_NONENCODED_VIDEO_ITEM", 2}}},
        {L"VEXO_BURN_OPTIONS", {{L"VEXO_BURN_OPTION_USE_JOLIET", 1}, {L"VEXO_BURN_OPTION_USE_MODE2", 2},
                                {L"VEXO_BURN_OPTION_USE_ROCKRIDGE", 4}, {L"VEXO_BURN_OPTION_CREATE_ISO_FS", 8},
                                {L"VEXO_BURN_OPTION_CREATE_UDF_FS", 16}, {L"VEXO_BURN_OPTION_CREATE_HFS_FS", 32},
                                {L"VEXO_BURN_OPTION_DVDVIDEO_REALLOC", 64}, {L"VEXO_BURN_OPTION_USE_ALLSPACE", 512},
                                {L"VEXO_BURN_OPTION_RELAX_JOLIET", 8192}, {L"VEXO_BURN_OPTION_DVDVIDEO_CMPT", 16384}}},
        {L"VEXO_BAO_FLAGS", {{L"VBAOF_DEFAULT", 0}, {L"VBAOF_CANCELED", 1}, {L"VBAOF_FAILED", 2}}},
        {L"VEXO_ENTRY_ERROR", {{L"VEXO_ENTRY_NO_ERROR", 0}, {L"VEXO_ENTRY_SEQUENCING_ERROR", 1},
                               {L"VEXO_ENTRY_ERROR_NOT_A_FILE", 2}, {L"VEXO_ENTRY_NOT_AVAILABLE", 3},
                               {L"VEXO_ENTRY_INTERFACE_ERROR", 4}, {L"VEXO_ENTRY_FEATURE_NOT_AVAILABLE", 5}}},
        {L"AccessMode", {{L"eNoWriting", 0}, {L"ePacketWriting", 1}, {L"eManagedMRW", 2}, {L"eRawMRW", 4},
                         {L"eIllegalAccessMode", -1}}},
        {L"ImageAccessMode", {{L"eIAReadOnly", 0}, {L"eIAReadWrite", 1}, {L"eIAIllegalAccessMode", -1}}},
        {L"VexoFSTrackType", {{L"vtData", 0}, {L"vtAudio", 1}}},
        {L"VexoFSError", {{L"errOK", 0}, {L"errEndOfDir", 1}, {L"errEndOfFile", 2}, {L"errReadError", 3},
                          {L"errInvalidFS", 4}, {L"errNoDirectory", 5}, {L"errNoFile", 6}, {L"errNotSupported", 7},
                          {L"errIllegalArgument", 8}, {L"errWriteError", 9}, {L"errInternalError", 10},
                          {L"errFileLocked", 11}}},
    };
    return table;
}

// The enumeration type info of a name: the enum itself or behind an alias.
ITypeInfo* EnumNamed(ITypeLib* lib, const std::wstring& name, com_ptr<ITypeInfo>& out) {
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        bstr n;
        lib->GetDocumentation(static_cast<INT>(i), n.put(), nullptr, nullptr, nullptr);
        if (n.str() != name) continue;
        com_ptr<ITypeInfo> info;
        if (FAILED(lib->GetTypeInfo(i, info.put()))) continue;
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        const TYPEKIND kind = attr->typekind;
        const TYPEDESC alias = attr->tdescAlias;
        info->ReleaseTypeAttr(attr);
        if (kind == TKIND_ENUM) {
            out.put();
            std::swap(out.p, info.p);
            return out.p;
        }
        if (kind == TKIND_ALIAS && alias.vt == VT_USERDEFINED) {
            info->GetRefTypeInfo(alias.hreftype, out.put());
            return out.p;
        }
    }
    return nullptr;
}

TEST_F(TypeLibTest, EveryEnumerationHasItsNamesAndValues) {
    for (const auto& e : Enumerations()) {
        SCOPED_TRACE(Narrow(e.name));
        com_ptr<ITypeInfo> info;
        ASSERT_NE(EnumNamed(lib_, e.name, info), nullptr);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        const UINT count = attr->cVars;
        info->ReleaseTypeAttr(attr);
        std::map<std::wstring, LONG> found;
        std::vector<LONG> values;
        for (UINT i = 0; i < count; ++i) {
            VARDESC* vd = nullptr;
            ASSERT_EQ(info->GetVarDesc(i, &vd), S_OK);
            ASSERT_EQ(vd->varkind, VAR_CONST);
            VARIANT v;
            VariantInit(&v);
            ASSERT_EQ(VariantChangeType(&v, vd->lpvarValue, 0, VT_I4), S_OK);
            bstr name;
            info->GetDocumentation(vd->memid, name.put(), nullptr, nullptr, nullptr);
            found[name.str()] = V_I4(&v);
            values.push_back(V_I4(&v));
            info->ReleaseVarDesc(vd);
        }
        EXPECT_GT(count, 0u);
        if (!e.values.empty()) {
            EXPECT_EQ(count, e.values.size());
            for (const auto& [name, value] : e.values) {
                ASSERT_TRUE(found.count(name)) << Narrow(name);
                EXPECT_EQ(found[name], value) << Narrow(name);
            }
        }
        if (!e.valuesOnly.empty()) {
            EXPECT_EQ(values, e.valuesOnly);
        }
    }
}

// Every enumeration used in a member signature is one the library describes.
TEST_F(TypeLibTest, SignaturesUseOnlyDescribedTypes) {
    std::set<std::string> known = {"long", "INT", "short", "BSTR", "VARIANT_BOOL", "VARIANT", "DATE",
                                   "IUnknown", "void", "ULONG", "byte"};
    for (const auto& i : Interfaces()) known.insert(Narrow(i.name));
    for (const auto& e : Enumerations()) known.insert(Narrow(e.name));
    for (const auto& i : Interfaces())
        for (const auto& m : i.members) {
            std::string params = Canonical(m.params);
            for (std::size_t at = 0; at < params.size();) {
                std::size_t end = params.find(", ", at);
                std::string p = params.substr(at, end == std::string::npos ? std::string::npos : end - at);
                std::string type = p.substr(p.find(' ') + 1);
                while (!type.empty() && type.back() == '*') type.pop_back();
                EXPECT_TRUE(known.count(type)) << Narrow(i.name) << "." << Narrow(m.name) << ": " << type;
                if (end == std::string::npos) break;
                at = end + 2;
            }
        }
}

}  // namespace
