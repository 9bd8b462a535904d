// The engine's questions as pure logic: the events each request fires, the
// preset and the kept answers of every request, the bounded copies into the
// engine's buffers, the request records, and the wait-for-disc text table.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "questions/EngineQuestions.h"
#include "questions/WaitCDTexts.h"

namespace q = vexo::questions;
namespace rec = EngineRecords;

namespace {

struct Row {
    int32_t request;
    intptr_t data;
    q::Events events;
    std::optional<int32_t> preset;
    std::vector<int32_t> kept;  // answers passed back as they are
    int32_t unanswered;         // the response with no client answer
    bool keepsAll = false;
};

// One row per line of the request table (request data values chosen to
// pick the branch).
const Row kRows[] = {
    {2, 0, {q::kOnDisconnect}, 5, {3, 4, 5}, 5},
    {6, 0, {q::kOnDisconnectRestart}, 4, {3, 4}, 4},
    {7, 0, {q::kOnAutoInsert}, 5, {0, 5, 8, 9}, 5},
    {10, 0, {q::kOnRestart}, std::nullopt, {}, -1},
    {11, 0, {q::kOnAutoInsertRestart}, std::nullopt, {}, -1},
    {12, 0, {q::kOnSettingsRestart}, 5, {4, 5}, 5},
    {13, 0, {q::kOnOverburn}, 0, {0, 1}, 0},
    {13, 0x1000, {q::kOnOverburn, q::kOnOverburn2}, 0, {0, 1}, 0},
    {14, 0x20, {q::kOnNoTrackFound}, std::nullopt, {}, 0},
    {14, 0x31, {q::kOnNoTrackFound}, std::nullopt, {}, 0},
    {14, -1, {q::kOnMegaFatal}, std::nullopt, {}, 0},
    {14, 0, {q::kOnAudioProblems}, 1, {0, 1}, 1},
    {14, 0x11, {q::kOnAudioProblems}, 1, {0, 1}, 1},
    {15, 3, {q::kOnWaitCD}, std::nullopt, {}, -1},
    {16, 0, {q::kOnWaitCDReminder}, std::nullopt, {}, -1},
    {17, 0, {q::kOnWaitCDDone}, std::nullopt, {}, -1},
    {18, 0, {q::kOnCopyQualityLoss}, 1, {0, 1}, 1},
    {19, 0, {q::kOnCopyFullRisk}, 0, {0, 1}, 0},
    {20, 0x1000, {q::kOnFileSelImage}, std::nullopt, {}, 0},
    {20, 0, {}, std::nullopt, {}, 0},
    {22, 0, {q::kOnNonEmptyCDRW}, 0, {4, 5}, 0},
    {28, 0x1000, {q::kOnWaitCDMediaInfo}, std::nullopt, {}, -1},
    {28, 0, {}, std::nullopt, {}, -1},
    {29, 0x1000, {q::kOnDlgMessageBox}, -1, {}, -1, true},
    {29, 0, {}, -1, {}, -1, true},
    {30, 0x1000, {q::kOnTempSpace}, std::nullopt, {}, 1},
    {30, 0, {}, std::nullopt, {}, -1},
    {0, 0, {}, std::nullopt, {}, -1},
    {21, 0, {}, std::nullopt, {}, -1},
    {31, 0, {}, std::nullopt, {}, -1},
};

}  // namespace

TEST(QuestionLogic, EveryRequestFiresItsEventsWithItsPresetAndKeepsOnlyItsAnswers) {
    for (const Row& row : kRows) {
        SCOPED_TRACE("request " + std::to_string(row.request) + " data " + std::to_string(row.data));
        EXPECT_EQ(q::EventsFor(row.request, row.data), row.events);
        EXPECT_EQ(q::PresetResponse(row.request, row.data), row.preset);
        EXPECT_EQ(q::UnansweredResponse(row.request, row.data), row.unanswered);
        std::set<int32_t> kept(row.kept.begin(), row.kept.end());
        for (int32_t answer = -9; answer <= 10; ++answer) {
            int32_t expected = row.unanswered;
            if (row.preset) expected = (row.keepsAll || kept.count(answer)) ? answer : *row.preset;
            EXPECT_EQ(q::KeptResponse(row.request, row.data, answer), expected) << "answer " << answer;
        }
    }
}

TEST(QuestionLogic, FatalAudioErrorIsToldApartFromNoTrackFound) {
    // -1 carries bit 0x20 as well; it must still be the fatal error.
    EXPECT_EQ(q::ClassifyAudioProblem(-1), q::AudioProblem::kMegaFatal);
    for (intptr_t d : {intptr_t{0x20}, intptr_t{0x21}, intptr_t{-2}, intptr_t{0x7FFFFFE0}})
        EXPECT_EQ(q::ClassifyAudioProblem(d), q::AudioProblem::kNoTrackFound) << d;
    for (intptr_t d : {intptr_t{0}, intptr_t{1}, intptr_t{0x1F}, intptr_t{0x40}})
        EXPECT_EQ(q::ClassifyAudioProblem(d), q::AudioProblem::kProblems) << d;
}

TEST(QuestionLogic, FileSelImageAnswersContinueOnlyForANonEmptyName) {
    EXPECT_EQ(q::FileSelImageResponse(true), 0);
    EXPECT_EQ(q::FileSelImageResponse(false), 5);
}

TEST(QuestionLogic, AnswersAreCutToTheBufferAndTerminated) {
    struct Case {
        std::size_t size;
        std::string answer;
        bool zeroFill;
        std::string expected;
    };
    const Case cases[] = {
        {8, "C:\\LongDirectory", false, "C:\\Long"},
        {8, "1234567", false, "1234567"},
        {8, "", false, ""},
        {1, "abc", false, ""},
        {260, std::string(300, 'n'), true, std::string(259, 'n')},
        {260, "D:\\image.iso", true, "D:\\image.iso"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.substr(0, 20) + " into " + std::to_string(c.size));
        std::vector<char> buffer(c.size + 4, 'x');  // 4 guard bytes after the buffer
        std::size_t n = q::CopyAnswer(std::span(buffer.data(), c.size), c.answer, c.zeroFill);
        EXPECT_EQ(n, c.expected.size());
        EXPECT_EQ(std::string(buffer.data()), c.expected);
        for (std::size_t i = c.expected.size() + 1; i < c.size; ++i)
            ASSERT_EQ(buffer[i], c.zeroFill ? '\0' : 'x') << "byte " << i;
        for (std::size_t i = c.size; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 'x') << "guard byte " << i;
    }
    char untouched = 'x';
    EXPECT_EQ(q::CopyAnswer(std::span(&untouched, 0), "abc", true), 0u);
    EXPECT_EQ(untouched, 'x');
}

TEST(QuestionLogic, RecordsAreReadAtTheEngineOffsets) {
    EXPECT_EQ(q::OverburnRecord::Size, 136u);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(q::MessageBoxRecord::Text, 12u);
        EXPECT_EQ(q::MediaInfoRecord::LastMediaName, 12u);
        EXPECT_EQ(q::MediaInfoRecord::RequestedMediaName, 16u);
        EXPECT_EQ(q::TempSpaceRecord::FreeLo, 8u);
        EXPECT_EQ(q::TempSpaceRecord::NeededHi, 20u);
        EXPECT_EQ(q::TempSpaceRecord::Buffer, 24u);
        EXPECT_EQ(q::TempSpaceRecord::BufferSize, 28u);
    }
    const char* text = "message";
    const char* other = "other";
    char out[16];

    std::vector<uint8_t> box(q::MessageBoxRecord::KeptSize);
    rec::WriteI32(box, 0, 5);
    rec::WriteI32(box, 4, 3);
    rec::WriteI32(box, 8, -7);
    rec::WritePointer(box, q::MessageBoxRecord::Text, text);
    q::MessageBoxFields m = q::ReadMessageBox(box);
    EXPECT_EQ(m.type, 5);
    EXPECT_EQ(m.icon, 3);
    EXPECT_EQ(m.response, -7);
    EXPECT_EQ(m.text, text);
    q::MessageBoxFields shortBox = q::ReadMessageBox(rec::ConstBytes(box.data(), 8));
    EXPECT_EQ(shortBox.icon, 3);
    EXPECT_EQ(shortBox.response, 0) << "fields past a short record read as 0";
    EXPECT_EQ(shortBox.text, nullptr);

    std::vector<uint8_t> media(q::MediaInfoRecord::Size);
    rec::WriteI32(media, 4, 1);
    rec::WriteI32(media, 8, 0x40);
    rec::WritePointer(media, q::MediaInfoRecord::LastMediaName, text);
    rec::WritePointer(media, q::MediaInfoRecord::RequestedMediaName, other);
    q::MediaInfoFields mi = q::ReadMediaInfo(media);
    EXPECT_EQ(mi.lastMedia, 1);
    EXPECT_EQ(mi.requestedMedia, 0x40);
    EXPECT_EQ(mi.lastName, text);
    EXPECT_EQ(mi.requestedName, other);

    std::vector<uint8_t> temp(q::TempSpaceRecord::Size);
    rec::WritePointer(temp, 0, text);
    rec::WriteI32(temp, q::TempSpaceRecord::FreeLo, -1);
    rec::WriteI32(temp, q::TempSpaceRecord::FreeHi, 2);
    rec::WriteI32(temp, q::TempSpaceRecord::NeededLo, 3);
    rec::WriteI32(temp, q::TempSpaceRecord::NeededHi, 4);
    rec::WritePointer(temp, q::TempSpaceRecord::Buffer, out);
    rec::WriteI32(temp, q::TempSpaceRecord::BufferSize, sizeof out);
    q::TempSpaceFields t = q::ReadTempSpace(temp);
    EXPECT_EQ(t.currentDirectory, text);
    EXPECT_EQ(t.freeLo, -1);
    EXPECT_EQ(t.freeHi, 2);
    EXPECT_EQ(t.neededLo, 3);
    EXPECT_EQ(t.neededHi, 4);
    EXPECT_EQ(t.buffer, out);
    EXPECT_EQ(t.bufferSize, 16);
    EXPECT_TRUE(t.Usable());

    // Nothing can be asked or answered without the directory, the buffer, or
    // room in it.
    q::TempSpaceFields noDir = t, noBuffer = t, noRoom = t, negative = t;
    noDir.currentDirectory = nullptr;
    noBuffer.buffer = nullptr;
    noRoom.bufferSize = 0;
    negative.bufferSize = -5;
    EXPECT_FALSE(noDir.Usable());
    EXPECT_FALSE(noBuffer.Usable());
    EXPECT_FALSE(noRoom.Usable());
    EXPECT_FALSE(negative.Usable());
}

TEST(WaitCDTexts, TableHoldsTheTwentySevenCodesInOrder) {
    auto table = vexo::waitcd::WaitCDTexts();
    ASSERT_EQ(table.size(), 27u);
    std::set<std::string_view> names;
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].code, static_cast<int32_t>(i));
        EXPECT_EQ(table[i].name.substr(0, 12), "VEXO_WAITCD_") << table[i].name;
        EXPECT_FALSE(table[i].text.empty());
        names.insert(table[i].name);
        EXPECT_EQ(vexo::waitcd::WaitCDTextFor(static_cast<int32_t>(i)), table[i].text);
    }
    EXPECT_EQ(names.size(), 27u) << "names are unique";
}

TEST(WaitCDTexts, TextsAreExactAndUnknownCodesGiveTheLastOne) {
    struct Case {
        int32_t code;
        std::string_view name, text;
    };
    const Case cases[] = {
        {0, "VEXO_WAITCD_WRITE", "Please insert the disc to write to..."},
        {4, "VEXO_WAITCD_NEXTCD", "Please remove the disc and  insert the next recordable disc to write to... "},
        {8, "VEXO_WAITCD_NEWORIGINAL",
         "The disc is blank, invalid\nor a multisession disc.\n\nPlease insert original disc ..."},
        {13, "VEXO_WAITCD_MULTISESSION",
         "Vexo is checking for the disc, please wait ...\n\nTo burn this multisession compilation you need the "
         "disc, that  contains the previous backup sessions. Please insert this disc if you haven't done it "
         "before."},
        {15, "VEXO_WAITCD_MULTI_REINSERT",
         "Please do not remove the disc!\n\nYour recorder requires this eject between simulation and burning. "
         "Please reinsert the\n same Multisession disc..."},
        {19, "VEXO_WAITCD_REINSERT_VER",
         "Please do not remove the disc!\n\nYour recorder requires that the disc be ejected between burning and "
         "verification. Please reinsert the disc...."},
        {22, "VEXO_WAITCD_WAITING", "--- Accessing disc, please wait ---"},
        {25, "VEXO_WAITCD_NOTENOUGHSPACE_80MIN",
         "There is not enough space to burn the compilation onto this disc.\n\nPlease insert a 80min/700MB media"},
        {26, "VEXO_WAITCD_MAX", "unknown VEXO_WAITCD_TYPE"},
    };
    auto table = vexo::waitcd::WaitCDTexts();
    for (const Case& c : cases) {
        EXPECT_EQ(table[static_cast<std::size_t>(c.code)].name, c.name);
        EXPECT_EQ(vexo::waitcd::WaitCDTextFor(c.code), c.text) << c.code;
    }
    for (int32_t code : {-1, 27, 1000, INT32_MIN})
        EXPECT_EQ(vexo::waitcd::WaitCDTextFor(code), "unknown VEXO_WAITCD_TYPE") << code;
}
