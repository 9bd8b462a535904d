// A notification delivered on a short-lived thread of its own: the thread
// enters a single-threaded apartment, obtains the source's forwarder from
// the global interface table by its cookie, fires one event through it and
// ends. Used for the engine's drive-status notifications, which arrive on
// engine threads that must not wait for the client.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <new>
#include <utility>

#include "WinHandles.h"
#include "com/ComPtr.h"
#include "com/GlobalInterfaceTable.h"

namespace vexo {

// Starts the thread; `fire(Interface*)` runs on it with the forwarder. True
// when the thread started (the notification is taken).
template <class Interface, class Fire>
bool StartNoticeThread(DWORD forwarderCookie, Fire fire) {
    struct Notice {
        DWORD cookie;
        Fire fire;
        static DWORD WINAPI Run(void* param) {
            Notice* n = static_cast<Notice*>(param);
            if (SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
                {
                    com::ComPtr<Interface> forwarder;
                    if (SUCCEEDED(com::GitEntry::GetFromGlobal(n->cookie, __uuidof(Interface),
                                                               forwarder.put_void())) &&
                        forwarder)
                        n->fire(forwarder.get());
                }
                ::CoUninitialize();
            }
            delete n;
            return 0;
        }
    };
    if (!forwarderCookie) return false;
    auto* notice = new (std::nothrow) Notice{forwarderCookie, std::move(fire)};
    if (!notice) return false;
    win::unique_handle thread(::CreateThread(nullptr, 0, &Notice::Run, notice, 0, nullptr));
    if (!thread) {
        delete notice;
        return false;
    }
    return true;
}

}  // namespace vexo
