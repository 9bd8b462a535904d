// Exports of the stand-in alone, for tests that bind them by name:
//
//   int  VexoSimGetCounter(const char* name)   a counter (0 when never set)
//   int  VexoSimGetText(const char* name, char* buffer, int size)
//                     length of the text, -1 when there is none; copies at
//                     most size - 1 characters and terminates them
//   int  VexoSimFireDriveChange(int host, int target, int status)
//                     queues one notification per registered callback for
//                     the engine thread; returns how many
//   int  VexoSimWaitIdle(int timeoutMs)        1 when no notification is
//                     pending or running any more and the engine thread
//                     has ended, 0 on timeout
//   int  VexoSimReset()                        reread the configuration file,
//                     start counters, texts, errors and initialisation afresh
//   int  VexoSimConfigure(const char* text)    the same from a configuration
//                     text; returns the number of lines not understood
//   int  VexoSimAsk(int request, intptr_t data) calls the user-dialog callback
//                     VexoInit received, on the calling thread; its answer
//                     (-1 when there is none)
//   int  VexoSimIdle()                         calls the idle callback; its
//                     answer (-1 when there is none)
//   int  VexoSimAskSpec(int request, const char* dataText)
//                     builds the request's data from the text as the engine
//                     does (Questions.h), calls the user-dialog callback on
//                     the calling thread; its answer (-1 when there is none,
//                     -2 when the text is not understood)
//   int  VexoSimFireDriveStatus(int device, int type, int status)
//                     calls every status callback registered for that device
//                     and type from the engine thread and waits; how many

#include "Questions.h"
#include "SimEngine.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <memory>

using namespace vexosim;

#ifndef VEXOSIM_VARIANT
#define VEXOSIM_VARIANT "v2"
#endif
#define VEXOSIM_STR2(x) #x
#define VEXOSIM_STR(x) VEXOSIM_STR2(x)

extern "C" {

std::int32_t WINAPI VexoSimGetCounter(const char* name) {
    return Guarded<std::int32_t>(0, [&] {
        if (!name) return std::int32_t(0);
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int64_t v = e.Counter(std::string(name, strnlen(name, 256)));
        return static_cast<std::int32_t>(v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : v));
    });
}

std::int32_t WINAPI VexoSimGetText(const char* name, char* buffer, std::int32_t size) {
    return Guarded<std::int32_t>(-1, [&] {
        if (!name) return std::int32_t(-1);
        std::string key(name, strnlen(name, 256));
        std::string text;
        bool found = true;
        if (key == "variant") {
            text = VEXOSIM_VARIANT;
        } else if (key == "product.version") {
#ifdef VEXOSIM_VERSION_MAJOR
            text = VEXOSIM_STR(VEXOSIM_VERSION_MAJOR) "." VEXOSIM_STR(VEXOSIM_VERSION_MINOR) "." VEXOSIM_STR(
                VEXOSIM_VERSION_THIRD) "." VEXOSIM_STR(VEXOSIM_VERSION_FOURTH);
#else
            found = false;
#endif
        } else {
            SimEngine& e = SimEngine::Get();
            auto lock = e.Lock();
            if (key == "config.path")
                text = e.ConfigPath();
            else
                found = e.Text(key, text);
        }
        if (!found) return std::int32_t(-1);
        if (buffer && size > 0) {
            std::size_t n = text.size() < std::size_t(size) ? text.size() : std::size_t(size) - 1;
            std::memcpy(buffer, text.data(), n);
            buffer[n] = '\0';
        }
        return static_cast<std::int32_t>(text.size());
    });
}

std::int32_t WINAPI VexoSimFireDriveChange(std::int32_t host, std::int32_t target, std::int32_t status) {
    return Guarded<std::int32_t>(0, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        e.Count("drivechange.requested");
        return e.Notifier().FireAll(host, target, status);
    });
}

std::int32_t WINAPI VexoSimWaitIdle(std::int32_t timeoutMs) {
    return Guarded<std::int32_t>(0, [&] {
        // Without the engine lock: the engine thread takes it after each callback.
        DriveChangeNotifier& n = SimEngine::Get().Notifier();
        return n.WaitIdle(timeoutMs < 0 ? 0 : static_cast<DWORD>(timeoutMs)) ? std::int32_t(1) : std::int32_t(0);
    });
}

std::int32_t WINAPI VexoSimReset() {
    return Guarded<std::int32_t>(0, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        e.Reset();
        return std::int32_t(1);
    });
}

std::int32_t WINAPI VexoSimConfigure(const char* text) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        e.Configure(text ? std::string_view(text) : std::string_view(), "VexoSimConfigure");
        return static_cast<std::int32_t>(e.Config().warnings.size());
    });
}

std::int32_t WINAPI VexoSimAsk(std::int32_t request, std::intptr_t data) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        DialogCallback dialog;
        void* userData;
        {
            auto lock = e.Lock();
            e.Count("ask.calls");
            e.SetCounter("ask.request", request);
            dialog = e.dialog;
            userData = e.dialogUserData;
            if (!dialog) {
                e.Count("ask.nocallback");
                return std::int32_t(-1);
            }
        }
        std::int32_t answer = dialog(userData, request, data);
        auto lock = e.Lock();
        e.SetCounter("ask.response", answer);
        e.Log(Format("user dialog %d answered %d", request, answer));
        return answer;
    });
}

std::int32_t WINAPI VexoSimAskSpec(std::int32_t request, const char* dataText) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        DialogCallback dialog;
        void* userData;
        std::unique_ptr<QuestionData> q;
        {
            auto lock = e.Lock();
            e.Count("ask.calls");
            e.SetCounter("ask.request", request);
            std::string why;
            q = QuestionData::Build(request, dataText ? std::string_view(dataText, strnlen(dataText, 4096)) : std::string_view(),
                                    e.Config().mediaNames, &why);
            if (!q) {
                e.Count("ask.baddata");
                e.Log("VexoSimAskSpec: " + why);
                return std::int32_t(-2);
            }
            dialog = e.dialog;
            userData = e.dialogUserData;
            if (!dialog) {
                e.Count("ask.nocallback");
                return std::int32_t(-1);
            }
        }
        std::int32_t answer = dialog(userData, request, q->Data());
        auto lock = e.Lock();
        e.SetCounter("ask.response", answer);
        if (auto text = q->BufferText()) e.SetText("ask.text", *text);
        if (!q->GuardIntact()) e.CheckFailed("VexoSimAskSpec", Format("the answer to request %d overran the buffer", request));
        e.Log(Format("user dialog %d answered %d", request, answer));
        return answer;
    });
}

std::int32_t WINAPI VexoSimFireDriveStatus(std::int32_t device, std::int32_t type, std::int32_t status) {
    return Guarded<std::int32_t>(0, [&] {
        SimEngine& e = SimEngine::Get();
        {
            auto lock = e.Lock();
            e.Count("status.requested");
        }
        // Without the engine lock: the engine thread takes it after each callback.
        return e.Notifier().FireStatusAndWait(device, type, status, 10000);
    });
}

std::int32_t WINAPI VexoSimIdle() {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        IdleCallback idle;
        void* userData;
        {
            auto lock = e.Lock();
            e.Count("idle.calls");
            idle = e.idle;
            userData = e.idleUserData;
        }
        return idle ? idle(userData) : std::int32_t(-1);
    });
}

}  // extern "C"
