/*
 * Lets the proxy/stub C that widl writes build with mingw-w64.
 *
 * The generated code wraps every marshalling step in RpcTryExcept /
 * RpcTryFinally blocks and, unless USE_COMPILER_EXCEPTIONS is set, expects
 * Wine's private exception frames (wine/exception.h), which mingw-w64 does
 * not ship. GCC has no structured exception handling on i686, so here the
 * blocks are plain scopes: the protected part runs, then the "finally"
 * part, and the "except" part is compiled but never taken. A failure that
 * the marshalling code raises as an exception therefore travels to the
 * caller's own handlers instead of becoming an HRESULT; every successful
 * call behaves exactly as with real exception frames.
 *
 * Include this before the generated Vexo_p.c and dlldata.c (VexoProxy.c and
 * VexoDllData.c do).
 */
#ifndef VEXO_WIDL_COMPAT_H
#define VEXO_WIDL_COMPAT_H

#ifndef USE_COMPILER_EXCEPTIONS
#define USE_COMPILER_EXCEPTIONS
#endif

#ifndef COBJMACROS
#define COBJMACROS
#endif

#include <windows.h>
#include <objbase.h>
#include <rpc.h>
#include <rpcndr.h>
#include <rpcproxy.h>

#undef RpcTryExcept
#undef RpcExcept
#undef RpcEndExcept
#undef RpcTryFinally
#undef RpcFinally
#undef RpcEndFinally
#undef RpcExceptionCode
#undef RpcAbnormalTermination

#define RpcTryExcept        if (1) {
#define RpcExcept(expr)     } else {
#define RpcEndExcept        }
#define RpcTryFinally       {
#define RpcFinally          } {
#define RpcEndFinally       }
#define RpcExceptionCode()  ((DWORD)RPC_S_CALL_FAILED)
#define RpcAbnormalTermination() 0

/* Exported by rpcrt4; mingw-w64 declares them for C++ only. */
#ifndef __cplusplus
HRESULT STDMETHODCALLTYPE IUnknown_QueryInterface_Proxy(IUnknown *This, REFIID riid, void **ppvObject);
ULONG STDMETHODCALLTYPE IUnknown_AddRef_Proxy(IUnknown *This);
ULONG STDMETHODCALLTYPE IUnknown_Release_Proxy(IUnknown *This);
#endif

#ifndef DECLSPEC_HIDDEN
#define DECLSPEC_HIDDEN
#endif

#endif
