/*
 * Entry points of the proxy/stub part built from widl's dlldata.c (see
 * VexoDllData.c). The server's DllMain passes every notification to
 * PrxDllMain first; DllGetClassObject asks PrxDllGetClassObject before its
 * own class table; DllCanUnloadNow requires PrxDllCanUnloadNow() == S_OK;
 * DllRegisterServer / DllUnregisterServer call the Prx pair first.
 */
#ifndef VEXO_PROXY_H
#define VEXO_PROXY_H

#include <windows.h>
#include <objbase.h>

#ifdef __cplusplus
extern "C" {
#endif

BOOL WINAPI PrxDllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
HRESULT WINAPI PrxDllGetClassObject(REFCLSID clsid, REFIID iid, void **object);
HRESULT WINAPI PrxDllCanUnloadNow(void);
HRESULT WINAPI PrxDllRegisterServer(void);
HRESULT WINAPI PrxDllUnregisterServer(void);

/* The class identifier of the proxy/stub factory. */
extern const CLSID CLSID_PSFactoryBuffer;

/* The interfaces the proxy file serves, in its own order. */
ULONG WINAPI VexoProxyInterfaceCount(void);
const IID *WINAPI VexoProxyInterfaceId(ULONG index);       /* null past the end */
const char *WINAPI VexoProxyInterfaceName(ULONG index);    /* null past the end */

#ifdef __cplusplus
}
#endif

#endif
