// The arguments of an event, made fit for a script procedure. A source
// passes its in/out arguments by reference to typed storage (VT_BYREF |
// VT_I4, VT_BOOL, VT_BSTR, VT_DISPATCH, ...); the script engines write a
// procedure's assignments back only through references to variants. So each
// typed reference is handed to the procedure as a reference to a variant
// holding its value, and after the call what the procedure left there is
// converted back to the type and stored where the source will read it.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <vector>

namespace host {

class ByRefArguments {
public:
    explicit ByRefArguments(DISPPARAMS* source);
    ByRefArguments(const ByRefArguments&) = delete;
    ByRefArguments& operator=(const ByRefArguments&) = delete;
    ~ByRefArguments();

    // The arguments to pass to the procedure.
    DISPPARAMS* Params() noexcept { return &params_; }
    // Stores what the procedure left in each by-reference argument back into
    // the source's storage (values that cannot be converted are left as the
    // source passed them).
    void WriteBack();

private:
    DISPPARAMS* source_;
    std::vector<VARIANT> values_;  // the procedure's variants, one per argument
    std::vector<VARIANT> args_;    // what the procedure receives
    DISPPARAMS params_{};
};

}  // namespace host
