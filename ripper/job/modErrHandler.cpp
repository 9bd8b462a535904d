#include "modErrHandler.h"

#include <cstdio>

namespace modErrHandler {
namespace {

struct CodeName {
    uint32_t code;
    const char* text;
};

constexpr CodeName Names[] = {
    {0x80000001u, "Guard Page Violation"},
    {0x80000002u, "Data Type Misalignment"},
    {0x80000003u, "Breakpoint"},
    {0x80000004u, "Single Step"},
    {0xC0000005u, "Access Violation"},
    {0xC0000006u, "In Page Error"},
    {0xC0000008u, "Invalid Handle"},
    {0xC000001Du, "Illegal Instruction"},
    {0xC0000025u, "Non Continuable Exception"},
    {0xC0000026u, "Invalid Disposition"},
    {0xC000008Cu, "Array Bounds Exceeded"},
    {0xC000008Du, "Float Denormal Operand"},
    {0xC000008Eu, "Divide By Zero"},
    {0xC000008Fu, "Floating Point Inexact Result"},
    {0xC0000090u, "Invalid Operation"},
    {0xC0000091u, "Float Overflow"},
    {0xC0000092u, "Float Stack Check"},
    {0xC0000093u, "Float Underflow"},
    {0xC0000094u, "Integer Divide By Zero"},
    {0xC0000095u, "Integer Overflow"},
    {0xC0000096u, "Privileged Instruction"},
    {0xC00000FDu, "Stack Overflow"},
    {0xC000013Au, "Control-C Exit"},
};

// One resume point per running GuardedInvoke, innermost first.
struct Guard {
    void* resume[5];  // the register snapshot of __builtin_setjmp
    AppError error;
    Guard* outer;
};

thread_local Guard* innermost = nullptr;

void MessageBoxReport(const AppError& e) {
    char title[64];
    std::snprintf(title, sizeof title, "Run-time error '%d'", e.number);
    MessageBoxA(nullptr, e.description.c_str(), title, MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

GeneralReport generalReport = MessageBoxReport;

// Where the faulting thread continues: back to the innermost guard's resume
// point. Runs on the faulting thread's stack, below the guard's frame.
[[noreturn]] void ResumeAtGuard() {
    __builtin_longjmp(innermost->resume, 1);
}

// The chain of nested records can come from anywhere; never follow more
// than this many links (a corrupt chain must not hang the filter).
constexpr int MaxChain = 64;

}  // namespace

std::string ExceptionCodeText(uint32_t code) {
    for (const CodeName& n : Names)
        if (n.code == code) return n.text;
    char text[32];
    std::snprintf(text, sizeof text, "Unknown (&H%08X)", static_cast<unsigned>(code));
    return text;
}

uint32_t OriginalExceptionCode(const EXCEPTION_RECORD* record) {
    if (!record) return 0;
    EXCEPTION_RECORD copy = *record;
    for (int i = 0; copy.ExceptionRecord && i < MaxChain; ++i) copy = *copy.ExceptionRecord;
    return static_cast<uint32_t>(copy.ExceptionCode);
}

AppError ErrorFor(const EXCEPTION_RECORD* record) {
    return AppError{ErrorNumber, ErrorSource, ExceptionCodeText(OriginalExceptionCode(record))};
}

LONG WINAPI MyExceptionFilter(EXCEPTION_POINTERS* pointers) {
    const AppError error = ErrorFor(pointers ? pointers->ExceptionRecord : nullptr);
    Guard* guard = innermost;
    if (guard && pointers && pointers->ContextRecord) {
        guard->error = error;
        CONTEXT* c = pointers->ContextRecord;
        // Continue in ResumeAtGuard as if it had been called: some room below
        // the faulting frame, the stack aligned as at a function's entry.
#ifdef _WIN64
        c->Rsp = ((c->Rsp - 512) & ~static_cast<DWORD64>(15)) - 8;
        c->Rip = reinterpret_cast<DWORD64>(&ResumeAtGuard);
#else
        c->Esp = ((c->Esp - 512) & ~static_cast<DWORD>(15)) - 4;
        c->Eip = reinterpret_cast<DWORD>(&ResumeAtGuard);
#endif
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (generalReport) generalReport(error);
    ExitProcess(static_cast<UINT>(ErrorNumber));
}

void Install() { SetUnhandledExceptionFilter(MyExceptionFilter); }

GeneralReport SetGeneralReport(GeneralReport report) { return std::exchange(generalReport, report); }

AppError GuardedInvoke(void (*fn)(void*), void* context) {
    Guard guard{};
    guard.outer = innermost;
    innermost = &guard;
    if (__builtin_setjmp(guard.resume) == 0) {
        fn(context);
        innermost = guard.outer;
        return {};
    }
    // Back from ResumeAtGuard: the filter stored the error.
    Guard* self = innermost;
    innermost = self->outer;
    return self->error;
}

}  // namespace modErrHandler
