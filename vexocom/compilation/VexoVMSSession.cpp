#include "compilation/VexoVMSSession.h"

#include <algorithm>

#include "com/Bstr.h"

namespace vexo {

namespace rec = EngineRecords;
namespace vs = EngineRecords::VmsSession;

VexoVMSSession::VexoVMSSession(const uint8_t* record) noexcept {
    if (record) std::copy(record, record + vs::Size, record_.begin());
}

STDMETHODIMP VexoVMSSession::get_SessionName(BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        return com::ReturnAnsi(rec::ReadText(record_, vs::Name, vs::NameSize).c_str(), out);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP VexoVMSSession::get_CreationTime(DATE* out) {
    if (!out) return E_POINTER;
    *out = 0;
    auto field = [&](std::size_t i) { return rec::ReadI32(record_, vs::CreationTime + 4 * i); };
    // struct tm: sec, min, hour, mday, mon (0-11), year (since 1900), wday.
    const int32_t year = field(5) + 1900, month = field(4) + 1;
    SYSTEMTIME t{};
    if (year < 100 || year > 9999 || month < 1 || month > 12) return E_FAIL;
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDayOfWeek = static_cast<WORD>(field(6) & 0xFFFF);
    t.wDay = static_cast<WORD>(field(3) & 0xFFFF);
    t.wHour = static_cast<WORD>(field(2) & 0xFFFF);
    t.wMinute = static_cast<WORD>(field(1) & 0xFFFF);
    t.wSecond = static_cast<WORD>(field(0) & 0xFFFF);
    t.wMilliseconds = 0;
    DATE date = 0;
    if (!::SystemTimeToVariantTime(&t, &date)) return E_FAIL;
    *out = date;
    return S_OK;
}

STDMETHODIMP VexoVMSSession::get_NextWritableAddress(LONG* out) {
    if (!out) return E_POINTER;
    *out = rec::ReadI32(record_, vs::NextWritableAddress);
    return S_OK;
}

}  // namespace vexo
