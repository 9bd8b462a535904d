// The simulated engine's pure logic: its configuration text, the records
// it builds, its texts and its fixed-field checks.

#include <gtest/gtest.h>

#include "BlockMedia.h"
#include "CueSheet.h"
#include "EngineLayout.h"
#include "EngineRecords.h"
#include "Questions.h"
#include "SimConfig.h"

#include <cstring>
#include <map>

using namespace vexosim;

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t offset) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + offset, 4);
    return v;
}

TEST(VexoSimConfig, SectionsRepeatAndKeysIgnoreCase) {
    SimConfig c = ParseConfig(
        "; a comment\r\n# another\r\n[engine]\r\ninitresult = 6\r\nLOG=x.log\r\n"
        "[Device]\nname=A\nreadspeeds=4, 8 ,16\nReadBase=0xB0\n[Device 2]\nName=B\nDriveLetter=none\n");
    EXPECT_EQ(c.initResult, 6);
    EXPECT_EQ(c.logFile, "x.log");
    ASSERT_EQ(c.devices.size(), 2u);
    EXPECT_EQ(c.devices[0].name, "A");
    EXPECT_EQ(c.devices[0].read.speeds, (std::vector<std::uint32_t>{4, 8, 16}));
    EXPECT_EQ(c.devices[0].read.base, 176u);
    EXPECT_EQ(c.devices[1].driveLetter, 0);
    EXPECT_EQ(c.devices[1].deviceId, 1) << "default id follows the position";
    EXPECT_TRUE(c.warnings.empty());
}

TEST(VexoSimConfig, DefaultDevicesOnlyWhenNoneAreConfigured) {
    EXPECT_EQ(ParseConfig("").devices.size(), 2u);
    EXPECT_EQ(ParseConfig("[Engine]\nDefaultDevices=0\n").devices.size(), 0u);
    EXPECT_EQ(ParseConfig("[Device]\nName=Only\n").devices.size(), 1u);
}

TEST(VexoSimConfig, MalformedLinesBecomeWarningsNotValues) {
    SimConfig c = ParseConfig(
        "[Engine]\nInitResult=abc\nAPIVersionEx=6.3.1\n[Failures]\nVexoInit=sometimes\n[DriveChange]\nEvent=1,2,3\n[Nonsense]\nx=1\n");
    EXPECT_EQ(c.initResult, 0);
    EXPECT_FALSE(c.apiVersionEx.has_value());
    EXPECT_TRUE(c.failures.empty());
    EXPECT_TRUE(c.driveChanges.empty());
    EXPECT_EQ(c.warnings.size(), 5u);
}

TEST(VexoSimConfig, FailureScripts) {
    SimConfig c = ParseConfig("[Failures]\nVexoInit=2\nVexoSetOption=always,-7\n");
    ASSERT_EQ(c.failures.count("vexoinit"), 1u);
    EXPECT_EQ(c.failures["vexoinit"].remaining, 2u);
    EXPECT_FALSE(c.failures["vexoinit"].always);
    EXPECT_TRUE(c.failures["vexosetoption"].always);
    EXPECT_EQ(c.failures["vexosetoption"].value, -7);
}

TEST(VexoSimConfig, MoreThanSixtyFourSpeedsAreCut) {
    std::string list;
    for (int i = 1; i <= 70; ++i) list += std::to_string(i) + ",";
    SimConfig c = ParseConfig("[Device]\nWriteSpeeds=" + list + "\n");
    EXPECT_EQ(c.devices[0].write.speeds.size(), 64u);
    EXPECT_EQ(c.warnings.size(), 1u);
}

TEST(VexoSimConfig, Numbers) {
    EXPECT_EQ(ParseNumber("0x1F"), 31);
    EXPECT_EQ(ParseNumber("-12"), -12);
    EXPECT_EQ(ParseNumber(" 7 "), 7);
    EXPECT_FALSE(ParseNumber("0x").has_value());
    EXPECT_FALSE(ParseNumber("12a").has_value());
    EXPECT_FALSE(ParseNumber("").has_value());
}

TEST(VexoSimRecords, FilteredDriveListKeepsTheDeviceIndex) {
    std::vector<DeviceConfig> devices(3);
    devices[0].mediaSupport = 0x1;
    devices[1].mediaReadSupport = 0x4;
    devices[2].mediaSupport = 0x2;
    std::vector<std::uint8_t> all = BuildDriveList(devices, 0x4, false);
    EXPECT_EQ(U32(all, 0), 3u);
    std::vector<std::uint8_t> some = BuildDriveList(devices, 0x4, true);
    ASSERT_EQ(some.size(), 4u + 1720u);
    EXPECT_EQ(U32(some, 0), 1u);
    EXPECT_EQ(DeviceIndexOfEntry(some.data() + 4), 1);
    EXPECT_EQ(U32(BuildDriveList(devices, 0, true), 0), 3u) << "mask 0 lists all";
}

TEST(VexoSimRecords, LongTextsAreCutAndTerminated) {
    DeviceConfig d;
    d.name = std::string(100, 'n');
    d.hostAdapterName = "TOOLONGNAME";
    std::vector<std::uint8_t> e(1720, 0xCC);
    WriteDriveEntry(e.data(), d, 0);
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(e.data())), 63u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(e.data() + 64), 7), "TOOLONG");
    EXPECT_EQ(e[71], 0);
}

TEST(VexoSimRecords, DiscInfoSizeFollowsTheTracks) {
    ImageConfig im;
    EXPECT_EQ(BuildDiscInfo(im).size(), 276u);
    im.tracks.resize(3);
    EXPECT_EQ(BuildDiscInfo(im).size(), 276u + 3 * 280u);
}

TEST(VexoSimRecords, ImagesMatchWholeOrByFileName) {
    std::vector<ImageConfig> images(2);
    images[0].file = "C:\\a\\one.iso";
    images[1].file = "two.nrg";
    EXPECT_EQ(FindImage(images, "c:\\A\\ONE.iso"), &images[0]);
    EXPECT_EQ(FindImage(images, "Z:\\elsewhere\\one.iso"), &images[0]);
    EXPECT_EQ(FindImage(images, "D:\\two.NRG"), &images[1]);
    EXPECT_EQ(FindImage(images, "three.iso"), nullptr);
}

TEST(VexoSimTexts, ErrorLines) {
    std::vector<std::string> e = {"a", "b", "c"};
    EXPECT_EQ(JoinErrors(e, 2, 0), "b\r\nc");
    EXPECT_EQ(JoinErrors(e, 10, 0), "a\r\nb\r\nc");
    EXPECT_EQ(JoinErrors(e, 0, 0), "");
    EXPECT_EQ(JoinErrors(e, 0, 1), "a\r\nb\r\nc");
    EXPECT_EQ(JoinErrors({}, 3, 1), "");
}

TEST(VexoSimTexts, WaitForDiscTable) {
    EXPECT_EQ(WaitCDText(0), "Please insert the disc to write to...");
    EXPECT_EQ(WaitCDText(8), "The disc is blank, invalid\nor a multisession disc.\n\nPlease insert original disc ...");
    EXPECT_EQ(WaitCDText(25), "There is not enough space to burn the compilation onto this disc.\n\nPlease insert a 80min/700MB media");
    EXPECT_EQ(WaitCDText(-1), "unknown VEXO_WAITCD_TYPE");
    EXPECT_EQ(WaitCDText(27), "unknown VEXO_WAITCD_TYPE");
}

TEST(VexoSimChecks, StructureSizesAcceptThePublishedOrThisBuildsNumber) {
    namespace L = layout;
    std::vector<std::uint8_t> r(L::freestyle::Size, 0);
    L::Put32(r.data(), 0, 268);
    EXPECT_EQ(CheckBurnAtOnceRecord(r.data()), "");
    L::Put32(r.data(), 0, static_cast<std::uint32_t>(L::burnatonce::Size));
    EXPECT_EQ(CheckBurnAtOnceRecord(r.data()), "");
    L::Put32(r.data(), 0, 0);
    EXPECT_NE(CheckBurnAtOnceRecord(r.data()), "");
    L::Put32(r.data(), 0, 156);
    EXPECT_EQ(CheckEstimateOptions(r.data()), "");
    EXPECT_NE(CheckEstimateOptions(nullptr), "");
}

TEST(VexoSimChecks, FreestyleRecordNeedsItsNumberAndTrackSizes) {
    namespace L = layout;
    std::vector<std::uint8_t> r(L::freestyle::Size, 0);
    L::Put32(r.data(), L::freestyle::Magic, 848);
    L::Put32(r.data(), L::freestyle::TrackCount, 2);
    L::Put32(r.data(), L::freestyle::Tracks, 680);
    EXPECT_NE(CheckBurnRecord(3, r.data()), "") << "second track has no size";
    L::Put32(r.data(), L::freestyle::Tracks + L::freestyletrack::Size, 680);
    EXPECT_EQ(CheckBurnRecord(3, r.data()), "");
    L::Put32(r.data(), L::freestyle::TrackCount, 101);
    EXPECT_NE(CheckBurnRecord(3, r.data()), "");
    EXPECT_NE(CheckBurnRecord(7, r.data()), "") << "unknown compilation type";
}

TEST(VexoSimChecks, InitRecordFixedFields) {
    namespace L = layout;
    std::vector<std::uint8_t> r(L::init::Size, 0);
    const char* maker = "Quarn";
    const char* language = "vexo.txt";
    L::PutPtr(r.data(), L::init::Maker, maker);
    L::PutPtr(r.data(), L::init::LanguageFile, language);
    EXPECT_EQ(CheckInitRecord(r.data()), "");
    L::Put32(r.data(), L::init::EnableOverburn, 1);
    EXPECT_NE(CheckInitRecord(r.data()), "");
    L::Put32(r.data(), L::init::EnableOverburn, 0xFFFFFFFFu);
    EXPECT_EQ(CheckInitRecord(r.data()), "");
    L::PutPtr(r.data(), L::init::Maker, "Quarnx");
    EXPECT_NE(CheckInitRecord(r.data()), "");
}

// --- drive behaviour, burns, audio and questions ----------------------------------

TEST(VexoSimDrives, DefaultsLetTheTwoDefaultRecordersWork) {
    SimConfig c = ParseConfig("");
    ASSERT_EQ(c.behaviour.size(), 2u);
    EXPECT_EQ(c.behaviour[0].eraseTimeQuick, 60);
    EXPECT_EQ(c.behaviour[0].eraseTimeFull, 600);
    EXPECT_EQ(c.behaviour[1].eraseTimeQuick, -1);
    EXPECT_EQ(c.behaviour[1].eraseTimeFull, -1);
    for (const DriveBehaviour& b : c.behaviour) {
        EXPECT_EQ(b.ready, 0);
        EXPECT_EQ(b.operationMs, 20u);
        EXPECT_EQ(b.daeChunkBlocks, 10u);
        ASSERT_TRUE(b.disc.has_value());
        EXPECT_EQ(DiscEnd(*b.disc), 2500);
    }
    EXPECT_EQ(c.burn.steps, 5u);
    EXPECT_EQ(c.burn.stepMs, 10u);
    EXPECT_FALSE(c.burn.nonEmptyCDRW);
    EXPECT_EQ(ParseConfig("[Engine]\nDefaultDevices=0\n").behaviour.size(), 0u);
}

TEST(VexoSimDrives, DeviceKeysAndTheDiscInTheDrive) {
    SimConfig c = ParseConfig(
        "[Device]\nReady=3\nEjectResult=-4\nEraseTimeQuick=-2\nEraseResult=9\nOperationMs=0\nWaitResult=7\n"
        "DaeChunkBlocks=25\nOpenFails=2\nStatusEvent=15,1,0\nStatusEvent=0,0,3\n"
        "[Device]\nDisc=none\n"
        "[Device]\nTitle=Only\nTrack=1|1|1|0|100|2048|||\nTrack=||2|500|50||||\n"
        "[Device]\nDaeChunkBlocks=0\nStatusEvent=1,2\n");
    ASSERT_EQ(c.behaviour.size(), 4u);
    const DriveBehaviour& a = c.behaviour[0];
    EXPECT_EQ(a.ready, 3);
    EXPECT_EQ(a.ejectResult, -4);
    EXPECT_EQ(a.eraseTimeQuick, -2);
    EXPECT_EQ(a.eraseTimeFull, 600) << "the first device's default stays";
    EXPECT_EQ(a.eraseResult, 9);
    EXPECT_EQ(a.operationMs, 0u);
    EXPECT_EQ(a.waitResult, 7);
    EXPECT_EQ(a.daeChunkBlocks, 25u);
    EXPECT_EQ(a.openFails, 2u);
    ASSERT_EQ(a.statusEvents.size(), 2u);
    EXPECT_EQ(a.statusEvents[0].delayMs, 15u);
    EXPECT_EQ(a.statusEvents[0].type, 1);
    EXPECT_EQ(a.statusEvents[1].status, 3);
    EXPECT_FALSE(c.behaviour[1].disc.has_value());
    EXPECT_EQ(c.behaviour[1].eraseTimeQuick, -1);
    ASSERT_TRUE(c.behaviour[2].disc.has_value());
    const ImageConfig& disc = *c.behaviour[2].disc;
    EXPECT_EQ(disc.title, "Only");
    EXPECT_EQ(disc.artist, "") << "the default disc is replaced whole";
    ASSERT_EQ(disc.tracks.size(), 2u);
    EXPECT_EQ(disc.tracks[1].number, 2) << "numbered by position when left out";
    EXPECT_EQ(DiscEnd(disc), 550);
    EXPECT_EQ(c.behaviour[3].daeChunkBlocks, 10u) << "out of range: the default";
    EXPECT_EQ(c.warnings.size(), 2u) << "DaeChunkBlocks=0 and a short StatusEvent";
}

TEST(VexoSimDrives, BurnSection) {
    SimConfig c = ParseConfig("[Burn]\nSteps=2\nStepMs=0\nAsk=13\nAsk=30:1,0,2,0,260,D:\\t\nAsk=x:1\nNonEmptyCDRW=1\nResult=3\n");
    EXPECT_EQ(c.burn.steps, 2u);
    EXPECT_EQ(c.burn.stepMs, 0u);
    EXPECT_TRUE(c.burn.nonEmptyCDRW);
    EXPECT_EQ(c.burn.result, 3);
    ASSERT_EQ(c.burn.asks.size(), 2u);
    EXPECT_EQ(c.burn.asks[0].request, 13);
    EXPECT_EQ(c.burn.asks[0].data, "");
    EXPECT_EQ(c.burn.asks[1].data, "1,0,2,0,260,D:\\t");
    EXPECT_EQ(c.warnings.size(), 1u);
}

TEST(VexoSimDrives, DiscInformationTextsFollowTheFlags) {
    ImageConfig disc = DefaultDisc();
    struct Case {
        std::uint32_t flags;
        bool texts, isrc;
    };
    for (Case c : {Case{0, false, false}, Case{1, true, false}, Case{2, false, true}, Case{7, true, true}}) {
        std::vector<std::uint8_t> r = BuildDriveDiscInfo(disc, c.flags);
        ASSERT_EQ(r.size(), 276u + 2 * 280);
        auto text = [&](std::size_t offset) { return std::string(reinterpret_cast<const char*>(r.data() + offset)); };
        EXPECT_EQ(text(12), c.texts ? "Sim Artist" : "") << c.flags;
        EXPECT_EQ(text(276 + 85), c.texts ? "First Song" : "") << c.flags;
        EXPECT_EQ(text(276 + 280 + 150), c.isrc ? "SIM000000002" : "") << c.flags;
        EXPECT_EQ(U32(r, 276 + 280 + 12), 1000u);
        EXPECT_EQ(U32(r, 0), 300000u);
    }
}

TEST(VexoSimDrives, SpeedRecord) {
    std::vector<std::uint8_t> r = BuildSpeedRecord({176, {4, 8, 52}});
    ASSERT_EQ(r.size(), 8u + 12);
    EXPECT_EQ(U32(r, 0), 3u);
    EXPECT_EQ(U32(r, 4), 176u);
    EXPECT_EQ(U32(r, 16), 52u);
    SpeedList many{1, std::vector<std::uint32_t>(70, 2)};
    EXPECT_EQ(U32(BuildSpeedRecord(many), 0), 64u) << "no more than a drive entry holds";
    EXPECT_EQ(BuildSpeedRecord({0, {}}).size(), 8u);
}

TEST(VexoSimAudio, SamplesFollowTheFormulaAndWrapAt16Bits) {
    struct Case {
        std::int64_t block;
        std::int32_t pair;
        std::int16_t left, right;
    };
    // left = (int16)(uint16)((b*588 + i)*7), right = left ^ 0x5555
    const Case cases[] = {
        {0, 0, 0, 0x5555},
        {0, 1, 7, 7 ^ 0x5555},
        {1, 0, 4116, 4116 ^ 0x5555},
        {10, 587, static_cast<std::int16_t>(0xB0D5), static_cast<std::int16_t>(0xB0D5 ^ 0x5555)},  // 6467 * 7 = 45269
        {2499, 100, static_cast<std::int16_t>(static_cast<std::uint16_t>((2499LL * 588 + 100) * 7)),
         static_cast<std::int16_t>(static_cast<std::uint16_t>(((2499LL * 588 + 100) * 7) ^ 0x5555))},
    };
    for (const Case& c : cases) {
        SamplePair s = DaeSample(c.block, c.pair);
        EXPECT_EQ(s.left, c.left) << c.block << "/" << c.pair;
        EXPECT_EQ(s.right, c.right) << c.block << "/" << c.pair;
    }
    std::vector<std::uint8_t> pcm(2 * 2352);
    FillDaeAudio(pcm.data(), 10, 2);
    auto sample = [&](std::size_t pair, int channel) {
        std::int16_t v;
        std::memcpy(&v, pcm.data() + pair * 4 + channel * 2, 2);
        return v;
    };
    EXPECT_EQ(sample(587, 0), static_cast<std::int16_t>(0xB0D5)) << "little-endian, left first";
    EXPECT_EQ(sample(587, 1), static_cast<std::int16_t>(0xB0D5 ^ 0x5555));
    EXPECT_EQ(sample(588, 0), DaeSample(11, 0).left) << "the second block follows";
}

TEST(VexoSimAudio, WaveHeader) {
    std::vector<std::uint8_t> h = WavHeader(2352 * 3);
    ASSERT_EQ(h.size(), 44u);
    EXPECT_EQ(std::string(h.begin(), h.begin() + 4), "RIFF");
    EXPECT_EQ(U32(h, 4), 36u + 2352 * 3);
    EXPECT_EQ(std::string(h.begin() + 8, h.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U32(h, 16), 16u);
    EXPECT_EQ(U32(h, 20), 0x00020001u);
    EXPECT_EQ(U32(h, 24), 44100u);
    EXPECT_EQ(U32(h, 28), 176400u);
    EXPECT_EQ(U32(h, 32), 0x00100004u);
    EXPECT_EQ(std::string(h.begin() + 36, h.begin() + 40), "data");
    EXPECT_EQ(U32(h, 40), 2352u * 3);
}

// The question records, read back through this test's own offsets (the
// published 32-bit places; pointers P wide on a P boundary).
constexpr std::size_t P = sizeof(void*);
constexpr std::size_t AlignP(std::size_t o) { return (o + P - 1) / P * P; }
std::uint32_t At32(std::intptr_t data, std::size_t offset) {
    std::uint32_t v;
    std::memcpy(&v, reinterpret_cast<const std::uint8_t*>(data) + offset, 4);
    return v;
}
const char* AtText(std::intptr_t data, std::size_t offset) {
    const char* p;
    std::memcpy(&p, reinterpret_cast<const std::uint8_t*>(data) + offset, P);
    return p;
}

TEST(VexoSimQuestions, OverburnAndNumbers) {
    std::map<std::int32_t, std::string> names;
    auto q = QuestionData::Build(13, "", names, nullptr);
    ASSERT_TRUE(q);
    EXPECT_EQ(At32(q->Data(), 0), 360000u);
    EXPECT_EQ(At32(q->Data(), 4), 359847u);
    EXPECT_EQ(At32(q->Data(), 132), 0u) << "136 bytes";
    q = QuestionData::Build(13, "5,6", names, nullptr);
    EXPECT_EQ(At32(q->Data(), 0), 5u);
    EXPECT_EQ(At32(q->Data(), 4), 6u);
    EXPECT_EQ(QuestionData::Build(13, "null", names, nullptr)->Data(), 0);
    EXPECT_EQ(QuestionData::Build(14, "0x20", names, nullptr)->Data(), 0x20);
    EXPECT_EQ(QuestionData::Build(14, "-1", names, nullptr)->Data(), -1);
    EXPECT_EQ(QuestionData::Build(99, "", names, nullptr)->Data(), 0);
    std::string why;
    EXPECT_FALSE(QuestionData::Build(15, "1,2", names, &why));
    EXPECT_NE(why, "");
    EXPECT_FALSE(QuestionData::Build(13, "a,b", names, nullptr));
    EXPECT_FALSE(QuestionData::Build(14, "0", names, nullptr)->BufferText().has_value());
}

TEST(VexoSimQuestions, MediaInfoAndMessageBoxRecords) {
    std::map<std::int32_t, std::string> names{{1, "CD-R"}};
    auto q = QuestionData::Build(28, "1,32", names, nullptr);
    ASSERT_TRUE(q);
    EXPECT_EQ(At32(q->Data(), 0), 0u);
    EXPECT_EQ(At32(q->Data(), 4), 1u);
    EXPECT_EQ(At32(q->Data(), 8), 32u);
    EXPECT_STREQ(AtText(q->Data(), AlignP(12)), "CD-R");
    EXPECT_STREQ(AtText(q->Data(), AlignP(12) + P), "Media 0x20");
    q = QuestionData::Build(29, "5,2,-4,Erase the disc? All, really", names, nullptr);
    ASSERT_TRUE(q);
    EXPECT_EQ(At32(q->Data(), 0), 5u);
    EXPECT_EQ(At32(q->Data(), 4), 2u);
    EXPECT_EQ(static_cast<std::int32_t>(At32(q->Data(), 8)), -4);
    EXPECT_STREQ(AtText(q->Data(), AlignP(12)), "Erase the disc? All, really");
    q = QuestionData::Build(29, "1", names, nullptr);
    ASSERT_TRUE(q);
    EXPECT_STREQ(AtText(q->Data(), AlignP(12)), "") << "missing parts are 0 and an empty text";
    EXPECT_EQ(QuestionData::Build(29, "null", names, nullptr)->Data(), 0);
}

TEST(VexoSimQuestions, FileSelectionAndTempSpaceBuffers) {
    std::map<std::int32_t, std::string> names;
    auto q = QuestionData::Build(20, "", names, nullptr);
    ASSERT_TRUE(q);
    char* buffer = reinterpret_cast<char*>(q->Data());
    EXPECT_EQ(std::string(buffer, 260), std::string(260, 'x'));
    EXPECT_EQ(q->BufferText(), std::string(260, 'x')) << "read no further than the buffer";
    std::strcpy(buffer, "C:\\a.iso");
    EXPECT_EQ(q->BufferText(), "C:\\a.iso");
    EXPECT_TRUE(q->GuardIntact());
    buffer[260] = 0;
    EXPECT_FALSE(q->GuardIntact()) << "one byte past the end";

    const std::size_t n = P + 4;  // after the directory pointer and the reserved number
    const std::size_t out = AlignP(n + 16);
    q = QuestionData::Build(30, "10,1,20,2,8,E:\\scratch, big", names, nullptr);
    ASSERT_TRUE(q);
    EXPECT_STREQ(AtText(q->Data(), 0), "E:\\scratch, big");
    EXPECT_EQ(At32(q->Data(), P), 0u);
    EXPECT_EQ(At32(q->Data(), n), 10u);
    EXPECT_EQ(At32(q->Data(), n + 4), 1u);
    EXPECT_EQ(At32(q->Data(), n + 8), 20u);
    EXPECT_EQ(At32(q->Data(), n + 12), 2u);
    EXPECT_EQ(At32(q->Data(), out + P), 8u);
    char* dir = const_cast<char*>(AtText(q->Data(), out));
    ASSERT_NE(dir, nullptr);
    std::memcpy(dir, "F:\\tmp\0", 7);
    EXPECT_EQ(q->BufferText(), "F:\\tmp");
    std::memcpy(dir, "12345678", 8);
    EXPECT_EQ(q->BufferText(), "12345678") << "unterminated: the whole buffer";
    EXPECT_TRUE(q->GuardIntact());

    q = QuestionData::Build(30, "nulldir", names, nullptr);
    EXPECT_EQ(AtText(q->Data(), 0), nullptr);
    EXPECT_NE(AtText(q->Data(), out), nullptr);
    EXPECT_EQ(At32(q->Data(), out + P), 260u);
    q = QuestionData::Build(30, "nullbuffer", names, nullptr);
    EXPECT_STREQ(AtText(q->Data(), 0), "C:\\windows\\temp");
    EXPECT_EQ(AtText(q->Data(), out), nullptr);
    EXPECT_FALSE(q->BufferText().has_value());
    EXPECT_EQ(QuestionData::Build(30, "null", names, nullptr)->Data(), 0);
    q = QuestionData::Build(30, "1,0,2,0,0", names, nullptr);
    ASSERT_TRUE(q) << "a zero-sized buffer";
    EXPECT_EQ(q->BufferText(), "");
    EXPECT_FALSE(QuestionData::Build(30, "1,0,2,0,-1", names, nullptr));
    EXPECT_FALSE(QuestionData::Build(30, "1,0,2,0,100000000", names, nullptr));
}

// --- block access and virtual multisession ----------------------------------------

TEST(VexoSimBlockConfig, AccessModesMediumAndSessionsPerDevice) {
    SimConfig c = ParseConfig(
        "[Device]\nName=A\nAccessModes=0x3\nMedium=discs\\data.iso\nMediumReadOnly=1\n"
        "VmsNextWritable=12345\nVmsSession=First backup|2024-05-17 10:20:30|3000\nVmsSession=Second|2024-12-31 23:59:59|0x2000\n"
        "[Device]\nName=B\n"
        "[Device]\nName=C\nMedium=synthetic:4294968296\nVmsNextWritable=7\n");
    ASSERT_EQ(c.behaviour.size(), 3u);
    const DriveBehaviour& a = c.behaviour[0];
    EXPECT_EQ(a.accessModes, 3u);
    EXPECT_EQ(a.medium, "discs\\data.iso");
    EXPECT_TRUE(a.mediumReadOnly);
    ASSERT_TRUE(a.vms.has_value());
    EXPECT_EQ(a.vms->nextWritable, 12345u);
    ASSERT_EQ(a.vms->sessions.size(), 2u);
    EXPECT_EQ(a.vms->sessions[0].name, "First backup");
    EXPECT_EQ(a.vms->sessions[0].year, 2024);
    EXPECT_EQ(a.vms->sessions[0].month, 5);
    EXPECT_EQ(a.vms->sessions[0].second, 30);
    EXPECT_EQ(a.vms->sessions[0].nextWritable, 3000u);
    EXPECT_EQ(a.vms->sessions[1].nextWritable, 0x2000u) << "in file order";

    const DriveBehaviour& b = c.behaviour[1];
    EXPECT_EQ(b.accessModes, 0u) << "no access modes by default";
    EXPECT_TRUE(b.medium.empty());
    EXPECT_FALSE(b.mediumReadOnly);
    EXPECT_FALSE(b.vms.has_value()) << "not a VMS medium by default";

    ASSERT_TRUE(c.behaviour[2].vms.has_value()) << "a next writable address alone makes a VMS medium without sessions";
    EXPECT_TRUE(c.behaviour[2].vms->sessions.empty());
    EXPECT_TRUE(c.warnings.empty());
}

TEST(VexoSimDataConfig, TheRecorderTargetIsKeptAsWrittenPerDevice) {
    SimConfig c = ParseConfig("[Device]\nName=A\nRecorder=out\\disc\n[Device]\nName=B\n[Device]\nName=C\nrecorder=C:\\x.ISO\n");
    ASSERT_EQ(c.behaviour.size(), 3u);
    EXPECT_EQ(c.behaviour[0].recorder, "out\\disc") << "the .iso ending is added when the image is written";
    EXPECT_TRUE(c.behaviour[1].recorder.empty()) << "no recorder target by default";
    EXPECT_EQ(c.behaviour[2].recorder, "C:\\x.ISO") << "keys ignore letter case";
    EXPECT_TRUE(c.warnings.empty());
}

TEST(VexoSimBlockConfig, MalformedSessionsAreLeftOutWithAWarning) {
    for (const char* bad : {"x|2024-05-17 10:20:30", "x|2024-05-17|5", "x|2024-13-01 00:00:00|5", "x|2023-02-29 00:00:00|5",
                            "x|2024-05-17 24:00:00|5", "x|2024-05-17 10:20:30|-1", "x|2024-05-17 10:20:30|0x100000000",
                            "x|1899-12-31 00:00:00|5"}) {
        EXPECT_FALSE(ParseVmsSession(bad).has_value()) << bad;
    }
    EXPECT_TRUE(ParseVmsSession("x|2024-02-29 00:00:00|5").has_value()) << "a leap day";
    EXPECT_EQ(ParseVmsSession(std::string(300, 'n') + "|2024-02-29 00:00:00|5")->name.size(), 255u);
    SimConfig c = ParseConfig("[Device]\nVmsSession=broken\nVmsSession=ok|2024-01-01 00:00:00|1\n");
    ASSERT_TRUE(c.behaviour[0].vms.has_value());
    EXPECT_EQ(c.behaviour[0].vms->sessions.size(), 1u);
    EXPECT_EQ(c.warnings.size(), 1u);
}

TEST(VexoSimVms, TimesBecomeStructTmFields) {
    VmsSession s = *ParseVmsSession("a|2024-05-17 10:20:30|1");
    // Friday, the 138th day of a leap year.
    EXPECT_EQ(TmFields(s), (std::array<std::int32_t, 9>{30, 20, 10, 17, 4, 124, 5, 137, 0}));
    EXPECT_EQ(TmFields(*ParseVmsSession("a|1970-01-01 00:00:00|1")), (std::array<std::int32_t, 9>{0, 0, 0, 1, 0, 70, 4, 0, 0}));
    EXPECT_EQ(TmFields(*ParseVmsSession("a|2000-12-31 23:59:59|1")), (std::array<std::int32_t, 9>{59, 59, 23, 31, 11, 100, 0, 365, 0}));
    EXPECT_EQ(TmFields(*ParseVmsSession("a|1900-03-01 00:00:00|1"))[6], 4) << "1900 was no leap year";
}

TEST(VexoSimVms, RecordHasAHeadAndOneFixedRecordPerSession) {
    VmsConfig vms;
    vms.nextWritable = 99999;
    vms.sessions = {*ParseVmsSession("one|2024-05-17 10:20:30|100"), *ParseVmsSession("two|2024-05-18 11:00:00|200"),
                    *ParseVmsSession("three|2024-05-19 12:00:00|300")};
    std::vector<std::uint8_t> r = BuildVmsRecord(vms);
    ASSERT_EQ(r.size(), 136u + 3 * 424);
    EXPECT_EQ(U32(r, 0), 99999u);
    EXPECT_EQ(U32(r, 4), 3u);
    for (std::size_t i = 8; i < 136; ++i) ASSERT_EQ(r[i], 0) << i;
    const char* names[] = {"one", "two", "three"};
    for (std::size_t k = 0; k < 3; ++k) {
        std::size_t at = 136 + k * 424;
        EXPECT_STREQ(reinterpret_cast<const char*>(r.data() + at), names[k]);
        for (std::size_t i = at + std::strlen(names[k]); i < at + 256; ++i) ASSERT_EQ(r[i], 0) << "name field zero after its text";
        EXPECT_EQ(U32(r, at + 256 + 12), 17u + k) << "mday";
        EXPECT_EQ(U32(r, at + 256 + 20), 124u) << "year since 1900";
        EXPECT_EQ(U32(r, at + 292), 100u * (k + 1));
        for (std::size_t i = at + 296; i < at + 424; ++i) ASSERT_EQ(r[i], 0) << "the rest of a session is zero";
    }
    std::vector<std::uint8_t> empty = BuildVmsRecord(VmsConfig{7, {}});
    ASSERT_EQ(empty.size(), 136u) << "a record without sessions is the head alone";
    EXPECT_EQ(U32(empty, 0), 7u);
    EXPECT_EQ(U32(empty, 4), 0u);
}

TEST(VexoSimCue, TracksModesAndIndexPositions) {
    std::string error;
    auto sheet = ParseCueSheet(
        "\xEF\xBB\xBFREM made by a test\r\nFILE \"my disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    TITLE \"x\"\r\n"
        "    INDEX 01 00:00:00\r\n  TRACK 02 MODE1/2048\r\n    INDEX 00 00:02:00\r\n    INDEX 01 00:04:00\r\n"
        "  TRACK 03 mode1/2352\r\n    INDEX 01 01:00:74\r\n",
        &error);
    ASSERT_TRUE(sheet.has_value()) << error;
    EXPECT_EQ(sheet->file, "my disc.bin");
    ASSERT_EQ(sheet->tracks.size(), 3u);
    EXPECT_EQ(sheet->tracks[0].type, 1u);
    EXPECT_EQ(sheet->tracks[0].sectorSize, 2352u);
    EXPECT_EQ(sheet->tracks[1].type, 0u);
    EXPECT_EQ(sheet->tracks[1].sectorSize, 2048u);
    EXPECT_EQ(sheet->tracks[1].start, 300u) << "INDEX 01, not INDEX 00";
    EXPECT_EQ(sheet->tracks[2].sectorSize, 2352u) << "raw data sectors keep their 2352 bytes";
    EXPECT_EQ(sheet->tracks[2].type, 0u);
    EXPECT_EQ(sheet->tracks[2].start, 60u * 75 + 74);
}

TEST(VexoSimCue, SheetsNotUnderstoodAreRefusedWithAReason) {
    const char* bad[] = {
        "",
        "TRACK 01 AUDIO\nINDEX 01 00:00:00\n",
        "FILE a.bin BINARY\nTRACK 01 AUDIO\n",
        "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:60:00\n",
        "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n",
        "FILE a.bin BINARY\nTRACK 01 CDG\nINDEX 01 00:00:00\n",
        "FILE a.bin WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
        "FILE a.bin BINARY\nFILE b.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
        "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:10:00\nTRACK 02 AUDIO\nINDEX 01 00:05:00\n",
        "FILE a.bin BINARY\nTRACK 02 AUDIO\nINDEX 01 00:00:00\nTRACK 01 AUDIO\nINDEX 01 00:05:00\n",
        "FILE \"a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
        "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nBOGUS 1\n",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(ParseCueSheet(text, &error).has_value()) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(VexoSimCue, TracksAreLaidOutOverTheBinFile) {
    auto sheet = ParseCueSheet("FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:10\nTRACK 02 MODE1/2048\nINDEX 01 00:00:30\n");
    ASSERT_TRUE(sheet.has_value());
    std::vector<PartitionInfo> parts;
    std::string error;
    // 30 audio sectors (10 of them before INDEX 01), then 5 data sectors and a partial one.
    ASSERT_TRUE(LayOutCueTracks(*sheet, 30 * 2352 + 5 * 2048 + 100, parts, &error)) << error;
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].number, 1u);
    EXPECT_EQ(parts[0].start, 10u);
    EXPECT_EQ(parts[0].sectors, 20u);
    EXPECT_EQ(parts[0].fileOffset, 10u * 2352) << "the first track's pregap is in the file";
    EXPECT_EQ(parts[1].number, 2u);
    EXPECT_EQ(parts[1].start, 30u);
    EXPECT_EQ(parts[1].sectors, 5u);
    EXPECT_EQ(parts[1].fileOffset, 30u * 2352);
    EXPECT_EQ(parts[1].sectorSize, 2048u);
    EXPECT_FALSE(LayOutCueTracks(*sheet, 29 * 2352, parts, &error)) << "the BIN file ends inside track 1";
    EXPECT_FALSE(LayOutCueTracks(*sheet, 30 * 2352 + 2047, parts, &error)) << "no whole sector for track 2";
    EXPECT_TRUE(parts.empty());
}

TEST(VexoSimSynthetic, NamesAndSectorContent) {
    EXPECT_EQ(SyntheticSectors("synthetic:4294968296"), std::optional<std::uint64_t>(4294968296ull));
    EXPECT_EQ(SyntheticSectors("SYNTHETIC:0x10"), std::optional<std::uint64_t>(16u));
    for (const char* bad : {"synthetic:", "synthetic:0", "synthetic:-5", "synthetic:x", "synthetic:281474976710657", "disc.iso",
                            "synth:5"})
        EXPECT_FALSE(SyntheticSectors(bad).has_value()) << bad;
    std::vector<std::uint8_t> sector(2048);
    FillSyntheticSector(0x0000000100000002ull, sector.data());
    for (std::size_t at = 0; at < sector.size(); at += 8) {
        ASSERT_EQ(U32(sector, at), 2u) << at;
        ASSERT_EQ(U32(sector, at + 4), 1u) << at;
    }
}

}  // namespace
