// modErrHandler: turns a fatal processor exception (an access violation
// inside an outside library, say) into application error 10000, source
// "MyExceptionFilter", described by ExceptionCodeText of the original code.
//
// How it reaches the running operation: the compiler has no structured
// exception handling, so an operation wraps each risky call into an outside
// library in GuardedCall. GuardedCall records a resume point (a register
// snapshot taken with __builtin_setjmp) on a per-thread stack of guards.
// MyExceptionFilter, the process's unhandled-exception filter, stores the
// error in the innermost guard and lets the faulting thread continue in a
// small trampoline that jumps back to that resume point; GuardedCall then
// returns the error to its caller, which reports it as it reports any other
// error. Frames between the guard and the fault (the library's own) are
// abandoned without clean-up, so the guarded callable should hold no owners
// of its own: keep it to the one library call.
//
// With no guard active, the filter hands the error to the general report
// (a message box by default; SetGeneralReport changes it, e.g. for a console
// mode) and ends the process with exit code 10000.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "AppError.h"

namespace modErrHandler {

constexpr int32_t ErrorNumber = 10000;
inline constexpr const char* ErrorSource = "MyExceptionFilter";

// The readable name of a processor exception code; "Unknown (&HXXXXXXXX)"
// for codes outside the table.
std::string ExceptionCodeText(uint32_t code);

// The code of the original exception: the last record of the nested chain.
// A null record gives 0.
uint32_t OriginalExceptionCode(const EXCEPTION_RECORD* record);

// Application error 10000 for the given exception record.
AppError ErrorFor(const EXCEPTION_RECORD* record);

// The unhandled-exception filter; Install() registers it for the process.
LONG WINAPI MyExceptionFilter(EXCEPTION_POINTERS* pointers);
void Install();

using GeneralReport = void (*)(const AppError&);
// Replaces the report used when no guarded call is running; returns the old one.
GeneralReport SetGeneralReport(GeneralReport report);

// Runs fn(context) under a guard: a processor exception inside it makes this
// return error 10000 instead of ending the process. Guards nest.
AppError GuardedInvoke(void (*fn)(void*), void* context);

template <class F>
AppError GuardedCall(F&& fn) {
    auto thunk = [](void* p) { (*static_cast<std::remove_reference_t<F>*>(p))(); };
    return GuardedInvoke(thunk, static_cast<void*>(&fn));
}

}  // namespace modErrHandler
