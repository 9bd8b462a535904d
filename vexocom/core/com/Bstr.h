// BSTR owner and the ANSI conversions every text crossing the server uses:
// BSTR <-> ANSI text in the ANSI code page, a null BSTR counting as empty.
#pragma once

#include <oleauto.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

namespace vexo::com {

class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(const wchar_t* text) : b_(text ? ::SysAllocString(text) : nullptr) {}
    Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
    Bstr& operator=(Bstr&& o) noexcept {
        if (this != &o) reset(std::exchange(o.b_, nullptr));
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { reset(); }

    static Bstr Attach(BSTR b) noexcept {
        Bstr r;
        r.b_ = b;
        return r;
    }
    BSTR Detach() noexcept { return std::exchange(b_, nullptr); }
    BSTR get() const noexcept { return b_; }
    BSTR* put() noexcept {
        reset();
        return &b_;
    }
    void reset(BSTR b = nullptr) noexcept {
        if (BSTR old = std::exchange(b_, b)) ::SysFreeString(old);
    }
    UINT length() const noexcept { return b_ ? ::SysStringLen(b_) : 0; }
    explicit operator bool() const noexcept { return b_ != nullptr; }

private:
    BSTR b_ = nullptr;
};

// UTF-16 of a BSTR, empty for null.
inline std::wstring_view BstrView(BSTR b) noexcept {
    return b ? std::wstring_view(b, ::SysStringLen(b)) : std::wstring_view();
}

// ANSI text (ANSI code page) of a BSTR; a null BSTR gives "".
inline std::string BstrToAnsi(BSTR b) {
    std::wstring_view w = BstrView(b);
    if (w.empty()) return {};
    int n = ::WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// A new BSTR from ANSI text; null text gives a null BSTR, "" an empty one.
// Sets *ok to false when the allocation failed.
inline BSTR AnsiToBstr(const char* text, bool* ok = nullptr) {
    if (ok) *ok = true;
    if (!text) return nullptr;
    int len = static_cast<int>(std::char_traits<char>::length(text));
    int n = len ? ::MultiByteToWideChar(CP_ACP, 0, text, len, nullptr, 0) : 0;
    BSTR b = ::SysAllocStringLen(nullptr, static_cast<UINT>(n));
    if (!b) {
        if (ok) *ok = false;
        return nullptr;
    }
    if (n) ::MultiByteToWideChar(CP_ACP, 0, text, len, b, n);
    b[n] = L'\0';
    return b;
}

inline BSTR AnsiToBstr(const std::string& text, bool* ok = nullptr) { return AnsiToBstr(text.c_str(), ok); }

// Hands an ANSI text out through a BSTR out parameter: S_OK, or
// E_OUTOFMEMORY when the copy could not be made.
inline HRESULT ReturnAnsi(const char* text, BSTR* out) {
    if (!out) return E_POINTER;
    bool ok = true;
    *out = AnsiToBstr(text, &ok);
    return ok ? S_OK : E_OUTOFMEMORY;
}

inline HRESULT ReturnWide(const wchar_t* text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = text ? ::SysAllocString(text) : nullptr;
    return (text && !*out) ? E_OUTOFMEMORY : S_OK;
}

}  // namespace vexo::com
