// Vexo: the engine object. Configures the engine, lets it initialise, lists
// the recorders, sets engine-wide options and reads the engine's error
// texts; source of _IVexoEvents (the engine's questions and drive changes).
// Most of what it configures is module-wide (EngineState.h).
#pragma once

#include <cstdint>
#include <string>

#include "engineobject/EngineState.h"
#include "VexoInterfaces.h"
#include "com/ConnectionPoint.h"
#include "com/DispatchObject.h"
#include "com/EventForwarder.h"
#include "operations/EventForwarders.h"

namespace vexo {

class Vexo final : public com::DispatchObject<Vexo, IVexo4, com::SingleConnectionPointContainer<Vexo>, IVexoSetup,
                                               com::SourceClassInfo<Vexo>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexo, &IID_IVexo2, &IID_IVexo3, &IID_IVexo4};
    static const GUID& ErrorClass() noexcept { return CLSID_Vexo; }
    static const CLSID& ClassId() noexcept { return CLSID_Vexo; }
    static const GUID& ErrorInterface() noexcept { return GUID_NULL; }

    Vexo();
    ~Vexo();

    com::ConnectionPoint& EventPoint() noexcept { return point_; }
    // The table cookie of this object's __IVexoEvents__ forwarder.
    DWORD EventsCookie() const noexcept { return events_.cookie(); }

    // The engine's question `request` for the current engine object (engine
    // thread): fires its events through the forwarders and gives the
    // response code for the engine; -1 when there is no current object.
    static int32_t AnswerEngineQuestion(int32_t request, void* requestData);

    // IVexo
    STDMETHODIMP get_LanguageFile(BSTR* pVal) override;
    STDMETHODIMP put_LanguageFile(BSTR newVal) override;
    STDMETHODIMP get_EnableOverburn(VARIANT_BOOL* pVal) override;
    STDMETHODIMP put_EnableOverburn(VARIANT_BOOL newVal) override;
    STDMETHODIMP get_OverburnSize(LONG* pVal) override;
    STDMETHODIMP put_OverburnSize(LONG newVal) override;
    STDMETHODIMP get_LastError(BSTR* pVal) override;
    STDMETHODIMP get_ErrorLog(BSTR* pVal) override;
    STDMETHODIMP GetDrives(VEXO_MEDIA_TYPE lVal, IVexoDrives** ppDrives) override;
    STDMETHODIMP get_TypeNameOfMedia(VEXO_MEDIA_TYPE Type, BSTR* pVal) override;
    STDMETHODIMP put_WriteBufferSize(LONG newVal) override;
    STDMETHODIMP put_RuntimeLanguageFile(BSTR newVal) override;
    STDMETHODIMP APIVersion(SHORT* pMajor, SHORT* pMinor, SHORT* pRelease, SHORT* pBuild) override;
    STDMETHODIMP ClearErrors() override;
    STDMETHODIMP Abort() override;
    STDMETHODIMP GetDiscImageInfo(BSTR ImageFilename, IVexoCDInfo2** ppCDInfo) override;
    // IVexo2
    STDMETHODIMP get_LastDriveError(VEXO_DRIVE_ERROR* pVal) override;
    STDMETHODIMP EnableDriveChangeCallback(BOOL bEnable) override;
    STDMETHODIMP CreateBlockAccessFromImage(BSTR Filename, ImageAccessMode Mode,
                                            IVexoFileSystemBlockWriter** ppBlockAccess) override;
    // IVexo3
    STDMETHODIMP LastErrors(INT iNum, VEXO_LAST_ERRORS_FLAGS Flags, BSTR* pVal) override;
    // IVexo4
    STDMETHODIMP put_DVDOverburnSize(LONG newVal) override;
    // IVexoSetup
    STDMETHODIMP put_VexoFilesPath(BSTR newVal) override;

private:
    // Makes this object the one that receives the engine's questions; and
    // clears that (whichever object it was) when it goes.
    void BecomeCurrent() noexcept;
    void StopBeingCurrent() noexcept;
    // Runs the initialisation sequence; error 513 when the engine is not
    // initialised afterwards.
    HRESULT NeedEngine();
    HRESULT EngineText(const char* (*read)(), BSTR* out);

    static int32_t WINAPI DriveChangeCallback(int32_t hostId, int32_t targetId, int32_t status, void* userData);

    engine::Use use_;
    com::ConnectionPoint point_;
    com::EventForwarder<VexoEventsForwarder, __IVexoEvents__> events_;
    com::EventForwarder<VexoPrivateForwarder, IVexoForwarderPrivate> private_;
    std::string runtimeLanguageFile_;
    uint8_t driveChangeRegistered_ = 0;
    LONG driveChange_[3] = {};
};

}  // namespace vexo
