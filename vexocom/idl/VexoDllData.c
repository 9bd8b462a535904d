/*
 * The proxy/stub part's class object, unload test and registration, as
 * widl's dlldata.c makes them, under the Prx prefix so that the server's
 * own entry points can call them: PrxDllMain (must see DLL_PROCESS_ATTACH,
 * it keeps the module handle for registration), PrxDllGetClassObject,
 * PrxDllCanUnloadNow, PrxDllRegisterServer and PrxDllUnregisterServer.
 *
 * The proxy/stub class identifier is fixed to the IID of __IVexoEvents__
 * so that it does not depend on the order widl lists the interfaces in.
 */
#define ENTRY_PREFIX Prx
#define REGISTER_PROXY_DLL
#define PROXY_CLSID_IS { 0x202522AF, 0x3E82, 0x4614, { 0x86, 0xC5, 0x6A, 0x96, 0xB8, 0x33, 0x10, 0xC9 } }
#include "widl_compat.h"
#include "dlldata.c"

ULONG WINAPI VexoProxyInterfaceCount(void)
{
    ULONG count = 0;
    const ProxyFileInfo *const *file;
    for (file = aProxyFileList; *file; ++file) count += (*file)->TableSize;
    return count;
}

static const ProxyFileInfo *file_of(ULONG *index)
{
    const ProxyFileInfo *const *file;
    for (file = aProxyFileList; *file; ++file)
    {
        if (*index < (*file)->TableSize) return *file;
        *index -= (*file)->TableSize;
    }
    return 0;
}

const IID *WINAPI VexoProxyInterfaceId(ULONG index)
{
    const ProxyFileInfo *file = file_of(&index);
    return file ? file->pStubVtblList[index]->header.piid : 0;
}

const char *WINAPI VexoProxyInterfaceName(ULONG index)
{
    const ProxyFileInfo *file = file_of(&index);
    return file ? file->pNamesArray[index] : 0;
}
