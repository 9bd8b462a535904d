// The headless rip's switches for proof: /secure and /log stand alone,
// /verify takes the record file and implies the log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RipCommandLine.h"

using RipCommandLine::Parse;

TEST(RipProofSwitches, AreOffUnlessGiven) {
    const auto parsed = Parse({"/rip"});
    ASSERT_TRUE(parsed) << parsed.error;
    EXPECT_FALSE(parsed.command->secure);
    EXPECT_FALSE(parsed.command->log);
    EXPECT_FALSE(parsed.command->verifyFile);
}

TEST(RipProofSwitches, SecureLogAndVerifyAreRead) {
    const auto parsed = Parse({"/rip", "/SECURE", "-log", "/verify:C:\\ar\\dBAR-004-0001.bin", "/format:wav"});
    ASSERT_TRUE(parsed) << parsed.error;
    EXPECT_TRUE(parsed.command->secure);
    EXPECT_TRUE(parsed.command->log);
    EXPECT_EQ(parsed.command->verifyFile, "C:\\ar\\dBAR-004-0001.bin");
    EXPECT_EQ(parsed.command->format, OutputFormat::Wav);
}

TEST(RipProofSwitches, VerifyAloneWritesTheLog) {
    const auto parsed = Parse({"/verify=\"C:\\my records\\x.bin\""});
    ASSERT_TRUE(parsed) << parsed.error;
    EXPECT_TRUE(parsed.command->log);
    EXPECT_FALSE(parsed.command->secure);
    EXPECT_EQ(parsed.command->verifyFile, "C:\\my records\\x.bin");
}

TEST(RipProofSwitches, MisusedSwitchesAreRefusedWithAReason) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"/secure:yes"}, {"/log=1"}, {"/verify"}, {"/verify:"}, {"/secure", "/secure"},
          {"/verify:a.bin", "/verify:b.bin"}}) {
        const auto parsed = Parse(args);
        EXPECT_FALSE(parsed) << args.front();
        EXPECT_FALSE(parsed.error.empty()) << args.front();
    }
}
