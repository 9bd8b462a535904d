#include "questions/VexoDlgMessageBox.h"

#include "com/Bstr.h"

namespace vexo {

VexoDlgMessageBox::VexoDlgMessageBox(std::span<const uint8_t> record)
    : fields_(questions::ReadMessageBox(record)) {
    if (fields_.text) text_.emplace(fields_.text);
    fields_.text = nullptr;  // not the object's to read later
}

STDMETHODIMP VexoDlgMessageBox::get_Type(VEXODLG_MESSAGE_TYPE* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = static_cast<VEXODLG_MESSAGE_TYPE>(fields_.type);
    return S_OK;
}

STDMETHODIMP VexoDlgMessageBox::get_Icon(VEXODLG_ICON_TYPE* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = static_cast<VEXODLG_ICON_TYPE>(fields_.icon);
    return S_OK;
}

STDMETHODIMP VexoDlgMessageBox::get_Response(VEXO_RESPONSE* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = static_cast<VEXO_RESPONSE>(fields_.response);
    return S_OK;
}

STDMETHODIMP VexoDlgMessageBox::get_Message(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    return text_ ? com::ReturnAnsi(text_->c_str(), pVal) : S_OK;
}

}  // namespace vexo
