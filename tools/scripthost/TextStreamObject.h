// WScript.StdOut and WScript.StdErr: Write, WriteLine and WriteBlankLines on
// one of the host's output streams.
#pragma once

#include "HostObject.h"
#include "Output.h"

namespace host {

class TextStreamObject final : public HostObject {
public:
    static IDispatch* Create(Stream stream);

protected:
    HRESULT Call(DISPID id, WORD flags, const CallArgs& args, VARIANT* result, EXCEPINFO* excep) override;

private:
    explicit TextStreamObject(Stream stream);
    Stream stream_;
};

}  // namespace host
