// The crash filter: the exception-name table, the nested-record chain, and
// real processor exceptions inside a DLL call becoming error 10000 for the
// running operation, or ending the process through the general report.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "modErrHandler.h"

using modErrHandler::ExceptionCodeText;

TEST(ExceptionCodeText, NamesTheKnownCodes) {
    EXPECT_EQ(ExceptionCodeText(0xC0000005u), "Access Violation");
    EXPECT_EQ(ExceptionCodeText(0x80000001u), "Guard Page Violation");
    EXPECT_EQ(ExceptionCodeText(0xC0000094u), "Integer Divide By Zero");
    EXPECT_EQ(ExceptionCodeText(0xC000008Eu), "Divide By Zero");
    EXPECT_EQ(ExceptionCodeText(0xC00000FDu), "Stack Overflow");
    EXPECT_EQ(ExceptionCodeText(0xC000013Au), "Control-C Exit");
}

TEST(ExceptionCodeText, FormatsUnknownCodesAsEightHexDigits) {
    EXPECT_EQ(ExceptionCodeText(0xE06D7363u), "Unknown (&HE06D7363)");
    EXPECT_EQ(ExceptionCodeText(1u), "Unknown (&H00000001)");
    EXPECT_EQ(ExceptionCodeText(0u), "Unknown (&H00000000)");
    EXPECT_EQ(ExceptionCodeText(0xC0000007u), "Unknown (&HC0000007)");
    EXPECT_EQ(ExceptionCodeText(0xabcdef01u), "Unknown (&HABCDEF01)");
}

TEST(ExceptionChain, TheLastNestedRecordIsTheOriginal) {
    EXCEPTION_RECORD original{}, middle{}, outer{};
    original.ExceptionCode = 0xC0000094u;
    middle.ExceptionCode = 0xC0000026u;
    middle.ExceptionRecord = &original;
    outer.ExceptionCode = 0xC0000025u;
    outer.ExceptionRecord = &middle;
    EXPECT_EQ(modErrHandler::OriginalExceptionCode(&outer), 0xC0000094u);
    EXPECT_EQ(modErrHandler::OriginalExceptionCode(&original), 0xC0000094u);
    EXPECT_EQ(modErrHandler::OriginalExceptionCode(nullptr), 0u);

    const AppError e = modErrHandler::ErrorFor(&outer);
    EXPECT_EQ(e.number, 10000);
    EXPECT_EQ(e.source, "MyExceptionFilter");
    EXPECT_EQ(e.description, "Integer Divide By Zero");
}

TEST(ExceptionChain, ACircularChainDoesNotHang) {
    EXCEPTION_RECORD a{}, b{};
    a.ExceptionCode = 1;
    b.ExceptionCode = 2;
    a.ExceptionRecord = &b;
    b.ExceptionRecord = &a;
    const uint32_t code = modErrHandler::OriginalExceptionCode(&a);
    EXPECT_TRUE(code == 1 || code == 2);
}

namespace {

using MemsetFn = void* (__cdecl*)(void*, int, size_t);

// memset of the C runtime DLL, called on a null pointer: a real access
// violation inside a library call.
void FaultInsideDll() {
    static HMODULE crt = LoadLibraryA("msvcrt.dll");
    auto fn = reinterpret_cast<MemsetFn>(reinterpret_cast<void*>(GetProcAddress(crt, "memset")));
    volatile MemsetFn call = fn;
    call(nullptr, 0, 64);
}

class CrashFilter : public ::testing::Test {
protected:
    void SetUp() override { modErrHandler::Install(); }
};

}  // namespace

TEST_F(CrashFilter, AnAccessViolationInsideADllCallBecomesError10000) {
    const AppError e = modErrHandler::GuardedCall([] { FaultInsideDll(); });
    EXPECT_EQ(e.number, 10000);
    EXPECT_EQ(e.source, "MyExceptionFilter");
    EXPECT_EQ(e.description, "Access Violation");
}

TEST_F(CrashFilter, ACallThatDoesNotFaultReturnsNoError) {
    int ran = 0;
    const AppError e = modErrHandler::GuardedCall([&] { ++ran; });
    EXPECT_FALSE(e);
    EXPECT_EQ(ran, 1);
}

TEST_F(CrashFilter, TheOperationGoesOnAfterTheErrorAndAgainAndAgain) {
    for (int i = 0; i < 20; ++i) {
        const AppError e = modErrHandler::GuardedCall([] { FaultInsideDll(); });
        ASSERT_EQ(e.description, "Access Violation") << "round " << i;
    }
    // The stack is intact: an ordinary call still works and returns normally.
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(buffer[15], 'x');
}

TEST_F(CrashFilter, GuardsNestAndTheInnermostTakesTheError) {
    AppError inner;
    bool after = false;
    const AppError outer = modErrHandler::GuardedCall([&] {
        inner = modErrHandler::GuardedCall([] { FaultInsideDll(); });
        after = true;
    });
    EXPECT_EQ(inner.description, "Access Violation");
    EXPECT_TRUE(after);
    EXPECT_FALSE(outer);
}

TEST_F(CrashFilter, OtherExceptionsGetTheirOwnNames) {
    const AppError e = modErrHandler::GuardedCall([] {
        volatile int zero = 0;
        volatile int x = 7 / zero;
        (void)x;
    });
    EXPECT_EQ(e.description, "Integer Divide By Zero");

    const AppError raised = modErrHandler::GuardedCall([] { RaiseException(0xE06D7363u, 0, 0, nullptr); });
    EXPECT_EQ(raised.description, "Unknown (&HE06D7363)");
}

namespace {
void PrintReport(const AppError& e) {
    std::fprintf(stderr, "report: %d %s %s\n", e.number, e.source.c_str(), e.description.c_str());
    std::fflush(stderr);
}
}  // namespace

TEST(CrashFilterDeathTest, WithNoOperationRunningTheGeneralReportEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            modErrHandler::Install();
            modErrHandler::SetGeneralReport(PrintReport);
            FaultInsideDll();
        },
        ::testing::ExitedWithCode(10000), "report: 10000 MyExceptionFilter Access Violation");
}
