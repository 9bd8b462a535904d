#include "Values.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace fuzz {
namespace {

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, format);
    vsnprintf(buf, sizeof buf, format, ap);
    va_end(ap);
    return buf;
}

const char* TypeName(VARTYPE vt) {
    switch (vt & VT_TYPEMASK) {
        case VT_EMPTY: return "EMPTY";
        case VT_NULL: return "NULL";
        case VT_I1: return "I1";
        case VT_UI1: return "UI1";
        case VT_I2: return "I2";
        case VT_UI2: return "UI2";
        case VT_I4: return "I4";
        case VT_UI4: return "UI4";
        case VT_I8: return "I8";
        case VT_UI8: return "UI8";
        case VT_INT: return "INT";
        case VT_UINT: return "UINT";
        case VT_R4: return "R4";
        case VT_R8: return "R8";
        case VT_CY: return "CY";
        case VT_DATE: return "DATE";
        case VT_BSTR: return "BSTR";
        case VT_BOOL: return "BOOL";
        case VT_ERROR: return "ERROR";
        case VT_DECIMAL: return "DECIMAL";
        case VT_DISPATCH: return "DISPATCH";
        case VT_UNKNOWN: return "UNKNOWN";
        case VT_VARIANT: return "VARIANT";
        default: return "?";
    }
}

std::string Quoted(const wchar_t* s, UINT len) {
    std::string out = "'";
    for (UINT i = 0; i < len && i < 24; ++i) {
        wchar_t c = s[i];
        if (c >= 32 && c < 127 && c != '\'')
            out += static_cast<char>(c);
        else
            out += Printf("\\u%04x", static_cast<unsigned>(c));
    }
    if (len > 24) out += "...";
    return out + "'";
}

std::string Real(double d) {
    if (std::isnan(d)) return "nan";
    if (std::isinf(d)) return d > 0 ? "inf" : "-inf";
    return Printf("%.17g", d);
}

// Device names Windows opens instead of a file, whatever the folder.
bool IsDeviceName(const std::wstring& part) {
    std::wstring stem = part.substr(0, part.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (auto& c : stem) c = static_cast<wchar_t>(towupper(c));
    static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* n : kNames)
        if (stem == n) return true;
    return stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) && iswdigit(stem[3]);
}

}  // namespace

// ---- CallArguments ----------------------------------------------------------

CallArguments::~CallArguments() {
    for (VARIANT& v : values_) ::VariantClear(&v);  // a by-reference VARIANT is only emptied
    for (auto& t : targets_) ::VariantClear(&t->v);
}

VARIANT& CallArguments::Add(std::string description) {
    values_.emplace_back();
    ::VariantInit(&values_.back());
    descriptions_.push_back(std::move(description));
    return values_.back();
}

VARIANT& CallArguments::AddByRef(VARTYPE vt, std::string description) {
    auto t = std::make_unique<Target>();
    ::VariantInit(&t->v);
    VARIANT& arg = Add("BYREF|" + description);
    if (vt == VT_VARIANT) {
        V_VT(&arg) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&arg) = &t->v;
    } else {
        V_VT(&arg) = VT_BYREF | vt;
        V_BYREF(&arg) = &t->v.llVal;  // every member of the union starts there
    }
    targets_.push_back(std::move(t));
    return targets_.back()->v;
}

DECIMAL& CallArguments::AddDecimalByRef(std::string description) {
    auto t = std::make_unique<Target>();
    ::VariantInit(&t->v);
    std::memset(&t->d, 0, sizeof t->d);
    VARIANT& arg = Add("BYREF|" + description);
    V_VT(&arg) = VT_BYREF | VT_DECIMAL;
    V_DECIMALREF(&arg) = &t->d;
    targets_.push_back(std::move(t));
    return targets_.back()->d;
}

DISPPARAMS* CallArguments::Params() {
    for (auto& t : targets_)
        t->passed = V_VT(&t->v) == VT_DISPATCH || V_VT(&t->v) == VT_UNKNOWN ? V_UNKNOWN(&t->v) : nullptr;
    laidOut_.assign(values_.rbegin(), values_.rend());
    params_.cArgs = static_cast<UINT>(laidOut_.size());
    params_.rgvarg = laidOut_.empty() ? nullptr : laidOut_.data();
    params_.cNamedArgs = static_cast<UINT>(named_.size());
    params_.rgdispidNamedArgs = named_.empty() ? nullptr : named_.data();
    return &params_;
}

std::string CallArguments::Describe() const {
    std::string out = "(";
    for (size_t i = 0; i < descriptions_.size(); ++i) out += (i ? ", " : "") + descriptions_[i];
    out += ")";
    if (!named_.empty()) {
        out += " named[";
        for (size_t i = 0; i < named_.size(); ++i) out += (i ? "," : "") + std::to_string(named_[i]);
        out += "]";
    }
    return out;
}

std::vector<IDispatch*> CallArguments::ReturnedObjects() const {
    std::vector<IDispatch*> out;
    for (const auto& t : targets_) {
        const VARIANT& v = t->v;
        IUnknown* u = nullptr;
        if (V_VT(&v) == VT_DISPATCH) u = V_DISPATCH(&v);
        if (V_VT(&v) == VT_UNKNOWN) u = V_UNKNOWN(&v);
        if (u == t->passed) continue;
        IDispatch* d = nullptr;
        if (u && SUCCEEDED(u->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d))) && d) out.push_back(d);
    }
    return out;
}

// ---- texts -----------------------------------------------------------------

std::wstring ValueMaker::Tame(std::wstring text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text)
        if (c != L':') out += c;
    size_t at;
    while ((at = out.find(L"..")) != std::wstring::npos) out[at + 1] = L'_';
    while (!out.empty() && (out[0] == L'\\' || out[0] == L'/')) out.erase(0, 1);
    // Each part of the path (up to an embedded NUL, where Windows stops reading).
    size_t start = 0;
    const size_t end = std::min(out.size(), out.find(L'\0'));
    while (start <= end && start < out.size()) {
        size_t stop = out.find_first_of(L"\\/", start);
        if (stop == std::wstring::npos || stop > end) stop = end;
        if (IsDeviceName(out.substr(start, stop - start))) {
            out.insert(start, 1, L'_');
            ++stop;
        }
        start = stop + 1;
    }
    return out;
}

BSTR ValueMaker::Text(Rng& rng, std::string& description) {
    static const wchar_t kNameChars[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_- .";
    auto name = [&] {
        std::wstring s;
        const unsigned n = 1 + rng.Below(12);
        for (unsigned i = 0; i < n; ++i) s += kNameChars[rng.Below(static_cast<uint32_t>(wcslen(kNameChars)))];
        if (rng.Percent(40)) s += rng.Pick({L".iso", L".wav", L".mp3", L".bin", L".cue", L".img", L".txt", L""});
        return s;
    };
    std::wstring s;
    switch (rng.Below(13)) {
        case 0:
            description = "BSTR(null)";
            return nullptr;
        case 1:
            s = L"";
            break;
        case 2:
        case 3:
            s = name();
            break;
        case 4:
            s = scratch_ + L"\\" + Tame(name());
            if (rng.Percent(30)) s += L"\\" + Tame(name());
            break;
        case 5: {
            const unsigned n = rng.Pick({255u, 259u, 260u, 261u, 1000u, 32767u, 100000u});
            s.assign(n, rng.Percent(50) ? L'a' : L'\x00e9');
            if (rng.Percent(30)) s = scratch_ + L"\\" + s;
            break;
        }
        case 6:
            s = std::wstring(L"ab\0cd", 5) + name();
            if (rng.Percent(50)) s += std::wstring(1, L'\0');
            break;
        case 7:
            s = rng.Pick<const wchar_t*>({L"Caf\x00e9 \x00dc" L"bersicht", L"\x65e5\x672c\x8a9e", L"\xd800", L"\xdc00x",
                                           L"\xfeff", L"\x202e" L"txt.exe", L"\x0001\x0002"});
            break;
        case 8:
            s = rng.Pick<const wchar_t*>({L"0", L"1", L"-1", L"2147483648", L"-2147483649", L"1e400", L"NaN", L"&H10",
                                           L"0x10", L"true", L"#1/1/2000#", L"12/31/9999", L" 7 ", L"1,5"});
            break;
        case 9: {
            const unsigned n = 1 + rng.Below(64);
            for (unsigned i = 0; i < n; ++i) s += static_cast<wchar_t>(1 + rng.Below(0xFFFF));
            break;
        }
        case 10:
            s = L"synthetic" + std::wstring(L"\x003a") +  // the one colon let through: not a path
                rng.Pick<const wchar_t*>({L"0", L"1", L"100", L"4294968296", L"281474976710656", L"281474976710657",
                                          L"-1", L"abc", L"0x10000", L""});
            description = "BSTR" + Quoted(s.data(), static_cast<UINT>(s.size()));
            return ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
        case 11: {
            // An odd number of bytes: the last character is half there.
            const char bytes[] = "abcdefghijk";
            const UINT n = 1 + 2 * rng.Below(5);
            description = Printf("BSTR(odd %u bytes)", n);
            return ::SysAllocStringByteLen(bytes, n);
        }
        default:
            s = rng.Pick<const wchar_t*>({L"a\\\\b\\", L"a/b/c", L"sub\\", L".", L"a.", L" ", L"a\\.\\b", L"*", L"?.iso",
                                           L"a|b", L"<>", L"\"q\""});
            break;
    }
    s = Tame(std::move(s));
    description = Printf("BSTR[%u]", static_cast<unsigned>(s.size())) + Quoted(s.data(), static_cast<UINT>(s.size()));
    return ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

// ---- values ----------------------------------------------------------------

VARTYPE ValueMaker::AnyType(Rng& rng, bool scalarOnly) {
    static const VARTYPE kScalars[] = {VT_EMPTY, VT_NULL, VT_I1,  VT_UI1, VT_I2,   VT_UI2,  VT_I4,   VT_UI4,
                                       VT_I8,    VT_UI8,  VT_INT, VT_UINT, VT_R4,  VT_R8,   VT_CY,   VT_DATE,
                                       VT_BSTR,  VT_BOOL, VT_ERROR, VT_DECIMAL};
    static const VARTYPE kOthers[] = {VT_DISPATCH, VT_UNKNOWN, VT_SAFEARRAY};
    const uint32_t n = sizeof kScalars / sizeof kScalars[0];
    if (scalarOnly) return kScalars[rng.Below(n)];
    const uint32_t i = rng.Below(n + 3 * 2);
    return i < n ? kScalars[i] : kOthers[(i - n) / 2];
}

std::string ValueMaker::FillDecimal(DECIMAL& d, Rng& rng) {
    std::memset(&d, 0, sizeof d);
    switch (rng.Below(6)) {
        case 0: break;
        case 1:
            d.Hi32 = 0xFFFFFFFFu;
            d.Lo64 = ~0ull;
            break;
        case 2:
            d.Lo64 = 1 + rng.Below(100000);
            d.sign = DECIMAL_NEG;
            break;
        case 3:
            d.Lo64 = rng.Next();
            d.scale = 28;
            break;
        case 4:
            d.Lo64 = 5;
            d.scale = static_cast<BYTE>(29 + rng.Below(200));  // no valid scale
            break;
        default:
            d.Lo64 = 1;
            d.sign = 0x7F;  // no valid sign
            break;
    }
    return Printf("DECIMAL(hi %lx lo %llx scale %u sign %x)", static_cast<unsigned long>(d.Hi32),
                  static_cast<unsigned long long>(d.Lo64), d.scale, d.sign);
}

std::string ValueMaker::FillObject(VARIANT& v, VARTYPE vt, const IID* iid, Rng& rng) {
    std::string what;
    IUnknown* object = nullptr;
    const unsigned r = rng.Below(100);
    if (r < 10) {
        what = "null";
    } else if (r < 20) {
        object = objects_.ForeignDispatch();
        what = "foreign";
    } else if (r < 25) {
        object = objects_.ForeignUnknown();
        what = "foreign-unknown";
    } else if (iid && r < 75) {
        object = objects_.ServerObjectFor(*iid, rng, what);
        if (!object) object = objects_.AnyServerObject(rng, what);
    } else {
        object = objects_.AnyServerObject(rng, what);
    }
    if (!object && what.empty()) what = "null";
    if (vt == VT_DISPATCH && object && object == objects_.ForeignUnknown()) vt = VT_UNKNOWN;
    V_VT(&v) = vt;
    if (object) object->AddRef();
    if (vt == VT_DISPATCH)
        V_DISPATCH(&v) = static_cast<IDispatch*>(object);
    else
        V_UNKNOWN(&v) = object;
    return std::string(TypeName(vt)) + "(" + (object ? what : "null") + ")";
}

std::string ValueMaker::FillArray(VARIANT& v, VARTYPE element, Rng& rng) {
    const unsigned dims = rng.Percent(85) ? 1 : 2 + rng.Below(2);
    SAFEARRAYBOUND bounds[3];
    size_t total = 1;
    std::string shape;
    for (unsigned d = 0; d < dims; ++d) {
        const bool bytes = element == VT_UI1 || element == VT_I1;
        ULONG n = bytes ? rng.Pick<ULONG>({0, 1, 2, 7, 2047, 2048, 2049, 2352, 4096, 65536, 200000})
                        : rng.Pick<ULONG>({0, 1, 2, 3, 16, 100});
        if (dims > 1) n = n % 9;
        bounds[d].cElements = n;
        bounds[d].lLbound = rng.Percent(75) ? 0 : rng.Pick<LONG>({1, -5, 0x7FFFFFF0, -0x7FFFFFFF});
        total *= n;
        shape += Printf("%s%lu@%ld", d ? "x" : "", static_cast<unsigned long>(n), static_cast<long>(bounds[d].lLbound));
    }
    SAFEARRAY* a = ::SafeArrayCreate(element, dims, bounds);
    if (!a) return "ARRAY(not made)";
    if (total && total <= 4096 && element != VT_UI1 && element != VT_I1) {
        // Fill every element (in memory order) with a value of its type.
        for (size_t i = 0; i < total; ++i) {
            LONG index[3];
            size_t rest = i;
            for (unsigned d = 0; d < dims; ++d) {
                index[d] = bounds[d].lLbound + static_cast<LONG>(rest % bounds[d].cElements);
                rest /= bounds[d].cElements;
            }
            VARIANT e;
            ::VariantInit(&e);
            if (element == VT_VARIANT) {
                Fill(e, AnyType(rng, rng.Percent(70)), rng, nullptr);
                ::SafeArrayPutElement(a, index, &e);
            } else {
                Fill(e, element, rng, nullptr);
                if (V_VT(&e) == element)
                    ::SafeArrayPutElement(a, index, element == VT_BSTR ? static_cast<void*>(V_BSTR(&e))
                                                                       : element == VT_DISPATCH
                                                                             ? static_cast<void*>(V_DISPATCH(&e))
                                                                             : static_cast<void*>(&e.llVal));
            }
            ::VariantClear(&e);
        }
    } else if (total && (element == VT_UI1 || element == VT_I1)) {
        void* data = nullptr;
        if (SUCCEEDED(::SafeArrayAccessData(a, &data))) {
            auto* p = static_cast<unsigned char*>(data);
            const unsigned char fill = static_cast<unsigned char>(rng.Below(256));
            for (size_t i = 0; i < total; ++i) p[i] = static_cast<unsigned char>(fill + i);
            ::SafeArrayUnaccessData(a);
        }
    }
    V_VT(&v) = VT_ARRAY | element;
    V_ARRAY(&v) = a;
    return std::string("ARRAY(") + TypeName(element) + ")[" + shape + "]";
}

std::string ValueMaker::Fill(VARIANT& v, VARTYPE vt, Rng& rng, const ParamType* type) {
    const double kReals[] = {0.0,
                             -0.0,
                             1.0,
                             -1.0,
                             0.5,
                             2.0,
                             100.0,
                             std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::max(),
                             -std::numeric_limits<double>::max(),
                             2147483648.0,
                             -2147483649.0,
                             1e300};
    const LONGLONG kWide[] = {0, 1, -1, 2, 3, 7, 16, 100, 1000, 2048, 65535, 65536, 0x7FFFFFFF, -0x7FFFFFFF - 1,
                              0x100000000LL, 4294968296LL, 0x7FFFFFFFFFFFFFFFLL, -0x7FFFFFFFFFFFFFFFLL - 1};
    auto integer = [&]() -> LONGLONG {
        if (type && !type->enumValues.empty() && rng.Percent(70))
            return type->enumValues[rng.Below(static_cast<uint32_t>(type->enumValues.size()))];
        if (rng.Percent(40)) return static_cast<LONGLONG>(rng.Below(12)) - 1;
        if (rng.Percent(80)) return kWide[rng.Below(sizeof kWide / sizeof kWide[0])];
        return static_cast<LONGLONG>(rng.Next());
    };
    std::string d;
    V_VT(&v) = vt;
    switch (vt) {
        case VT_EMPTY: return "EMPTY";
        case VT_NULL: return "NULL";
        case VT_I1: V_I1(&v) = static_cast<CHAR>(integer()); return Printf("I1(%d)", V_I1(&v));
        case VT_UI1: V_UI1(&v) = static_cast<BYTE>(integer()); return Printf("UI1(%u)", V_UI1(&v));
        case VT_I2: V_I2(&v) = static_cast<SHORT>(integer()); return Printf("I2(%d)", V_I2(&v));
        case VT_UI2: V_UI2(&v) = static_cast<USHORT>(integer()); return Printf("UI2(%u)", V_UI2(&v));
        case VT_I4: V_I4(&v) = static_cast<LONG>(integer()); return Printf("I4(%ld)", static_cast<long>(V_I4(&v)));
        case VT_UI4: V_UI4(&v) = static_cast<ULONG>(integer()); return Printf("UI4(%lu)", static_cast<unsigned long>(V_UI4(&v)));
        case VT_INT: V_INT(&v) = static_cast<INT>(integer()); return Printf("INT(%d)", V_INT(&v));
        case VT_UINT: V_UINT(&v) = static_cast<UINT>(integer()); return Printf("UINT(%u)", V_UINT(&v));
        case VT_I8: V_I8(&v) = integer(); return Printf("I8(%lld)", static_cast<long long>(V_I8(&v)));
        case VT_UI8: V_UI8(&v) = static_cast<ULONGLONG>(integer()); return Printf("UI8(%llu)", static_cast<unsigned long long>(V_UI8(&v)));
        case VT_R4: {
            double r = rng.Percent(30) ? static_cast<double>(integer()) : kReals[rng.Below(16)];
            V_R4(&v) = rng.Percent(10) ? std::numeric_limits<float>::denorm_min() : static_cast<float>(r);
            return "R4(" + Real(V_R4(&v)) + ")";
        }
        case VT_R8:
            V_R8(&v) = rng.Percent(30) ? static_cast<double>(integer()) : kReals[rng.Below(16)];
            return "R8(" + Real(V_R8(&v)) + ")";
        case VT_DATE:
            V_DATE(&v) = rng.Pick<double>({0.0, 45000.5, -657435.0, 2958465.9, 2958466.0, -657436.0, 3e6, -1e10,
                                           std::numeric_limits<double>::quiet_NaN(),
                                           std::numeric_limits<double>::infinity()});
            return "DATE(" + Real(V_DATE(&v)) + ")";
        case VT_CY:
            V_CY(&v).int64 = rng.Percent(50) ? integer() * 10000 : integer();
            return Printf("CY(%lld)", static_cast<long long>(V_CY(&v).int64));
        case VT_BOOL:
            V_BOOL(&v) = rng.Pick<VARIANT_BOOL>({VARIANT_TRUE, VARIANT_FALSE, VARIANT_TRUE, VARIANT_FALSE, 1, 0x1234});
            return Printf("BOOL(%d)", V_BOOL(&v));
        case VT_ERROR:
            V_ERROR(&v) = rng.Pick<SCODE>({DISP_E_PARAMNOTFOUND, DISP_E_PARAMNOTFOUND, E_FAIL, 0});
            return Printf("ERROR(%08lx)", static_cast<unsigned long>(V_ERROR(&v)));
        case VT_DECIMAL: {
            DECIMAL dec;
            d = FillDecimal(dec, rng);
            V_DECIMAL(&v) = dec;  // covers the type field too
            V_VT(&v) = VT_DECIMAL;
            return d;
        }
        case VT_BSTR:
            V_BSTR(&v) = Text(rng, d);
            return d;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            return FillObject(v, vt, type && !::IsEqualGUID(type->iid, IID_NULL) ? &type->iid : nullptr, rng);
        case VT_SAFEARRAY:
        default: {
            V_VT(&v) = VT_EMPTY;
            VARTYPE element = type && vt == VT_SAFEARRAY && rng.Percent(70)
                                  ? type->element
                                  : rng.Pick<VARTYPE>({VT_UI1, VT_I1, VT_I4, VT_VARIANT, VT_BSTR, VT_R8, VT_DISPATCH, VT_I2});
            return FillArray(v, element, rng);
        }
    }
}

void ValueMaker::Plausible(const ParamType& type, Rng& rng, CallArguments& args) {
    VARTYPE vt = type.vt;
    if (vt == VT_VARIANT || rng.Percent(15)) vt = AnyType(rng, false);
    const bool byRef = type.byRef || rng.Percent(8);
    // By reference, mostly to the declared type; sometimes to a VARIANT holding it.
    const bool asVariant = byRef && (type.vt == VT_VARIANT || rng.Percent(15));
    if (byRef && !asVariant && vt == VT_DECIMAL) {
        DECIMAL dec;
        std::string d = FillDecimal(dec, rng);
        args.AddDecimalByRef(d) = dec;
        return;
    }
    VARIANT tmp;
    ::VariantInit(&tmp);
    std::string d = Fill(tmp, vt, rng, &type);
    if (!byRef) {
        args.Add(d) = tmp;  // the argument owns it now
        return;
    }
    VARIANT& target = args.AddByRef(asVariant ? static_cast<VARTYPE>(VT_VARIANT) : V_VT(&tmp), asVariant ? "VARIANT:" + d : d);
    target = tmp;  // the target owns it now
}

void ValueMaker::AnyValue(Rng& rng, CallArguments& args) {
    ParamType any;
    any.byRef = rng.Percent(20);
    Plausible(any, rng, args);
}

std::string DescribeVariant(const VARIANT& v) {
    VARIANT copy;
    ::VariantInit(&copy);
    const VARTYPE vt = V_VT(&v);
    if (vt == VT_BSTR) {
        const BSTR b = V_BSTR(&v);
        return b ? Printf("BSTR[%u]", ::SysStringLen(b)) + Quoted(b, ::SysStringLen(b)) : "BSTR(null)";
    }
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) return std::string(TypeName(vt)) + (V_UNKNOWN(&v) ? "(object)" : "(null)");
    if (vt & VT_ARRAY) return std::string("ARRAY(") + TypeName(vt) + ")";
    if (vt & VT_BYREF) return std::string("BYREF|") + TypeName(vt);
    if (SUCCEEDED(::VariantChangeType(&copy, const_cast<VARIANT*>(&v), 0, VT_BSTR)) && V_VT(&copy) == VT_BSTR) {
        std::string s = std::string(TypeName(vt)) + "(" +
                        Quoted(V_BSTR(&copy), ::SysStringLen(V_BSTR(&copy))).substr(1);
        s.back() = ')';
        ::VariantClear(&copy);
        return s;
    }
    return TypeName(vt);
}

}  // namespace fuzz
