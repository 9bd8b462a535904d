// What audio and freestyle tracks share: the engine record kept inside the
// object, the texts and the positions collection, the record refresh done
// just before a burn copies the record, and the three callbacks through
// which the engine asks an event-sourced track for its data on the burn's
// thread (each reaches the client's sinks in the track's apartment through
// the track's forwarder).
//
// Traits gives the record layout (kLayout, a TrackLayout), the forwarder
// (Forwarder, ForwarderInterface, Fire(forwarder, length, data)), the
// events' dispinterface (EventsId) and the element type of the read
// event's array (ElementType, ElementSize). The derived class answers
// SourceKind(): the record's source kind, or -1 to leave the source alone.
#pragma once

#include <oaidl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "EngineRecords.h"
#include "VexoInterfaces.h"
#include "com/Bstr.h"
#include "com/ConnectionPoint.h"
#include "com/DispatchObject.h"
#include "com/EventForwarder.h"
#include "com/GlobalInterfaceTable.h"
#include "com/ObjectCollection.h"
#include "com/Variant.h"
#include "compilation/Limits.h"
#include "compilation/VexoRelativeIndexBlkPositions.h"

namespace vexo {

// Where a track record keeps its fields.
struct TrackLayout {
    std::size_t Pause, PositionCount, Positions, Title, Artist, SourceKind, Source, LengthInBlocks, Size;
};

template <class Derived, class Interface, class Traits>
class TrackObject
    : public com::DispatchObject<Derived, Interface, com::SingleConnectionPointContainer<Derived>,
                                 com::SourceClassInfo<Derived>> {
    using Base = com::DispatchObject<Derived, Interface, com::SingleConnectionPointContainer<Derived>,
                                     com::SourceClassInfo<Derived>>;

public:
    static constexpr TrackLayout kLayout = Traits::kLayout;
    using Record = std::array<uint8_t, kLayout.Size>;

    // IVexoAudioTrack / IVexoFreestyleTrack members shared by both.
    STDMETHODIMP get_PauseInBlksBeforeThisTrack(LONG* out) override { return GetI32(kLayout.Pause, out); }
    STDMETHODIMP put_PauseInBlksBeforeThisTrack(LONG value) override { return PutI32(kLayout.Pause, value); }
    STDMETHODIMP get_Artist(BSTR* out) override { return CopyOut(artist_, out); }
    STDMETHODIMP put_Artist(BSTR value) override { return Store(artist_, value); }
    STDMETHODIMP get_Title(BSTR* out) override { return CopyOut(title_, out); }
    STDMETHODIMP put_Title(BSTR value) override { return Store(title_, value); }
    STDMETHODIMP get_RelativeIndexBlkPositions(IVexoRelativeIndexBlkPositions** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!positions_) {
            positions_ = VexoRelativeIndexBlkPositions::Make();
            if (!positions_) return E_OUTOFMEMORY;
        }
        positions_->AddRef();
        *out = positions_.get();
        return S_OK;
    }
    STDMETHODIMP get_LengthInBlocks(LONG* out) override { return GetI32(kLayout.LengthInBlocks, out); }
    STDMETHODIMP put_LengthInBlocks(LONG value) override { return PutI32(kLayout.LengthInBlocks, value); }
    STDMETHODIMP get_Filename(BSTR* out) override { return CopyOut(filename_, out); }
    STDMETHODIMP put_Filename(BSTR value) override {
        if (HRESULT hr = this->RefuseIfLocked(); FAILED(hr)) return hr;
        try {
            if (com::BstrToAnsi(value).size() > limits::kTrackFileNameMaxBytes)
                return this->Fail(limits::kTrackFileNameMessage);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        return Store(filename_, value);
    }

    com::ItemMarks& Marks() noexcept { return marks_; }
    bool IsLocked() const noexcept { return marks_.locked != 0; }
    com::ConnectionPoint& EventPoint() noexcept { return point_; }

    // Brings the record up to date for a burn: the texts' ANSI copies (kept
    // until the next refresh or the track's end), the positions, the source.
    // The error flag starts clear for the burn.
    HRESULT RefreshRecord() noexcept {
        namespace rec = EngineRecords;
        const rec::Bytes r(record_);
        try {
            ansiTitle_ = AnsiOf(title_);
            ansiArtist_ = AnsiOf(artist_);
            const std::string file = com::BstrToAnsi(filename_.get());
            rec::WritePointer(r, kLayout.Title, ansiTitle_ ? ansiTitle_->c_str() : nullptr);
            rec::WritePointer(r, kLayout.Artist, ansiArtist_ ? ansiArtist_->c_str() : nullptr);
            if (positions_) {
                const auto& values = positions_->Values();
                const std::size_t n = std::min(values.size(), rec::kTrackPositionCapacity);
                rec::WriteU32(r, kLayout.PositionCount, static_cast<uint32_t>(n));
                for (std::size_t i = 0; i < rec::kTrackPositionCapacity; ++i)
                    rec::WriteI32(r, kLayout.Positions + 4 * i, i < n ? values[i] : 0);
            }
            const LONG kind = static_cast<const Derived*>(this)->SourceKind();
            if (kind == static_cast<LONG>(rec::TrackSource::kKindEvent)) {
                rec::WriteU32(r, kLayout.SourceKind, rec::TrackSource::kKindEvent);
                const rec::Bytes source = r.subspan(kLayout.Source, rec::TrackSource::Size);
                std::fill(source.begin(), source.end(), uint8_t{0});
                rec::WritePointer(source, rec::TrackSource::UserData, static_cast<const void*>(this));
                rec::WriteCallback(source, rec::TrackSource::ReadCallback, &ReadCallback);
                rec::WriteCallback(source, rec::TrackSource::EndOfDataCallback, &EndOfDataCallback);
                rec::WriteCallback(source, rec::TrackSource::ErrorCallback, &ErrorCallback);
            } else if (kind >= 0) {
                rec::WriteU32(r, kLayout.SourceKind, static_cast<uint32_t>(kind));
                rec::WriteText(r, kLayout.Source, rec::TrackSource::Size, file);
            }
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        error_ = 0;
        return S_OK;
    }
    // The record as it stands (what a burn copies after RefreshRecord).
    EngineRecords::ConstBytes RecordBytes() const noexcept { return record_; }
    bool ErrorFlag() const noexcept { return error_ != 0; }

    // The engine's callbacks for an event-sourced track; userData is the
    // track. Read answers the number of bytes it put into `buffer`, never
    // more than `size`, the Length the sinks left or the array they left.
    static int32_t __stdcall ReadCallback(void* userData, uint8_t* buffer, int32_t size) {
        auto* track = static_cast<Derived*>(userData);
        if (!track) return 0;
        if (size <= 0 || !buffer) {
            if (size != 0) track->error_ = 1;
            return 0;
        }
        const int32_t taken = track->Read(buffer, size);
        if (taken < 0) {
            track->error_ = 1;
            return 0;
        }
        return taken;
    }
    static int32_t __stdcall EndOfDataCallback(void* userData) {
        auto* track = static_cast<Derived*>(userData);
        if (!track) return 1;
        VARIANT_BOOL eof = VARIANT_TRUE;
        track->Ask(2, &eof);
        return eof != VARIANT_FALSE ? -1 : 0;
    }
    static int32_t __stdcall ErrorCallback(void* userData) {
        auto* track = static_cast<Derived*>(userData);
        if (!track) return 1;
        VARIANT_BOOL error = VARIANT_TRUE;
        track->Ask(3, &error);
        return (track->error_ || error != VARIANT_FALSE) ? -1 : 0;
    }

protected:
    TrackObject() : point_(this->Identity(), static_cast<IConnectionPointContainer*>(this), Traits::EventsId()) {
        record_.fill(0);
        events_.Register(&point_);
    }
    ~TrackObject() {
        events_.Revoke();
        point_.UnadviseAll();
    }

    EngineRecords::Bytes RecordField() noexcept { return record_; }

    HRESULT GetI32(std::size_t offset, LONG* out) const {
        if (!out) return E_POINTER;
        *out = EngineRecords::ReadI32(record_, offset);
        return S_OK;
    }
    HRESULT PutI32(std::size_t offset, LONG value) {
        if (HRESULT hr = this->RefuseIfLocked(); FAILED(hr)) return hr;
        EngineRecords::WriteI32(record_, offset, value);
        return S_OK;
    }
    // An enumerated value: checked against its range, else the range's
    // message and nothing changed.
    HRESULT CheckRange(const limits::ValueRange& range, LONG value) const {
        if (HRESULT hr = this->RefuseIfLocked(); FAILED(hr)) return hr;
        return range.Holds(value) ? S_OK : this->Fail(range.message);
    }

private:
    static HRESULT CopyOut(const com::Bstr& text, BSTR* out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!text) return S_OK;
        *out = ::SysAllocStringLen(text.get(), text.length());
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT Store(com::Bstr& text, BSTR value) {
        if (HRESULT hr = this->RefuseIfLocked(); FAILED(hr)) return hr;
        BSTR copy = nullptr;
        if (value) {
            copy = ::SysAllocStringLen(value, ::SysStringLen(value));
            if (!copy) return E_OUTOFMEMORY;
        }
        text.reset(copy);
        return S_OK;
    }
    static std::optional<std::string> AnsiOf(const com::Bstr& text) {
        if (!text) return std::nullopt;
        return com::BstrToAnsi(text.get());
    }

    // One read event: -1 when the data cannot be taken.
    int32_t Read(uint8_t* buffer, int32_t size) {
        com::ApartmentScope apartment;
        constexpr VARTYPE kArrayType = VT_ARRAY | Traits::ElementType;
        const ULONG elements = static_cast<ULONG>(size) / Traits::ElementSize;
        com::Variant data;
        SAFEARRAY* created = ::SafeArrayCreateVector(Traits::ElementType, 0, elements);
        if (!created) return -1;
        V_VT(data.get()) = kArrayType;
        V_ARRAY(data.get()) = created;
        LONG length = size;
        com::ComPtr<typename Traits::ForwarderInterface> forwarder;
        if (SUCCEEDED(events_.Get(forwarder)) && forwarder) Traits::Fire(forwarder.get(), &length, data.get());

        if (V_VT(data.get()) != kArrayType || !V_ARRAY(data.get())) return -1;
        if (length == 0) return 0;
        if (length < 0) return -1;
        SAFEARRAY* returned = V_ARRAY(data.get());
        if (::SafeArrayGetDim(returned) != 1) return -1;
        LONG lower = 0, upper = -1;
        if (FAILED(::SafeArrayGetLBound(returned, 1, &lower)) || FAILED(::SafeArrayGetUBound(returned, 1, &upper)))
            return -1;
        const int64_t held = (static_cast<int64_t>(upper) - lower + 1) * ::SafeArrayGetElemsize(returned);
        const int64_t n = std::min<int64_t>({static_cast<int64_t>(length), static_cast<int64_t>(size),
                                             std::max<int64_t>(held, 0)});
        if (n == 0) return 0;
        com::SafeArrayData bytes(returned);
        if (!bytes) return -1;
        std::memcpy(buffer, bytes.data(), static_cast<std::size_t>(n));
        return static_cast<int32_t>(n);
    }
    // The end-of-data (2) or error (3) question, answered in *value.
    void Ask(DISPID id, VARIANT_BOOL* value) {
        com::ApartmentScope apartment;
        com::ComPtr<typename Traits::ForwarderInterface> forwarder;
        if (FAILED(events_.Get(forwarder)) || !forwarder) return;
        if (id == 2)
            forwarder->OnEOF(value);
        else
            forwarder->OnError(value);
    }

    com::ItemMarks marks_;
    Record record_;
    com::ComPtr<VexoRelativeIndexBlkPositions> positions_;
    com::Bstr artist_, title_, filename_;
    std::optional<std::string> ansiTitle_, ansiArtist_;
    std::atomic<uint8_t> error_{0};
    com::ConnectionPoint point_;
    com::EventForwarder<typename Traits::Forwarder, typename Traits::ForwarderInterface> events_;
};

}  // namespace vexo
