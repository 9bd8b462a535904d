// HostObject: the base of the host's own automation objects (WScript, its
// argument list, its text streams). Late-bound only: names are looked up
// case-insensitively in the object's member table, and Invoke hands the call
// to the object's Call with the arguments in the order the script wrote them.
// A member fails by filling the exception information (Fail), which the
// script engine raises as a run-time error carrying that text.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <span>
#include <string>

namespace host {

struct Member {
    const wchar_t* name;
    DISPID id;
};

// The positional arguments of a late-bound call, first argument first.
class CallArgs {
public:
    explicit CallArgs(const DISPPARAMS* params) noexcept : p_(params) {}
    UINT Count() const noexcept { return p_ ? p_->cArgs - p_->cNamedArgs : 0; }
    // Argument i as the script passed it (by reference for a script variable),
    // or null past the end.
    VARIANT* At(UINT i) const noexcept;
    // Argument i followed through its reference; null past the end.
    const VARIANT* Value(UINT i) const noexcept;
    // Argument i as text; false when it cannot be converted.
    bool Text(UINT i, std::wstring& out) const;
    // Argument i as a 32-bit number; false when it cannot be converted.
    bool Long(UINT i, LONG& out) const;
    // Argument i as an object (null for Nothing); false for anything else.
    bool Object(UINT i, IDispatch*& out) const noexcept;

private:
    const DISPPARAMS* p_;
};

class HostObject : public IDispatch {
public:
    HostObject(const HostObject&) = delete;
    HostObject& operator=(const HostObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override;

protected:
    explicit HostObject(std::span<const Member> members) noexcept : members_(members) {}
    virtual ~HostObject() = default;

    // One member call. `result` may be null when the caller wants none.
    virtual HRESULT Call(DISPID id, WORD flags, const CallArgs& args, VARIANT* result, EXCEPINFO* excep) = 0;

    // Fills the exception information with `text` (source: the host's name)
    // and answers DISP_E_EXCEPTION, so the script sees a run-time error.
    static HRESULT Fail(EXCEPINFO* excep, const std::wstring& text, HRESULT code = E_FAIL);

private:
    std::span<const Member> members_;
    LONG refs_ = 1;
};

// Results of members.
HRESULT ReturnText(VARIANT* result, const std::wstring& text);
HRESULT ReturnLong(VARIANT* result, LONG value);
HRESULT ReturnBool(VARIANT* result, bool value);
// Hands out `object` with a new reference (VT_DISPATCH).
HRESULT ReturnObject(VARIANT* result, IDispatch* object);

}  // namespace host
