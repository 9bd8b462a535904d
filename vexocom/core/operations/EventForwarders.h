// The forwarders of the engine object's and the drives' events: each
// method fires the event of the same name (the dispatch id is its position)
// to every sink of the source's connection point, in the source's
// apartment. [in,out] arguments go by reference and come back with what the
// sinks left in them.
#pragma once

#include <span>

#include "questions/VexoDlgMessageBox.h"
#include "compilation/VexoFSSecNo.h"
#include "VexoInterfaces.h"
#include "questions/VexoOverburnInfo.h"
#include "com/EventForwarder.h"

namespace vexo {

using com::EventArg;

class VexoEventsForwarder final : public com::ForwarderObject<VexoEventsForwarder, __IVexoEvents__> {
public:
    explicit VexoEventsForwarder(com::ConnectionPoint* point) noexcept : ForwarderObject(point) {}

    STDMETHODIMP OnAutoInsert(VEXO_RESPONSE* r) override { return Response(1, r); }
    STDMETHODIMP OnDisconnectRestart(VEXO_RESPONSE* r) override { return Response(2, r); }
    STDMETHODIMP OnDisconnect(VEXO_RESPONSE* r) override { return Response(3, r); }
    STDMETHODIMP OnAutoInsertRestart() override { return Fire(4); }
    STDMETHODIMP OnRestart() override { return Fire(5); }
    STDMETHODIMP OnSettingsRestart(VEXO_RESPONSE* r) override { return Response(6, r); }
    STDMETHODIMP OnOverburn(VEXO_RESPONSE* r) override { return Response(7, r); }
    STDMETHODIMP OnCopyQualityLoss(VEXO_RESPONSE* r) override { return Response(8, r); }
    STDMETHODIMP OnCopyFullRisk(VEXO_RESPONSE* r) override { return Response(9, r); }
    STDMETHODIMP OnNoTrackFound() override { return Fire(10); }
    STDMETHODIMP OnMegaFatal() override { return Fire(11); }
    STDMETHODIMP OnWaitCD(VEXO_WAITCD_TYPE code, BSTR text) override {
        return Fire(12, EventArg::Long(code), EventArg::Text(text));
    }
    STDMETHODIMP OnWaitCDReminder() override { return Fire(13); }
    STDMETHODIMP OnWaitCDDone() override { return Fire(14); }
    STDMETHODIMP OnAudioProblems(LONG problems, VEXO_RESPONSE* r) override {
        if (!r) return E_POINTER;
        return Fire(15, EventArg::Long(problems), RefResponse(r));
    }
    STDMETHODIMP OnFileSelImage(BSTR* fileName) override {
        if (!fileName) return E_POINTER;
        return Fire(16, EventArg::RefText(fileName));
    }
    STDMETHODIMP OnNonEmptyCDRW(VEXO_RESPONSE* r) override { return Response(17, r); }
    STDMETHODIMP OnWaitCDMediaInfo(VEXO_MEDIA_TYPE last, BSTR lastName, VEXO_MEDIA_TYPE requested,
                                   BSTR requestedName) override {
        return Fire(18, EventArg::Long(last), EventArg::Text(lastName), EventArg::Long(requested),
                    EventArg::Text(requestedName));
    }
    STDMETHODIMP OnDriveStatusChanged(LONG hostId, LONG targetId, VEXO_DRIVECHANGE_RESULT status) override {
        return Fire(19, EventArg::Long(hostId), EventArg::Long(targetId), EventArg::Long(status));
    }
    STDMETHODIMP OnOverburn2(IVexoOverburnInfo* info, VEXO_RESPONSE* r) override {
        if (!r) return E_POINTER;
        return Fire(20, EventArg::Object(info), RefResponse(r));
    }
    STDMETHODIMP OnDlgMessageBox(IVexoDlgMessageBox* box, VEXO_RESPONSE* r) override {
        if (!r) return E_POINTER;
        return Fire(21, EventArg::Object(box), RefResponse(r));
    }
    STDMETHODIMP OnTempSpace(BSTR current, IInt64* freeSpace, IInt64* needed, BSTR* newDirectory) override {
        if (!newDirectory) return E_POINTER;
        return Fire(22, EventArg::Text(current), EventArg::Object(freeSpace), EventArg::Object(needed),
                    EventArg::RefText(newDirectory));
    }

private:
    static EventArg RefResponse(VEXO_RESPONSE* r) noexcept {
        static_assert(sizeof(VEXO_RESPONSE) == sizeof(LONG));
        return EventArg::RefLong(reinterpret_cast<LONG*>(r));
    }
    HRESULT Response(DISPID id, VEXO_RESPONSE* r) {
        if (!r) return E_POINTER;
        return Fire(id, RefResponse(r));
    }
};

class VexoDriveEventsForwarder final : public com::ForwarderObject<VexoDriveEventsForwarder, __IVexoDriveEvents__> {
public:
    explicit VexoDriveEventsForwarder(com::ConnectionPoint* point) noexcept : ForwarderObject(point) {}

    STDMETHODIMP OnProgress(LONG percent, VARIANT_BOOL* abort) override { return WithAbort(1, percent, abort); }
    STDMETHODIMP OnAddLogLine(LONG type, BSTR text) override {
        return Fire(2, EventArg::Long(type), EventArg::Text(text));
    }
    STDMETHODIMP OnSetPhase(BSTR text) override { return Fire(3, EventArg::Text(text)); }
    STDMETHODIMP OnDisableAbort(VARIANT_BOOL enable) override { return Fire(4, EventArg::Bool(enable != 0)); }
    STDMETHODIMP OnWriteDAE(LONG ignore, VARIANT data) override {
        return Fire(5, EventArg::Long(ignore), EventArg::Value(data));
    }
    STDMETHODIMP OnDoneDAE(VARIANT_BOOL ok) override { return Fire(6, EventArg::Bool(ok != 0)); }
    STDMETHODIMP OnDoneErase(VARIANT_BOOL ok) override { return Fire(7, EventArg::Bool(ok != 0)); }
    STDMETHODIMP OnDoneBurn(VEXO_BURN_ERROR status) override { return Fire(8, EventArg::Long(status)); }
    STDMETHODIMP OnAborted(VARIANT_BOOL* abort) override {
        if (!abort) return E_POINTER;
        return Fire(9, EventArg::RefBool(abort));
    }
    STDMETHODIMP OnDoneImport(VARIANT_BOOL ok, IVexoFolder* folder, IVexoCDStamp* stamp) override {
        return Fire(10, EventArg::Bool(ok != 0), EventArg::Object(reinterpret_cast<IDispatch*>(folder)),
                    EventArg::Object(stamp));
    }
    STDMETHODIMP OnMajorPhase(LONG phase) override { return Fire(11, EventArg::Long(phase)); }
    STDMETHODIMP OnSubTaskProgress(LONG percent, VARIANT_BOOL* abort) override {
        return WithAbort(12, percent, abort);
    }
    STDMETHODIMP OnDoneWaitForMedia(LONG success) override { return Fire(13, EventArg::Long(success)); }
    STDMETHODIMP OnDoneCDInfo(IVexoCDInfo2* info) override { return Fire(14, EventArg::Object(info)); }
    STDMETHODIMP OnDoneImport2(VARIANT_BOOL ok, IVexoFolder* folder, IVexoCDStamp* stamp,
                               IVexoImportDataTrackInfo* info, VEXO_IMPORT_DATA_TRACK_RESULT result) override {
        return Fire(15, EventArg::Bool(ok != 0), EventArg::Object(reinterpret_cast<IDispatch*>(folder)),
                    EventArg::Object(stamp), EventArg::Object(reinterpret_cast<IDispatch*>(info)),
                    EventArg::Long(result));
    }
    STDMETHODIMP OnDriveStatusChanged(VEXO_DRIVESTATUS_RESULT status) override {
        return Fire(16, EventArg::Long(status));
    }
    STDMETHODIMP OnDoneEstimateTrackSize(VARIANT_BOOL ok, LONG blocks) override {
        return Fire(17, EventArg::Bool(ok != 0), EventArg::Long(blocks));
    }
    STDMETHODIMP OnDoneBAOCreateHandle(VEXO_BURN_ERROR status) override { return Fire(18, EventArg::Long(status)); }
    STDMETHODIMP OnDoneBAOWriteToFile(VEXO_BURN_ERROR status, LONG written) override {
        return Fire(19, EventArg::Long(status), EventArg::Long(written));
    }
    STDMETHODIMP OnDoneBAOCloseHandle(VEXO_BURN_ERROR status) override { return Fire(20, EventArg::Long(status)); }

private:
    HRESULT WithAbort(DISPID id, LONG percent, VARIANT_BOOL* abort) {
        if (!abort) return E_POINTER;
        return Fire(id, EventArg::Long(percent), EventArg::RefBool(abort));
    }
};

// Makes the argument objects of the engine's questions in the client's
// apartment, so that the handlers receive apartment-local objects. The
// records arrive as bytes; a null record with a size is refused.
class VexoPrivateForwarder final : public com::ForwarderObject<VexoPrivateForwarder, IVexoForwarderPrivate> {
public:
    explicit VexoPrivateForwarder(com::ConnectionPoint* point) noexcept : ForwarderObject(point) {}

    STDMETHODIMP CreateOverburnInfo(ULONG cb, byte* record, IVexoOverburnInfo** out) override {
        return Create<VexoOverburnInfo>(cb, record, IID_IVexoOverburnInfo, out);
    }
    STDMETHODIMP CreateDlgMessageBox(ULONG cb, byte* record, IVexoDlgMessageBox** out) override {
        return Create<VexoDlgMessageBox>(cb, record, IID_IVexoDlgMessageBox, out);
    }
    STDMETHODIMP CreateInt64(LONG lo, LONG hi, IInt64** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        com::ComPtr<VexoFSSecNo> value = VexoFSSecNo::Make(lo, hi);
        if (!value) return E_OUTOFMEMORY;
        return value->QueryInterface(IID_IInt64, reinterpret_cast<void**>(out));
    }

private:
    template <class Object, class Interface>
    static HRESULT Create(ULONG cb, const byte* record, REFIID iid, Interface** out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!record && cb) return E_INVALIDARG;
        try {
            com::ComPtr<Object> object = Object::Make(std::span<const uint8_t>(record, record ? cb : 0));
            if (!object) return E_OUTOFMEMORY;
            return object->QueryInterface(iid, reinterpret_cast<void**>(out));
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
};

}  // namespace vexo
