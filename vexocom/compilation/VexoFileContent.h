// VexoFileContent: reads a file entry's bytes through the engine's content
// reader, from the start, into a client's array of signed bytes.
#pragma once

#include "EngineFileSystem.h"
#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "engineobject/EngineState.h"

namespace vexo {

class VexoFileContent final : public com::DispatchObject<VexoFileContent, IVexoFileContent> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoFileContent};

    explicit VexoFileContent(EngineBinding::FsContent reader) noexcept : reader_(std::move(reader)) {}

    // Reads up to `length` bytes, never more than the array holds; the
    // count read is the result. A buffer that is not a byte array, or a
    // negative length, is message 535.
    STDMETHODIMP Read(VARIANT* buffer, LONG length, LONG* read) override;
    STDMETHODIMP get_EndOfFile(BOOL* out) override;
    STDMETHODIMP get_Error(BOOL* out) override;

    static const GUID& ErrorClass() noexcept { return CLSID_VexoFileContent; }

private:
    engine::Use use_;  // first in, last out
    EngineBinding::FsContent reader_;
};

}  // namespace vexo
