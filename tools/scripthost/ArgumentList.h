// WScript.Arguments: the script's command-line arguments as a read-only
// collection (Item, Count, Length, For Each).
#pragma once

#include <string>
#include <vector>

#include "HostObject.h"

namespace host {

class ArgumentList final : public HostObject {
public:
    static IDispatch* Create(std::vector<std::wstring> arguments);

protected:
    HRESULT Call(DISPID id, WORD flags, const CallArgs& args, VARIANT* result, EXCEPINFO* excep) override;

private:
    explicit ArgumentList(std::vector<std::wstring> arguments);

    std::vector<std::wstring> arguments_;
};

}  // namespace host
