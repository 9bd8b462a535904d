#include "burning/BurnOperations.h"

#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "EngineBinding.h"
#include "EngineRecords.h"
#include "burning/InUseMarks.h"
#include "com/Bstr.h"
#include "com/GlobalInterfaceTable.h"
#include "compilation/CollectionRecords.h"
#include "compilation/EngineIsoTrack.h"
#include "compilation/VexoAudioTracks.h"
#include "compilation/VexoFileSystemDescContainer.h"
#include "compilation/VexoFileSystemTrackOptions.h"
#include "compilation/VexoFolder.h"
#include "compilation/VexoFreestyleTracks.h"
#include "compilation/VexoISOTrack.h"
#include "compilation/VexoImportDataTrackInfo.h"
#include "compilation/VexoVideoItems.h"
#include "drives/VexoCDStamp.h"
#include "drives/VexoDrive.h"
#include "engineobject/EngineState.h"
#include "operations/AsyncOperation.h"
#include "operations/BusyRegistry.h"

namespace vexo::burning {

using com::ComPtr;
namespace rec = EngineRecords;
namespace eb = EngineBinding;

namespace {

constexpr int32_t kBurnFailed = 3;  // VEXO_BURN_FAILED

// A boolean as the engine records hold it: the 16-bit value, sign-extended.
int32_t Flag(VARIANT_BOOL b) noexcept { return static_cast<int16_t>(b); }

// The server's own object behind a client's argument: S_OK with null for
// null, E_INVALIDARG for an object that is not one of ours.
template <class T>
HRESULT Own(IUnknown* argument, ComPtr<T>& out) {
    out.reset();
    if (!argument) return S_OK;
    out = com::OwnObject<T>(argument);
    return out ? S_OK : E_INVALIDARG;
}

template <class Op, class... A>
std::unique_ptr<Op> NewOperation(A&&... args) {
    return std::unique_ptr<Op>(new (std::nothrow) Op(std::forward<A>(args)...));
}

// One compilation handed to VexoBurn: the data track is built, the record
// filled and burnt, then the marks are cleared before OnDoneBurn.
class CompilationBurn final : public AsyncOperation {
public:
    using Fill = std::function<HRESULT(rec::Bytes record, void* dataTrack)>;

    // type: VexoBurn's compilation type, or kAtOnce for VexoBurnAtOnce.
    static constexpr int32_t kAtOnce = -1;

    CompilationBurn(OperationId id, int32_t type, std::size_t recordSize, const BurnSettings& settings,
                    ComPtr<VexoISOTrack> isoTrack, Fill fill) noexcept
        : AsyncOperation(id),
          type_(type),
          recordSize_(recordSize),
          flags_(static_cast<uint32_t>(settings.flags)),
          speed_(settings.speed),
          isoTrack_(std::move(isoTrack)),
          fill_(std::move(fill)) {}

    InUseMarks& Marks() noexcept { return marks_; }

private:
    void Run() override {
        int32_t status = kBurnFailed;
        {
            void* progress = eb::VexoCreateProgress();
            if (progress) VexoDrive::FillProgressRecord(progress, &Drive());
            EngineIsoTrack track;
            if (track.Build(isoTrack_.get())) {
                try {
                    std::vector<uint8_t> record(recordSize_, 0);
                    if (SUCCEEDED(fill_(record, track.get())))
                        status = type_ == kAtOnce ? eb::VexoBurnAtOnce(Drive().Device(), record.data(), flags_,
                                                                       speed_, progress)
                                                  : eb::VexoBurn(Drive().Device(), type_, record.data(), flags_,
                                                                 speed_, progress);
                } catch (...) {
                    status = kBurnFailed;
                }
            }
            if (progress) eb::VexoFreeMem(progress);
        }  // the engine's data track goes here
        marks_.Clear();
        Unregister();
        if (auto f = Events()) f->OnDoneBurn(static_cast<VEXO_BURN_ERROR>(status));
    }

    int32_t type_;
    std::size_t recordSize_;
    uint32_t flags_;
    LONG speed_;
    ComPtr<VexoISOTrack> isoTrack_;
    Fill fill_;
    InUseMarks marks_;
};

// Marks the objects and starts the burn; a refused mark is message 529.
HRESULT MarkAndStart(VexoDrive& drive, std::unique_ptr<CompilationBurn> op, auto*... objects) {
    if (!op) return E_OUTOFMEMORY;
    if (!(op->Marks().Take(objects) && ...)) return drive.Fail(kErrLocked);
    return AsyncOperation::Start(drive, std::move(op));
}

// What audio and freestyle records share: the disc's texts, the data
// track, the CD-extra flag, the stamp and the media type, at the record's
// own offsets.
struct DiscFieldOffsets {
    std::size_t artist, title, dataTrack, cdExtra, stamp, mediaType;
};
struct DiscFields {
    std::string artist, title;
    int32_t cdExtra = 0;
    uint32_t mediaType = 0;
    ComPtr<VexoCDStamp> stamp;

    void Write(rec::Bytes r, const DiscFieldOffsets& at, void* dataTrack) const {
        rec::WritePointer(r, at.artist, artist.c_str());
        rec::WritePointer(r, at.title, title.c_str());
        rec::WritePointer(r, at.dataTrack, dataTrack);
        rec::WriteI32(r, at.cdExtra, cdExtra);
        rec::WritePointer(r, at.stamp, stamp ? stamp->EngineStamp() : nullptr);
        rec::WriteU32(r, at.mediaType, mediaType);
    }
};

HRESULT Ansi(BSTR text, std::string& out) noexcept {
    try {
        out = com::BstrToAnsi(text);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

// The disc's texts in ANSI and the media type, into `disc`.
HRESULT TakeTexts(const DiscTexts& texts, const BurnSettings& settings, DiscFields& disc) noexcept {
    if (FAILED(Ansi(texts.artist, disc.artist)) || FAILED(Ansi(texts.title, disc.title))) return E_OUTOFMEMORY;
    disc.cdExtra = Flag(texts.cdExtra);
    disc.mediaType = static_cast<uint32_t>(settings.mediaType);
    return S_OK;
}

}  // namespace

HRESULT StartIsoAudioBurn(VexoDrive& drive, const DiscTexts& texts, IVexoISOTrack* isoTrack,
                          IVexoAudioTracks* tracks, IVexoCDStamp* stamp, const BurnSettings& settings) {
    ComPtr<VexoISOTrack> iso;
    ComPtr<VexoAudioTracks> list;
    DiscFields disc;
    if (FAILED(Own(isoTrack, iso)) || FAILED(Own(tracks, list)) || FAILED(Own(stamp, disc.stamp))) return E_INVALIDARG;
    if (HRESULT hr = drive.Guard(OperationId::BurnIsoAudioCD); FAILED(hr)) return hr;
    if (HRESULT hr = TakeTexts(texts, settings, disc); FAILED(hr)) return hr;
    CompilationBurn::Fill fill = [disc, list](rec::Bytes r, void* dataTrack) -> HRESULT {
        namespace ia = rec::IsoAudioRecord;
        disc.Write(r, {ia::Artist, ia::Title, ia::DataTrack, ia::CdExtra, ia::Stamp, ia::MediaType}, dataTrack);
        if (!list) return S_OK;
        return WriteCollectionRecords(*list, r,
                                      RecordArray{ia::TrackCount, ia::Tracks, rec::AudioTrackRecord::Size,
                                                  rec::kBurnRecordSlots});
    };
    auto op = NewOperation<CompilationBurn>(OperationId::BurnIsoAudioCD, rec::CompilationType::IsoAudio,
                                            rec::IsoAudioRecord::Size, settings, iso, std::move(fill));
    return MarkAndStart(drive, std::move(op), list.get(), iso.get());
}

HRESULT StartFreestyleBurn(VexoDrive& drive, IVexoFileSystemContent* content, const DiscTexts& texts,
                           IVexoISOTrack* isoTrack, IVexoFreestyleTracks* tracks, IVexoCDStamp* stamp,
                           const BurnSettings& settings) {
    ComPtr<VexoISOTrack> iso;
    ComPtr<VexoFreestyleTracks> list;
    DiscFields disc;
    if (FAILED(Own(isoTrack, iso)) || FAILED(Own(tracks, list)) || FAILED(Own(stamp, disc.stamp))) return E_INVALIDARG;
    ComPtr<VexoFileSystemDescContainer> container;
    if (FAILED(Own(content, container))) return E_INVALIDARG;
    if (HRESULT hr = drive.Guard(OperationId::BurnFreestyleCD); FAILED(hr)) return hr;
    if (HRESULT hr = TakeTexts(texts, settings, disc); FAILED(hr)) return hr;
    CompilationBurn::Fill fill = [disc, list, container](rec::Bytes r, void* dataTrack) -> HRESULT {
        namespace fr = rec::FreestyleBurnRecord;
        rec::WriteU32(r, fr::Magic, fr::kMagic);
        disc.Write(r, {fr::Artist, fr::Title, fr::DataTrack, fr::CdExtra, fr::Stamp, fr::MediaType}, dataTrack);
        if (container) {
            rec::WriteU32(r, fr::BurnOptions, container->BurnOptions());
            rec::WritePointer(r, fr::Container, container->EngineContainer());
        }
        if (!list) return S_OK;
        return WriteCollectionRecords(*list, r,
                                      RecordArray{fr::TrackCount, fr::Tracks, rec::FreestyleTrackRecord::Size,
                                                  rec::kBurnRecordSlots});
    };
    auto op = NewOperation<CompilationBurn>(OperationId::BurnFreestyleCD, rec::CompilationType::Freestyle,
                                            rec::FreestyleBurnRecord::Size, settings, iso, std::move(fill));
    return MarkAndStart(drive, std::move(op), list.get(), iso.get(), container.get());
}

HRESULT StartFileSystemBurn(VexoDrive& drive, IVexoFileSystemContent* content, const BurnSettings& settings) {
    if (!content) return E_POINTER;
    ComPtr<VexoFileSystemDescContainer> container;
    if (FAILED(Own(content, container))) return E_INVALIDARG;
    if (HRESULT hr = drive.Guard(OperationId::BurnFileSystemContent); FAILED(hr)) return hr;
    const uint32_t mediaType = static_cast<uint32_t>(settings.mediaType);
    CompilationBurn::Fill fill = [container, mediaType](rec::Bytes r, void*) -> HRESULT {
        namespace fs = rec::FileSystemRecord;
        rec::WriteU32(r, fs::StructSize, static_cast<uint32_t>(fs::Size));
        rec::WritePointer(r, fs::Container, container->EngineContainer());
        rec::WriteU32(r, fs::MediaType, mediaType);
        rec::WriteU32(r, fs::BurnOptions, container->BurnOptions());
        return S_OK;
    };
    auto op = NewOperation<CompilationBurn>(OperationId::BurnFileSystemContent, rec::CompilationType::FileSystem,
                                            rec::FileSystemRecord::Size, settings, nullptr, std::move(fill));
    return MarkAndStart(drive, std::move(op), container.get());
}

HRESULT StartBurnAtOnce(VexoDrive& drive, IVexoFileSystemDescContainer* content, BSTR tempDirectory,
                        const BurnSettings& settings) {
    if (!content) return E_POINTER;
    ComPtr<VexoFileSystemDescContainer> container;
    if (FAILED(Own(content, container))) return E_INVALIDARG;
    if (HRESULT hr = drive.Guard(OperationId::BurnAtOnce); FAILED(hr)) return hr;
    // A null directory is a null pointer in the record; an empty one is "".
    std::optional<std::string> directory;
    if (tempDirectory) {
        directory.emplace();
        if (FAILED(Ansi(tempDirectory, *directory))) return E_OUTOFMEMORY;
    }
    CompilationBurn::Fill fill = [container, directory](rec::Bytes r, void*) -> HRESULT {
        namespace bao = rec::BurnAtOnceRecord;
        rec::WriteU32(r, bao::StructSize, static_cast<uint32_t>(bao::Size));
        rec::WritePointer(r, bao::TempDirectory, directory ? directory->c_str() : nullptr);
        rec::WritePointer(r, bao::Container, container->EngineContainer());
        return S_OK;
    };
    auto op = NewOperation<CompilationBurn>(OperationId::BurnAtOnce, CompilationBurn::kAtOnce,
                                            rec::BurnAtOnceRecord::Size, settings, nullptr, std::move(fill));
    return MarkAndStart(drive, std::move(op), container.get());
}

HRESULT StartVideoBurn(VexoDrive& drive, IVexoVideoItems* items, const VideoSettings& video, IVexoISOTrack* isoTrack,
                       const BurnSettings& settings) {
    if (!items) return E_POINTER;
    ComPtr<VexoISOTrack> iso;
    ComPtr<VexoVideoItems> list;
    if (FAILED(Own(isoTrack, iso)) || FAILED(Own(items, list))) return E_INVALIDARG;
    if (HRESULT hr = drive.Guard(OperationId::BurnVideoCD2); FAILED(hr)) return hr;
    std::string tempPath;
    if (FAILED(Ansi(video.tempPath, tempPath))) return E_OUTOFMEMORY;
    const int32_t super = Flag(video.superVideoCd);
    const int32_t resolution = static_cast<int32_t>(video.resolution);
    CompilationBurn::Fill fill = [tempPath, super, resolution, list](rec::Bytes r, void* dataTrack) -> HRESULT {
        namespace vr = rec::VideoCdRecord;
        rec::WriteI32(r, vr::SuperVideoCd, super);
        rec::WritePointer(r, vr::DataTrack, dataTrack);
        rec::WritePointer(r, vr::TempDirectory, tempPath.c_str());
        rec::WriteI32(r, vr::Resolution, resolution);
        return WriteCollectionRecords(*list, r,
                                      RecordArray{vr::ItemCount, vr::Items, rec::VideoItemRecord::Size,
                                                  rec::kBurnRecordSlots});
    };
    auto op = NewOperation<CompilationBurn>(OperationId::BurnVideoCD2, rec::CompilationType::VideoCd,
                                            rec::VideoCdRecord::Size, settings, iso, std::move(fill));
    return MarkAndStart(drive, std::move(op), list.get(), iso.get());
}

// ---- disc copy -------------------------------------------------------------------

namespace {

// A disc copy reads the source drive while it writes the target: both are
// registered as busy for the whole copy, and both are let go before
// OnDoneBurn.
class DiscCopyOperation final : public AsyncOperation {
public:
    DiscCopyOperation(ComPtr<VexoDrive> source, std::string imagePath, const DiscCopySettings& copy,
                      const BurnSettings& settings) noexcept
        : AsyncOperation(OperationId::BurnDiscCopy),
          source_(std::move(source)),
          imagePath_(std::move(imagePath)),
          copy_(copy),
          settings_(settings) {}
    ~DiscCopyOperation() override { LetSourceGo(); }

    bool HoldSource() noexcept {
        sourceHeld_ = BusyRegistry::Module().Register(source_->BusyKey(), OperationId::BurnDiscCopy, this);
        return sourceHeld_;
    }

private:
    void LetSourceGo() noexcept {
        if (sourceHeld_) BusyRegistry::Module().Unregister(source_->BusyKey(), OperationId::BurnDiscCopy, this);
        sourceHeld_ = false;
    }

    void Run() override {
        int32_t status = kBurnFailed;
        void* progress = eb::VexoCreateProgress();
        if (progress) VexoDrive::FillProgressRecord(progress, &Drive());
        try {
            namespace dc = rec::DiscCopyRecord;
            std::vector<uint8_t> record(dc::Size, 0);
            rec::Bytes r(record);
            rec::WritePointer(r, dc::SourceDevice, source_->Device());
            rec::WriteI32(r, dc::OnTheFly, Flag(copy_.onTheFly));
            rec::WritePointer(r, dc::ImagePath, imagePath_.empty() ? nullptr : imagePath_.c_str());
            rec::WriteI32(r, dc::DeleteImage, Flag(copy_.deleteImage));
            rec::WriteI32(r, dc::ReadSpeed, copy_.readSpeed);
            rec::WriteI32(r, dc::Retries, copy_.retries);
            rec::WriteU8(r, dc::IgnoreDataReadErrors, copy_.ignoreDataReadErrors ? 1 : 0);
            rec::WriteI32(r, dc::RawReadMode, Flag(copy_.rawReadMode));
            rec::WriteI32(r, dc::RawReadModeAgain, Flag(copy_.rawReadMode));
            rec::WriteI32(r, dc::IgnoreAudioReadErrors, Flag(copy_.ignoreAudioReadErrors));
            rec::WriteI32(r, dc::ReadIsrcAndMcn, Flag(copy_.readIsrcAndMcn));
            rec::WriteU32(r, dc::MediaType, static_cast<uint32_t>(settings_.mediaType));
            status = eb::VexoBurn(Drive().Device(), rec::CompilationType::DiscCopy, record.data(),
                                  static_cast<uint32_t>(settings_.flags), settings_.speed, progress);
        } catch (...) {
            status = kBurnFailed;
        }
        if (progress) eb::VexoFreeMem(progress);
        LetSourceGo();
        Unregister();
        if (auto f = Events()) f->OnDoneBurn(static_cast<VEXO_BURN_ERROR>(status));
    }

    ComPtr<VexoDrive> source_;
    std::string imagePath_;
    DiscCopySettings copy_;
    BurnSettings settings_;
    bool sourceHeld_ = false;
};

}  // namespace

HRESULT StartDiscCopy(VexoDrive& target, IVexoDrive5* source, const DiscCopySettings& copy,
                      const BurnSettings& settings) {
    if (!source) return E_POINTER;
    ComPtr<VexoDrive> from;
    if (FAILED(Own(source, from))) return E_INVALIDARG;
    if (HRESULT hr = target.Guard(OperationId::BurnDiscCopy); FAILED(hr)) return hr;
    if (from.get() != &target) {
        if (HRESULT hr = from->Guard(OperationId::BurnDiscCopy); FAILED(hr)) return hr;
    }
    std::string imagePath;
    if (FAILED(Ansi(copy.imagePath, imagePath))) return E_OUTOFMEMORY;
    DiscCopySettings kept = copy;
    kept.imagePath = nullptr;  // the operation keeps its own ANSI copy
    auto op = NewOperation<DiscCopyOperation>(from, std::move(imagePath), kept, settings);
    if (!op) return E_OUTOFMEMORY;
    if (from.get() != &target && !op->HoldSource()) return E_OUTOFMEMORY;
    return AsyncOperation::Start(target, std::move(op));
}

// ---- data-track import ----------------------------------------------------------

namespace {

class ImportOperation final : public AsyncOperation {
public:
    ImportOperation(LONG trackNumber, uint32_t flags, ComPtr<VexoCDStamp> stamp, ComPtr<VexoFolder> folder,
                    ComPtr<VexoImportDataTrackInfo> info) noexcept
        : AsyncOperation(OperationId::ImportIsoTrack),
          trackNumber_(trackNumber),
          flags_(flags),
          stamp_(std::move(stamp)),
          folder_(std::move(folder)),
          info_(std::move(info)) {}

    // The result objects are marshalled from the client's apartment, once
    // each, so that the events hand the client its own objects.
    HRESULT Prepare() noexcept {
        if (HRESULT hr = stampOut_.Marshal(static_cast<IVexoCDStamp*>(stamp_.get()), IID_IVexoCDStamp); FAILED(hr))
            return hr;
        if (HRESULT hr = folderOut_.Marshal(static_cast<IVexoFolder*>(folder_.get()), IID_IVexoFolder); FAILED(hr))
            return hr;
        return infoOut_.Marshal(static_cast<IVexoImportDataTrackInfo*>(info_.get()), IID_IVexoImportDataTrackInfo);
    }

private:
    void Run() override {
        bool ok = false;
        int32_t result = 1;  // VIDTR_GENERIC_ERROR until the engine says
        {
            engine::Use during;
            void* engineStamp = nullptr;
            void* root = eb::VexoImportDataTrack(Drive().Device(), trackNumber_, &engineStamp, info_->Record(), flags_,
                                                 &result);
            if (engineStamp) stamp_->TakeStamp(engineStamp);
            if (root) ok = SUCCEEDED(folder_->AdoptEngineTree(root));
        }
        ComPtr<IVexoCDStamp> stamp;
        ComPtr<IVexoFolder> folder;
        ComPtr<IVexoImportDataTrackInfo> info;
        stampOut_.Take(IID_IVexoCDStamp, stamp.put_void());
        folderOut_.Take(IID_IVexoFolder, folder.put_void());
        infoOut_.Take(IID_IVexoImportDataTrackInfo, info.put_void());
        Unregister();
        if (auto f = Events()) {
            const VARIANT_BOOL done = ok ? VARIANT_TRUE : VARIANT_FALSE;
            f->OnDoneImport(done, folder.get(), stamp.get());
            f->OnDoneImport2(done, folder.get(), stamp.get(), info.get(),
                             static_cast<VEXO_IMPORT_DATA_TRACK_RESULT>(result));
        }
    }

    LONG trackNumber_;
    uint32_t flags_;
    ComPtr<VexoCDStamp> stamp_;
    ComPtr<VexoFolder> folder_;
    ComPtr<VexoImportDataTrackInfo> info_;
    com::MarshalledOnce stampOut_, folderOut_, infoOut_;
};

}  // namespace

HRESULT StartImport(VexoDrive& drive, LONG trackNumber, VEXO_IMPORT_ISO_TRACK_FLAGS flags) {
    if (HRESULT hr = drive.Guard(OperationId::ImportIsoTrack); FAILED(hr)) return hr;
    ComPtr<VexoCDStamp> stamp = VexoCDStamp::Make();
    ComPtr<VexoFolder> folder = VexoFolder::Make();
    ComPtr<VexoImportDataTrackInfo> info = VexoImportDataTrackInfo::Make();
    if (!stamp || !folder || !info) return E_OUTOFMEMORY;
    auto op = NewOperation<ImportOperation>(trackNumber, static_cast<uint32_t>(flags), stamp, folder, info);
    if (!op) return E_OUTOFMEMORY;
    if (HRESULT hr = op->Prepare(); FAILED(hr)) return hr;
    return AsyncOperation::Start(drive, std::move(op));
}

// ---- track size estimate ----------------------------------------------------------

namespace {

class EstimateOperation final : public AsyncOperation {
public:
    EstimateOperation(ComPtr<VexoISOTrack> isoTrack, uint32_t flags, ComPtr<VexoFileSystemTrackOptions> options) noexcept
        : AsyncOperation(OperationId::EstimateTrackSize),
          isoTrack_(std::move(isoTrack)),
          flags_(flags),
          options_(std::move(options)) {}

    InUseMarks& Marks() noexcept { return marks_; }

private:
    void Run() override {
        bool ok = false;
        int32_t size = 0;
        {
            namespace eo = rec::EstimateOptions;
            std::array<uint8_t, eo::Size> record{};
            rec::Bytes r(record);
            rec::WriteU32(r, eo::StructSize, static_cast<uint32_t>(eo::Size));
            rec::WritePointer(r, eo::Device, Drive().Device());
            if (options_) {
                VexoCDStamp* stamp = options_->CDStamp();
                rec::WritePointer(r, eo::Stamp, stamp ? stamp->EngineStamp() : nullptr);
                rec::WriteU32(r, eo::MediaType, options_->MediaType());
                rec::WriteU32(r, eo::BurnFlags, options_->BurnFlags());
                if (VexoFileSystemDescContainer* container = options_->Container()) {
                    rec::WritePointer(r, eo::Container, container->EngineContainer());
                    rec::WriteU32(r, eo::BurnOptions, container->BurnOptions());
                }
            }
            EngineIsoTrack track;
            if (track.Build(isoTrack_.get())) {
                size = eb::VexoEstimateTrackSize(track.get(), flags_, record.data());
                ok = size != -1;
                if (!ok) size = 0;
            }
        }
        marks_.Clear();
        Unregister();
        if (auto f = Events()) f->OnDoneEstimateTrackSize(ok ? VARIANT_TRUE : VARIANT_FALSE, size);
    }

    ComPtr<VexoISOTrack> isoTrack_;
    uint32_t flags_;
    ComPtr<VexoFileSystemTrackOptions> options_;
    InUseMarks marks_;
};

}  // namespace

HRESULT StartEstimate(VexoDrive& drive, IVexoISOTrack* isoTrack, VEXO_ESTIMATE_FLAGS flags,
                      IVexoFileSystemTrackOptions* options) {
    ComPtr<VexoISOTrack> iso;
    ComPtr<VexoFileSystemTrackOptions> kept;
    if (FAILED(Own(isoTrack, iso)) || FAILED(Own(options, kept))) return E_INVALIDARG;
    if (HRESULT hr = drive.Guard(OperationId::EstimateTrackSize); FAILED(hr)) return hr;
    auto op = NewOperation<EstimateOperation>(iso, static_cast<uint32_t>(flags), kept);
    if (!op) return E_OUTOFMEMORY;
    // The engine reads the container's tree on the worker: it is kept from
    // changes as the data track is.
    if (!op->Marks().Take(iso.get()) || !op->Marks().Take(kept ? kept->Container() : nullptr))
        return drive.Fail(kErrLocked);
    return AsyncOperation::Start(drive, std::move(op));
}

}  // namespace vexo::burning
