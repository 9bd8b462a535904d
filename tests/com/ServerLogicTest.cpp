// Pure logic of the server: the engine directory, init-result texts, the
// init record's boolean, the answers to the engine's questions.
#include <gtest/gtest.h>

#include "questions/EngineQuestions.h"
#include "engineobject/EngineState.h"
#include "com/ReportError.h"

namespace eng = vexo::engine;
namespace q = vexo::questions;

TEST(EngineDirectory, OneTrailingBackslashWithOrWithoutInput) {
    EXPECT_EQ(eng::EngineDirectoryFor("C:\\Engine"), "C:\\Engine\\");
    EXPECT_EQ(eng::EngineDirectoryFor("C:\\Engine\\"), "C:\\Engine\\");
    EXPECT_EQ(eng::EngineDirectoryFor(""), "");
}

TEST(InitResultText, FollowsTheStoredResult) {
    EXPECT_FALSE(eng::InitResultText(0));
    EXPECT_EQ(eng::InitResultText(1).value(), "Invalid arguments detected while initializing library!");
    EXPECT_EQ(eng::InitResultText(5).value(), "Already initialized!");
    EXPECT_EQ(eng::InitResultText(6).value(), "Already initialized!");
    for (int r : {2, 3, 4, 7, -1, 1000}) EXPECT_EQ(eng::InitResultText(r).value(), "Unspecified error!") << r;
}

TEST(InitRecordBoolean, WidenedWithSignAndReadBackFromLowWord) {
    EXPECT_EQ(eng::WidenBool(VARIANT_TRUE), -1);
    EXPECT_EQ(eng::WidenBool(VARIANT_FALSE), 0);
    EXPECT_EQ(eng::NarrowBool(-1), VARIANT_TRUE);
    EXPECT_EQ(eng::NarrowBool(0x10000), VARIANT_FALSE);
    EXPECT_EQ(eng::NarrowBool(0x1FFFF), VARIANT_TRUE);
}

TEST(ErrorHresult, FacilityItfPlusStringId) {
    EXPECT_EQ(static_cast<uint32_t>(vexo::ErrorHresult(513)), 0x80040201u);
    EXPECT_EQ(static_cast<uint32_t>(vexo::ErrorHresult(546)), 0x80040222u);
    EXPECT_EQ(vexo::ErrorHresult(0), DISP_E_EXCEPTION);
}

TEST(EngineQuestions, AnswersOutsideTheKeptSetFallBackToThePreset) {
    EXPECT_EQ(q::KeptResponse(q::kDisconnect, 0, 1), 5);  // a sink answering 1 gives 5
    EXPECT_EQ(q::KeptResponse(q::kDisconnect, 0, 3), 3);
    EXPECT_EQ(q::KeptResponse(q::kDisconnectRestart, 0, 5), 4);
    EXPECT_EQ(q::KeptResponse(q::kAutoInsert, 0, 9), 9);
    EXPECT_EQ(q::KeptResponse(q::kAutoInsert, 0, 1), 5);
    EXPECT_EQ(q::KeptResponse(q::kNonEmptyCDRW, 0, 4), 4);
    EXPECT_EQ(q::KeptResponse(q::kNonEmptyCDRW, 0, 1), 0);
    EXPECT_EQ(q::KeptResponse(q::kDlgMessageBox, 1, -7), -7);  // every answer is kept
}

TEST(EngineQuestions, UnansweredQuestionsGetPresetOrFixedResult) {
    EXPECT_EQ(q::UnansweredResponse(q::kNonEmptyCDRW, 0), 0);
    EXPECT_EQ(q::UnansweredResponse(q::kOverburn, 0), 0);
    EXPECT_EQ(q::UnansweredResponse(q::kCopyQualityLoss, 0), 1);
    EXPECT_EQ(q::UnansweredResponse(q::kRestart, 0), -1);
    EXPECT_EQ(q::UnansweredResponse(q::kWaitCD, 3), -1);
    EXPECT_EQ(q::UnansweredResponse(q::kFileSelImage, 0), 0);
    EXPECT_EQ(q::UnansweredResponse(99, 0), -1);
}

TEST(EngineQuestions, AudioProblemsDecidedByTheData) {
    EXPECT_FALSE(q::PresetResponse(q::kAudioProblems, 0x20));  // no track found
    EXPECT_FALSE(q::PresetResponse(q::kAudioProblems, -1));    // fatal
    EXPECT_EQ(q::PresetResponse(q::kAudioProblems, 3).value(), 1);
    EXPECT_EQ(q::UnansweredResponse(q::kAudioProblems, 0x21), 0);
    EXPECT_EQ(q::KeptResponse(q::kAudioProblems, 3, 0), 0);
    EXPECT_EQ(q::KeptResponse(q::kAudioProblems, 3, 7), 1);
}
