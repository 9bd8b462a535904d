// The simulated engine's pure logic: its configuration text, the records
// it builds, its texts and its fixed-field checks.

#include <gtest/gtest.h>

#include "EngineLayout.h"
#include "EngineRecords.h"
#include "SimConfig.h"

#include <cstring>

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

}  // namespace
