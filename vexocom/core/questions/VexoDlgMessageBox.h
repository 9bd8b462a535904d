// VexoDlgMessageBox: the argument of OnDlgMessageBox, made in the client's
// apartment from the engine's message-box record (not creatable). It keeps
// the type, icon and default response, and a copy of the message text: the
// engine's text lives only while the question is asked, and a client may
// keep the object longer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "questions/EngineQuestions.h"
#include "VexoInterfaces.h"
#include "com/DispatchObject.h"

namespace vexo {

class VexoDlgMessageBox final : public com::DispatchObject<VexoDlgMessageBox, IVexoDlgMessageBox> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoDlgMessageBox};
    static const GUID& ErrorClass() noexcept { return CLSID_VexoDlgMessageBox; }

    // Call while the engine's record (and its text) is alive.
    explicit VexoDlgMessageBox(std::span<const uint8_t> record);

    STDMETHODIMP get_Type(VEXODLG_MESSAGE_TYPE* pVal) override;
    STDMETHODIMP get_Icon(VEXODLG_ICON_TYPE* pVal) override;
    STDMETHODIMP get_Response(VEXO_RESPONSE* pVal) override;
    // The message text as a new BSTR (null when the engine gave none).
    STDMETHODIMP get_Message(BSTR* pVal) override;

private:
    questions::MessageBoxFields fields_;
    std::optional<std::string> text_;
};

}  // namespace vexo
