// Built into a folder of its own, where no lame_enc.dll lies: the binding must
// report the missing library as an error and never crash.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "EncoderConfig.h"
#include "modLAME.h"

namespace {

class Mp3MissingLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        // Look nowhere but in this program's own folder.
        char path[MAX_PATH + 1] = {};
        const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        ASSERT_GT(n, 0u);
        std::string folder(path, n);
        folder.resize(folder.find_last_of('\\') + 1);
        ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
        ASSERT_EQ(GetFileAttributesA((folder + "lame_enc.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    }
};

TEST_F(Mp3MissingLibrary, StartReportsTheMissingLibrary) {
    modLAME::EncoderStream enc;
    const AppError e = enc.Start(EncoderConfig::FromSelection("160", 1));
    EXPECT_EQ(e.number, modLAME::ErrLibraryNotFound);
    EXPECT_NE(e.description.find("lame_enc.dll"), std::string::npos) << e.description;
    EXPECT_FALSE(enc.IsOpen());
}

TEST_F(Mp3MissingLibrary, EveryOtherCallIsHarmless) {
    modLAME::EncoderStream enc;
    (void)enc.Start(EncoderConfig::FromSelection("160", 1));
    uint8_t frame[modLAME::FrameBytes] = {};
    EXPECT_EQ(enc.EncodeFrame(frame), 0u);
    EXPECT_EQ(enc.Finish(), 0u);
    enc.Close();
    EXPECT_TRUE(modLAME::LoadEncoder());  // still missing, still an error
}

}  // namespace
