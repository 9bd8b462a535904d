// The server's string table, read from VexoCOM.dll as a resource: the
// library name and every error text word for word (their misspellings are
// what clients have always been shown).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

const std::pair<unsigned, const char*> kTexts[] = {
    {100, "Vexo"},
    {512, "VexoAPI.DLL was not loaded! You need to fill in \"VexoFilesPath\" property."},
    {513, "VexoAPI was not initialized or was unsuccessfully initialized! Make sure that all relevant properties "
          "are filled in. Check \"LastError\" property for possible errors."},
    {514, "Error obtaining the list of available devices! See \"LastError\" property for more information."},
    {515, "There was an error while openning the device! See \"LastError\" property for more information."},
    {516, "There was an error ejecting or loading the device! See \"LastError\" property for more information."},
    {517, "Could not obtain the time needed for erasing because a rewritable disc was not inserted!"},
    {518, "Your recorder does not support erasing a rewritable disc."},
    {519, "There was an error spawning a worker thread! This is usually due to low system resources."},
    {520, "An asynchronous operation is in progress! You can't have two operations at the same time."},
    {521, "There was an error while obtaining disc info! Probable cause is absence of a disc."},
    {522, "The limit of the maximum number of video items has been reached! You can't add more video items into "
          "this collection."},
    {523, "Item already belongs to some collection!"},
    {524, "The length of filename is too big! Maximum is 255 characters."},
    {525, "The type of the video item is not supported."},
    {527, "The limit of the maximum number of relative index block positions has been reached! You can't add more "
          "block positions into this collection."},
    {528, "The limit of the maximum number of audio tracks has been reached! You can't add more audio tracks into "
          "this collection."},
    {529, "The object is locked until asynchronous operation is done!"},
    {530, "The type of the audio track not supported."},
    {531, "The type of the freestyle track not supported."},
    {532, "The limit of the maximum number of freestyle tracks has been reached! You can't add more freestyle "
          "tracks into this collection."},
    {533, "The type of the source for a freestyle track is not supported."},
    {534, "Inserted media is not rewritable."},
    {535, "Supplied parameter is of incorrect type!"},
    {536, "Internal Vexo error occured!"},
    {537, "Error gettings availiable speeds from Vexo!"},
    {538, "Vexo has already been initialized! You can't change this data once Vexo is initialized!"},
    {539, "Cannot register callback."},
    {540, "Cannot unregister callback."},
    {541, "Error creating reader interface."},
    {542, "Error creating writer interface."},
    {543, "Non-VMS medium inserted!"},
    {544, "Error building ISO track!"},
    {545, "Burn-at-once handle already created! Close the existing one first!"},
    {546, "No burn-at-once handle exists! Create one first!"},
};

class StringTable : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = LoadLibraryExA("VexoCOM.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() {
        if (module_) FreeLibrary(module_);
    }
    static std::string Load(unsigned id) {
        char buf[1024] = {};
        int n = LoadStringA(module_, id, buf, sizeof buf);
        return n > 0 ? std::string(buf, n) : std::string();
    }
    static inline HMODULE module_ = nullptr;
};

}  // namespace

TEST_F(StringTable, EveryTextIsWordForWord) {
    ASSERT_TRUE(module_) << "VexoCOM.dll not found in the program folder";
    for (const auto& [id, text] : kTexts) EXPECT_EQ(Load(id), text) << "string " << id;
}

TEST_F(StringTable, NoStringsBesideTheTable) {
    ASSERT_TRUE(module_);
    EXPECT_EQ(Load(526), "") << "526 does not exist";
    EXPECT_EQ(Load(511), "");
    EXPECT_EQ(Load(547), "");
}
