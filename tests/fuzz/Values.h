// The arguments of one fuzzed call: values of every VARIANT type, edge and
// random, by value and by reference, owned until the call's arguments go.
//
// Texts are safe to use as paths: they never hold a drive letter or a
// colon, never start with a slash or backslash, never climb with "..", and
// no part of them names a device, so every file they name lies inside the
// process's current folder (the scratch folder) or, for the absolute paths
// built here, inside the scratch folder given.
#pragma once

#include <oaidl.h>
#include <oleauto.h>

#include <memory>
#include <string>
#include <vector>

#include "Random.h"

namespace fuzz {

// Where objects for arguments come from. Pointers are borrowed.
class ObjectSource {
public:
    virtual ~ObjectSource() = default;
    // Any object of the server the fuzzer holds, with its description; null
    // when it holds none.
    virtual IDispatch* AnyServerObject(Rng& rng, std::string& description) = 0;
    // An object of the server that answers `iid`, or null.
    virtual IDispatch* ServerObjectFor(REFIID iid, Rng& rng, std::string& description) = 0;
    // The fuzzer's own IDispatch (no type information) and a plain IUnknown.
    virtual IDispatch* ForeignDispatch() = 0;
    virtual IUnknown* ForeignUnknown() = 0;
};

// What a declared parameter takes, as far as the generator cares.
struct ParamType {
    VARTYPE vt = VT_VARIANT;     // scalar type, VT_BSTR, VT_VARIANT, VT_DISPATCH, VT_UNKNOWN or VT_SAFEARRAY
    VARTYPE element = VT_UI1;    // VT_SAFEARRAY: its element type
    bool byRef = false;          // [out] or [in, out]
    bool optional = false;
    IID iid = IID_NULL;          // an interface parameter's interface
    std::vector<LONG> enumValues;  // an enumeration's constants
};

// One call's arguments in declared order, owned. Params() lays them out as
// IDispatch::Invoke wants them (last first, the named ones in front).
class CallArguments {
public:
    CallArguments() = default;
    CallArguments(const CallArguments&) = delete;
    CallArguments& operator=(const CallArguments&) = delete;
    ~CallArguments();

    // A new empty argument at the end; `description` tells what it is.
    VARIANT& Add(std::string description);
    // A new by-reference argument whose target is a VARIANT holding a value
    // of type `vt` (VT_VARIANT: the argument is VT_BYREF | VT_VARIANT); the
    // caller fills the returned target.
    VARIANT& AddByRef(VARTYPE vt, std::string description);
    // A by-reference DECIMAL.
    DECIMAL& AddDecimalByRef(std::string description);
    size_t Count() const { return values_.size(); }

    // Named arguments: ids for the first `ids.size()` entries of rgvarg.
    void SetNamed(std::vector<DISPID> ids) { named_ = std::move(ids); }
    DISPPARAMS* Params();
    std::string Describe() const;

    // Objects the callee put into by-reference targets (not those passed
    // in), one new reference each (the caller releases them).
    std::vector<IDispatch*> ReturnedObjects() const;

private:
    struct Target {
        VARIANT v;
        DECIMAL d;
        IUnknown* passed;  // the object it held when the call began (not owned)
    };
    std::vector<VARIANT> values_;
    std::vector<std::string> descriptions_;
    std::vector<std::unique_ptr<Target>> targets_;
    std::vector<VARIANT> laidOut_;
    std::vector<DISPID> named_;
    DISPPARAMS params_{};
};

class ValueMaker {
public:
    ValueMaker(ObjectSource& objects, std::wstring scratch) : objects_(objects), scratch_(std::move(scratch)) {}

    // An argument that fits `type` most of the time, with edge values.
    void Plausible(const ParamType& type, Rng& rng, CallArguments& args);
    // An argument of any type, by value or by reference.
    void AnyValue(Rng& rng, CallArguments& args);

    // A text as the fuzzer passes them (see above); null BSTR for kind 0.
    BSTR Text(Rng& rng, std::string& description);
    // Makes `text` safe as a path (the rules above).
    static std::wstring Tame(std::wstring text);

private:
    // Fills `v` (empty) with a value of type `vt`; returns its description.
    std::string Fill(VARIANT& v, VARTYPE vt, Rng& rng, const ParamType* type);
    std::string FillArray(VARIANT& v, VARTYPE element, Rng& rng);
    std::string FillObject(VARIANT& v, VARTYPE vt, const IID* iid, Rng& rng);
    static std::string FillDecimal(DECIMAL& d, Rng& rng);
    VARTYPE AnyType(Rng& rng, bool scalarOnly);

    ObjectSource& objects_;
    std::wstring scratch_;
};

// A short readable form of a VARIANT (type and value).
std::string DescribeVariant(const VARIANT& v);

}  // namespace fuzz
