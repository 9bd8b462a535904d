#include "burning/BurnAtOnceHandle.h"

#include <memory>
#include <new>
#include <utility>

#include "EngineBinding.h"
#include "com/Bstr.h"
#include "com/ByteArray.h"
#include "com/Variant.h"
#include "compilation/VexoFileSystemDescContainer.h"
#include "drives/VexoDrive.h"
#include "operations/AsyncOperation.h"

namespace vexo::burning {

namespace eb = EngineBinding;
namespace rec = EngineRecords;
namespace bao = EngineRecords::BurnAtOnceRecord;
using com::ComPtr;

namespace {

constexpr int32_t kBurnFailed = 3;  // VEXO_BURN_FAILED

class CreateOperation final : public AsyncOperation {
public:
    CreateOperation(uint32_t flags, int32_t speed) noexcept
        : AsyncOperation(OperationId::BAOCreateHandle), flags_(flags), speed_(speed) {}

private:
    void Run() override {
        const int32_t code =
            Drive().AtOnceHandle().CreateOnEngine(Drive().Device(), flags_, speed_, Drive().ProgressRecord());
        Unregister();
        if (auto f = Events()) f->OnDoneBAOCreateHandle(static_cast<VEXO_BURN_ERROR>(code));
    }
    uint32_t flags_;
    int32_t speed_;
};

class WriteOperation final : public AsyncOperation {
public:
    explicit WriteOperation(LONG count) noexcept : AsyncOperation(OperationId::BAOWriteToFile), count_(count) {}
    VARIANT* Buffer() noexcept { return buffer_.get(); }

private:
    void Run() override {
        int32_t code = kBurnFailed;
        uint32_t written = 0;
        com::ByteArrayView bytes;
        if (com::AsByteArray(buffer_.get(), bytes)) {
            com::SafeArrayData data(bytes.array);
            if (data)
                code = eb::VexoBAOWriteToFile(Drive().AtOnceHandle().Handle(), data.data(),
                                              static_cast<uint32_t>(count_), &written);
        }
        if (code != 0 && written > static_cast<uint32_t>(count_)) written = 0;
        buffer_.clear();
        Unregister();
        if (auto f = Events()) f->OnDoneBAOWriteToFile(static_cast<VEXO_BURN_ERROR>(code), static_cast<LONG>(written));
    }
    LONG count_;
    com::Variant buffer_;
};

class CloseOperation final : public AsyncOperation {
public:
    explicit CloseOperation(uint32_t flags) noexcept : AsyncOperation(OperationId::BAOCloseHandle), flags_(flags) {}

private:
    void Run() override {
        const int32_t code = Drive().AtOnceHandle().CloseOnEngine(flags_);
        Unregister();
        if (auto f = Events()) f->OnDoneBAOCloseHandle(static_cast<VEXO_BURN_ERROR>(code));
    }
    uint32_t flags_;
};

}  // namespace

BurnAtOnceHandle::~BurnAtOnceHandle() { CloseCancelled(); }

void* BurnAtOnceHandle::Handle() const noexcept {
    std::lock_guard lock(mutex_);
    return handle_;
}

void BurnAtOnceHandle::ForgetLocked() noexcept {
    handle_ = nullptr;
    state_ = State::None;
    if (container_) container_->Unlock();
    container_ = nullptr;
}

HRESULT BurnAtOnceHandle::Create(VexoDrive& drive, IVexoFileSystemDescContainer* content, BSTR tempDirectory,
                                 VEXO_BURN_FLAGS flags, LONG speed) {
    if (!content) return E_POINTER;
    ComPtr<VexoFileSystemDescContainer> container = com::OwnObject<VexoFileSystemDescContainer>(content);
    if (!container) return E_INVALIDARG;
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::None) return drive.Fail(kErrBaoHandleExists);
    }
    if (HRESULT hr = drive.Guard(OperationId::BAOCreateHandle); FAILED(hr)) return hr;
    std::string directory;
    try {
        directory = com::BstrToAnsi(tempDirectory);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    auto op = std::unique_ptr<CreateOperation>(new (std::nothrow) CreateOperation(static_cast<uint32_t>(flags), speed));
    if (!op) return E_OUTOFMEMORY;
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::None) return drive.Fail(kErrBaoHandleExists);
        if (!container->TryLock()) return drive.Fail(kErrLocked);
        state_ = State::Creating;
        container_ = container;
        tempDirectory_ = std::move(directory);
        record_.fill(0);
        rec::WriteU32(record_, bao::StructSize, static_cast<uint32_t>(bao::Size));
        rec::WritePointer(record_, bao::TempDirectory, tempDirectory_.empty() ? nullptr : tempDirectory_.c_str());
        rec::WritePointer(record_, bao::Container, container_->EngineContainer());
    }
    HRESULT hr = AsyncOperation::Start(drive, std::move(op));
    if (FAILED(hr)) {
        std::lock_guard lock(mutex_);
        ForgetLocked();
    }
    return hr;
}

int32_t BurnAtOnceHandle::CreateOnEngine(void* device, uint32_t flags, int32_t speed, void* progress) noexcept {
    void* handle = nullptr;
    // The record stays as it is while the state is Creating: nothing else
    // writes it until the engine has answered.
    const int32_t code = eb::VexoBAOCreateHandle(device, record_.data(), flags, speed, progress, &handle);
    std::lock_guard lock(mutex_);
    if (code == 0 && handle) {
        handle_ = handle;
        state_ = State::Held;
    } else {
        // No handle exists that could ever be closed to unlock the container.
        ForgetLocked();
    }
    return code == 0 && !handle ? kBurnFailed : code;
}

HRESULT BurnAtOnceHandle::OpenFile(VexoDrive& drive, BSTR name, LONG* offset, VEXO_BURN_ERROR* error) {
    if (!offset || !error) return E_POINTER;
    void* handle = Handle();
    if (!handle) return drive.Fail(kErrNoBaoHandle);
    std::string ansi;
    try {
        ansi = com::BstrToAnsi(name);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    uint32_t at = 0;
    *error = static_cast<VEXO_BURN_ERROR>(eb::VexoBAOOpenFile(handle, ansi.c_str(), &at));
    *offset = static_cast<LONG>(at);
    return S_OK;
}

HRESULT BurnAtOnceHandle::Write(VexoDrive& drive, const VARIANT& buffer, LONG count) {
    if (!Handle()) return drive.Fail(kErrNoBaoHandle);
    if (HRESULT hr = drive.Guard(OperationId::BAOWriteToFile); FAILED(hr)) return hr;
    auto op = std::unique_ptr<WriteOperation>(new (std::nothrow) WriteOperation(count));
    if (!op) return E_OUTOFMEMORY;
    // A copy that fails leaves its failure in the record, which then holds
    // no byte array.
    if (HRESULT hr = ::VariantCopyInd(op->Buffer(), const_cast<VARIANT*>(&buffer)); FAILED(hr)) {
        ::VariantClear(op->Buffer());
        V_VT(op->Buffer()) = VT_ERROR;
        V_ERROR(op->Buffer()) = hr;
    }
    com::ByteArrayView bytes;
    if (!com::AsByteArray(op->Buffer(), bytes) || count < 0 || count > bytes.count) return drive.Fail(kErrParameterType);
    return AsyncOperation::Start(drive, std::move(op));
}

HRESULT BurnAtOnceHandle::CloseFile(VexoDrive& drive, VEXO_BURN_ERROR* error) {
    if (!error) return E_POINTER;
    void* handle = Handle();
    if (!handle) return drive.Fail(kErrNoBaoHandle);
    *error = static_cast<VEXO_BURN_ERROR>(eb::VexoBAOCloseFile(handle));
    return S_OK;
}

HRESULT BurnAtOnceHandle::Close(VexoDrive& drive, VEXO_BAO_FLAGS flags) {
    if (!Handle()) return drive.Fail(kErrNoBaoHandle);
    if (HRESULT hr = drive.Guard(OperationId::BAOCloseHandle); FAILED(hr)) return hr;
    auto op = std::unique_ptr<CloseOperation>(new (std::nothrow) CloseOperation(static_cast<uint32_t>(flags)));
    if (!op) return E_OUTOFMEMORY;
    return AsyncOperation::Start(drive, std::move(op));
}

int32_t BurnAtOnceHandle::CloseOnEngine(uint32_t flags) noexcept {
    void* handle = Handle();
    const int32_t code = handle ? eb::VexoBAOCloseHandle(handle, flags) : kBurnFailed;
    // Whatever the engine answered, the handle is gone.
    std::lock_guard lock(mutex_);
    if (handle_ == handle) ForgetLocked();
    return code;
}

void BurnAtOnceHandle::CloseCancelled() noexcept {
    void* handle = Handle();
    if (handle) eb::VexoBAOCloseHandle(handle, 1);  // VBAOF_CANCELED
    std::lock_guard lock(mutex_);
    if (state_ != State::Creating) ForgetLocked();
}

}  // namespace vexo::burning
