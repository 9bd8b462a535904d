#include "ArgumentList.h"

#include <windows.h>
#include <oleauto.h>

#include "Variant.h"

namespace host {

namespace {

constexpr DISPID kItem = DISPID_VALUE, kCount = 1, kLength = 2;
constexpr Member kMembers[] = {
    {L"Item", kItem}, {L"Count", kCount}, {L"Length", kLength}, {L"_NewEnum", DISPID_NEWENUM}};

// An enumerator over a copy of the texts.
class TextEnumerator final : public IEnumVARIANT {
public:
    explicit TextEnumerator(std::vector<std::wstring> texts) : texts_(std::move(texts)) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IEnumVARIANT) {
            *out = static_cast<IEnumVARIANT*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        if (!out) return E_POINTER;
        ULONG n = 0;
        for (; n < count && next_ < texts_.size(); ++n, ++next_) {
            ::VariantInit(&out[n]);
            V_VT(&out[n]) = VT_BSTR;
            V_BSTR(&out[n]) = ::SysAllocString(texts_[next_].c_str());
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        next_ += count;
        return next_ <= texts_.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        next_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumVARIANT** out) override {
        if (!out) return E_POINTER;
        auto* copy = new TextEnumerator(texts_);
        copy->next_ = next_;
        *out = copy;
        return S_OK;
    }

private:
    ~TextEnumerator() = default;
    std::vector<std::wstring> texts_;
    size_t next_ = 0;
    LONG refs_ = 1;
};

}  // namespace

IDispatch* ArgumentList::Create(std::vector<std::wstring> arguments) { return new ArgumentList(std::move(arguments)); }

ArgumentList::ArgumentList(std::vector<std::wstring> arguments) : HostObject(kMembers), arguments_(std::move(arguments)) {}

HRESULT ArgumentList::Call(DISPID id, WORD, const CallArgs& args, VARIANT* result, EXCEPINFO* excep) {
    switch (id) {
        case kItem: {
            LONG index = 0;
            if (!args.Long(0, index)) return Fail(excep, L"Arguments.Item needs the number of an argument.", E_INVALIDARG);
            if (index < 0 || static_cast<size_t>(index) >= arguments_.size())
                return Fail(excep, L"There is no argument number " + std::to_wstring(index) + L".",
                            DISP_E_BADINDEX);
            return ReturnText(result, arguments_[static_cast<size_t>(index)]);
        }
        case kCount:
        case kLength: return ReturnLong(result, static_cast<LONG>(arguments_.size()));
        case DISPID_NEWENUM:
            if (result) {
                V_VT(result) = VT_UNKNOWN;
                V_UNKNOWN(result) = new TextEnumerator(arguments_);
            }
            return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

}  // namespace host
