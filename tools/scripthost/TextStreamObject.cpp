#include "TextStreamObject.h"

#include <string>

namespace host {

namespace {
constexpr DISPID kWrite = 1, kWriteLine = 2, kWriteBlankLines = 3;
constexpr Member kMembers[] = {{L"Write", kWrite}, {L"WriteLine", kWriteLine}, {L"WriteBlankLines", kWriteBlankLines}};
}  // namespace

IDispatch* TextStreamObject::Create(Stream stream) { return new TextStreamObject(stream); }

TextStreamObject::TextStreamObject(Stream stream) : HostObject(kMembers), stream_(stream) {}

HRESULT TextStreamObject::Call(DISPID id, WORD, const CallArgs& args, VARIANT*, EXCEPINFO* excep) {
    std::wstring text;
    switch (id) {
        case kWrite:
            if (!args.Text(0, text)) return Fail(excep, L"Write needs a text.", E_INVALIDARG);
            Write(stream_, text);
            return S_OK;
        case kWriteLine:
            if (args.Count() > 0 && !args.Text(0, text)) return Fail(excep, L"WriteLine needs a text.", E_INVALIDARG);
            WriteLine(stream_, text);
            return S_OK;
        case kWriteBlankLines: {
            LONG lines = 0;
            if (!args.Long(0, lines)) return Fail(excep, L"WriteBlankLines needs a number.", E_INVALIDARG);
            for (LONG i = 0; i < lines; ++i) WriteLine(stream_, L"");
            return S_OK;
        }
    }
    return DISP_E_MEMBERNOTFOUND;
}

}  // namespace host
