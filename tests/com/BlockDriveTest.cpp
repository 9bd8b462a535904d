// Block access end to end through the registered server and the simulated
// engine: image files (the virtual disc's BIN/CUE, an ISO written here),
// a drive's sparse synthetic medium above 2^32 sectors, its VMS sessions,
// the drive's guard, and no engine block left behind.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <fstream>
#include <string>
#include <vector>

#include "DriveTestSupport.h"

using namespace drivetest;

namespace {

class BlockDriveTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(sim::Counter("outstanding.block"), 0);
        EXPECT_EQ(sim::Counter("outstanding.vms"), 0);
        EXPECT_EQ(sim::Counter("check.failures"), 0) << sim::Text("check.last");
        SetRegistryEngine("");
    }
};

template <class I>
Ptr<I> Create(REFCLSID clsid) {
    Ptr<I> p;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I), p.put_void()), S_OK);
    return p;
}

Ptr<IVexoFSSecNo> Sec(uint64_t v) {
    auto s = Create<IVexoFSSecNo>(CLSID_VexoFSSecNo);
    s->put_HiPart(static_cast<LONG>(v >> 32));
    s->put_LoPart(static_cast<LONG>(static_cast<uint32_t>(v)));
    return s;
}

uint64_t Value(IVexoFSSecNo* n) {
    LONG hi = 0, lo = 0;
    n->get_HiPart(&hi);
    n->get_LoPart(&lo);
    return (uint64_t(uint32_t(hi)) << 32) | uint32_t(lo);
}

struct Buffer {
    VARIANT v;
    Buffer() { VariantInit(&v); }
    ~Buffer() { VariantClear(&v); }
    std::vector<uint8_t> Bytes() const {
        if (V_VT(&v) != (VT_ARRAY | VT_I1)) return {};
        void* p = nullptr;
        SafeArrayAccessData(V_ARRAY(&v), &p);
        std::vector<uint8_t> out(static_cast<uint8_t*>(p),
                                 static_cast<uint8_t*>(p) + V_ARRAY(&v)->rgsabound[0].cElements);
        SafeArrayUnaccessData(V_ARRAY(&v));
        return out;
    }
    void Set(const std::vector<uint8_t>& bytes) {
        VariantClear(&v);
        SAFEARRAY* a = SafeArrayCreateVector(VT_I1, 0, static_cast<ULONG>(bytes.size()));
        void* p = nullptr;
        SafeArrayAccessData(a, &p);
        if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
        SafeArrayUnaccessData(a);
        V_VT(&v) = VT_ARRAY | VT_I1;
        V_ARRAY(&v) = a;
    }
};

// Reads `count` sectors from `start`: the engine's answer, the bytes and the
// sectors read.
struct Read {
    HRESULT hr = E_FAIL;
    VexoFSError error{};
    std::vector<uint8_t> bytes;
    uint64_t done = 0;
};
Read ReadSectors(IVexoFileSystemBlockReader* block, uint64_t start, uint64_t count) {
    Read r;
    Buffer buffer;
    auto done = Sec(0);
    IVexoFSSecNo* doneRef = done.get();
    r.hr = block->ReadSectorsUnBuffered(&buffer.v, Sec(start).get(), Sec(count).get(), &doneRef, &r.error);
    r.bytes = buffer.Bytes();
    r.done = Value(done.get());
    return r;
}

std::vector<uint8_t> FileBytes(const std::string& path, uint64_t offset, size_t n) {
    std::ifstream f(path, std::ios::binary);
    f.seekg(static_cast<std::streamoff>(offset));
    std::vector<uint8_t> out(n);
    f.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(n));
    out.resize(static_cast<size_t>(f.gcount()));
    return out;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::string DemoCue() { return ProgramFolder() + "\\..\\..\\discs\\demo\\demo.cue"; }

// An ISO-like image of 64 sectors: sector 16 opens with a volume
// descriptor's identifier, every other byte is a pattern of its offset.
std::string WriteIso(const char* name) {
    const std::string path = ProgramFolder() + "\\" + name;
    std::vector<uint8_t> bytes(64 * 2048);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 2048);
    std::memcpy(&bytes[16 * 2048], "\001CD001\001", 7);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
    return path;
}

Ptr<IVexoFileSystemBlockWriter> OpenImage(IVexo4* vexo, const std::string& path, ImageAccessMode mode) {
    Bstr name(Wide(path).c_str());
    Ptr<IVexoFileSystemBlockWriter> block;
    EXPECT_EQ(vexo->CreateBlockAccessFromImage(name.get(), mode, block.put()), S_OK) << path;
    return block;
}

// ---- images -------------------------------------------------------------------------

TEST_F(BlockDriveTest, TheVirtualDiscIsOnePartitionPerAudioTrackWithTheBinsBytes) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    const std::string cue = DemoCue();
    auto block = OpenImage(c.vexo(), cue, eIAReadOnly);
    ASSERT_TRUE(block);
    INT count = 0;
    ASSERT_EQ(block->get_PartitionCount(&count), S_OK);
    EXPECT_EQ(count, 4);
    uint64_t next = 0;
    for (INT i = 0; i < count; ++i) {
        Ptr<IVexoFSPartitionInfo> info;
        ASSERT_EQ(block->get_PartitionInfo(i, info.put()), S_OK);
        LONG number = 0, size = 0;
        VexoFSTrackType type{};
        Ptr<IVexoFSSecNo> start, sectors;
        info->get_PartitionNumber(&number);
        info->get_SectorSize(&size);
        info->get_PartitionType(&type);
        info->get_PartitionStart(start.put());
        info->get_PartitionSize(sectors.put());
        EXPECT_EQ(number, i + 1);
        EXPECT_EQ(size, 2352);
        EXPECT_EQ(type, vtAudio);
        EXPECT_EQ(Value(start.get()), next) << "partitions follow each other";
        next = Value(start.get()) + Value(sectors.get());
    }
    const std::string bin = cue.substr(0, cue.size() - 4) + ".bin";
    WIN32_FILE_ATTRIBUTE_DATA a{};
    ASSERT_TRUE(GetFileAttributesExA(bin.c_str(), GetFileExInfoStandard, &a));
    EXPECT_EQ(next * 2352, (uint64_t(a.nFileSizeHigh) << 32) | a.nFileSizeLow) << "the last partition ends with the BIN";
    // Three sectors well inside the second track are the BIN's bytes.
    Read r = ReadSectors(block.get(), 14500, 3);
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.error, errOK);
    EXPECT_EQ(r.done, 3u);
    EXPECT_EQ(r.bytes, FileBytes(bin, 14500ull * 2352, 3 * 2352));

    // A read-only image answers the engine's write error in the result.
    Buffer sector;
    sector.Set(std::vector<uint8_t>(2352, 1));
    auto written = Sec(0);
    IVexoFSSecNo* writtenRef = written.get();
    VexoFSError error{};
    EXPECT_EQ(block->WriteSectorsBuffered(&sector.v, Sec(0).get(), Sec(1).get(), &writtenRef, &error), S_OK);
    EXPECT_EQ(error, errWriteError);
    EXPECT_EQ(Value(written.get()), 0u);
}

TEST_F(BlockDriveTest, AnIsoImageReadsItsDescriptorAndTakesAFlushedWrite) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    const std::string path = WriteIso("block-drive-test.iso");
    const std::vector<uint8_t> before = FileBytes(path, 0, 64 * 2048);
    {
        auto block = OpenImage(c.vexo(), path, eIAReadOnly);
        ASSERT_TRUE(block);
        INT count = 0;
        block->get_PartitionCount(&count);
        EXPECT_EQ(count, 1);
        Ptr<IVexoFSPartitionInfo> info;
        ASSERT_EQ(block->get_PartitionInfo(0, info.put()), S_OK);
        LONG size = 0;
        info->get_SectorSize(&size);
        Ptr<IVexoFSSecNo> sectors;
        info->get_PartitionSize(sectors.put());
        EXPECT_EQ(size, 2048);
        EXPECT_EQ(Value(sectors.get()), 64u);
        Read r = ReadSectors(block.get(), 16, 1);
        ASSERT_EQ(r.hr, S_OK);
        ASSERT_EQ(r.bytes.size(), 2048u);
        EXPECT_EQ(std::string(r.bytes.begin() + 1, r.bytes.begin() + 6), "CD001");
        // Nothing to read and counts above 2^32 sectors never reach the engine.
        EXPECT_EQ(ReadSectors(block.get(), 16, 0).hr, E_INVALIDARG);
        EXPECT_EQ(ReadSectors(block.get(), 16, 0x100000000ull).hr, E_INVALIDARG);
        // Past the end: the sectors there are, and the engine's end of file.
        r = ReadSectors(block.get(), 62, 4);
        EXPECT_EQ(r.error, errEndOfFile);
        EXPECT_EQ(r.done, 2u);
    }
    {
        auto block = OpenImage(c.vexo(), path, eIAReadWrite);
        ASSERT_TRUE(block);
        Buffer sector;
        auto written = Sec(0);
        IVexoFSSecNo* writtenRef = written.get();
        VexoFSError error{};
        sector.Set(std::vector<uint8_t>(2047, 0xAB));
        EXPECT_EQ(block->WriteSectorsBuffered(&sector.v, Sec(20).get(), Sec(1).get(), &writtenRef, &error),
                  E_INVALIDARG);
        VARIANT text;
        VariantInit(&text);
        V_VT(&text) = VT_BSTR;
        V_BSTR(&text) = SysAllocString(L"not bytes");
        EXPECT_EQ(block->WriteSectorsBuffered(&text, Sec(20).get(), Sec(1).get(), &writtenRef, &error), Err(535));
        VariantClear(&text);
        sector.Set(std::vector<uint8_t>(2048, 0xAB));
        ASSERT_EQ(block->WriteSectorsBuffered(&sector.v, Sec(20).get(), Sec(1).get(), &writtenRef, &error), S_OK);
        EXPECT_EQ(error, errOK);
        EXPECT_EQ(FileBytes(path, 20 * 2048, 2048), std::vector<uint8_t>(before.begin() + 20 * 2048,
                                                                         before.begin() + 21 * 2048))
            << "a buffered write waits for the flush";
        ASSERT_EQ(block->FlushSectorCache(), S_OK);
    }
    std::vector<uint8_t> after = FileBytes(path, 0, 64 * 2048);
    std::vector<uint8_t> expected = before;
    std::fill(expected.begin() + 20 * 2048, expected.begin() + 21 * 2048, 0xAB);
    EXPECT_EQ(after, expected) << "sector 20 changed, nothing else";
    DeleteFileA(path.c_str());
}

TEST_F(BlockDriveTest, BlockObjectsOutliveTheEngineObjectAndTheDrive) {
    auto c = std::make_unique<DriveClient>(TwoDrives("AccessModes=0x3\nMedium=synthetic:100000\n"));
    ASSERT_TRUE(c->ok());
    Ptr<IVexoFileSystemBlockReader> reader;
    ASSERT_EQ(c->drive()->CreateBlockReader(eNoWriting, reader.put()), S_OK);
    const std::string path = WriteIso("block-drive-outlive.iso");
    auto image = OpenImage(c->vexo(), path, eIAReadOnly);
    c->DropAll();
    // The engine stays loaded for them.
    EXPECT_EQ(ReadSectors(reader.get(), 5, 1).hr, S_OK);
    EXPECT_EQ(ReadSectors(image.get(), 16, 1).hr, S_OK);
    EXPECT_GT(sim::Counter("init.active"), 0);
    reader.reset();
    image.reset();
    c.reset();  // checks that the engine is let go
    DeleteFileA(path.c_str());
}

// ---- a drive's medium -----------------------------------------------------------------

TEST_F(BlockDriveTest, ADrivesSyntheticMediumIsAddressedAbove2To32Sectors) {
    DriveClient c(TwoDrives("AccessModes=0x3\nMedium=synthetic:4294968296\n"));
    ASSERT_TRUE(c.ok());
    LONG modes = 0;
    ASSERT_EQ(c.drive()->get_SupportedAccessModes(&modes), S_OK);
    EXPECT_EQ(modes, 3);
    Ptr<IVexoFileSystemBlockReader> reader;
    ASSERT_EQ(c.drive()->CreateBlockReader(eNoWriting, reader.put()), S_OK);
    const uint64_t beyond = 0x100000000ull;
    Read r = ReadSectors(reader.get(), beyond, 1);
    ASSERT_EQ(r.hr, S_OK);
    ASSERT_EQ(r.bytes.size(), 2048u);
    uint64_t first = 0;
    std::memcpy(&first, r.bytes.data(), 8);
    EXPECT_EQ(first, beyond) << "each sector holds its own number";
    // A reader takes no writes.
    Ptr<IVexoFileSystemBlockWriter> asWriter;
    EXPECT_EQ(reader->QueryInterface(IID_IVexoFileSystemBlockWriter, asWriter.put_void()), S_OK);
    Buffer sector;
    sector.Set(std::vector<uint8_t>(2048, 0x42));
    auto written = Sec(0);
    IVexoFSSecNo* writtenRef = written.get();
    VexoFSError error{};
    EXPECT_EQ(asWriter->WriteSectorsUnBuffered(&sector.v, Sec(beyond).get(), Sec(1).get(), &writtenRef, &error), E_FAIL);

    Ptr<IVexoFileSystemBlockWriter> writer;
    ASSERT_EQ(c.drive()->CreateBlockWriter(ePacketWriting, writer.put()), S_OK);
    ASSERT_EQ(writer->WriteSectorsUnBuffered(&sector.v, Sec(beyond).get(), Sec(1).get(), &writtenRef, &error), S_OK);
    EXPECT_EQ(error, errOK);
    EXPECT_EQ(Value(written.get()), 1u);
    EXPECT_EQ(ReadSectors(writer.get(), beyond, 1).bytes, std::vector<uint8_t>(2048, 0x42));
    // Modes the medium does not take: the engine makes no object.
    Ptr<IVexoFileSystemBlockWriter> none;
    EXPECT_EQ(c.drive()->CreateBlockWriter(eRawMRW, none.put()), Err(542));
    Ptr<IVexoFileSystemBlockReader> noReader;
    EXPECT_EQ(c.drive(1)->CreateBlockReader(eNoWriting, noReader.put()), Err(541)) << "drive 1 has no medium";
    EXPECT_EQ(c.drive()->CreateBlockReader(eNoWriting, nullptr), E_POINTER);
}

TEST_F(BlockDriveTest, VmsSessionsComeFromTheMediumAndTheGuardStandsBeforeThem) {
    DriveClient c(TwoDrives("VmsNextWritable=90000\nVmsSession=Monday|2024-05-13 09:15:00|30000\n"
                            "VmsSession=Tuesday|2024-05-14 10:30:15|60000\n"
                            "VmsSession=Wednesday|2024-05-15 23:59:59|90000\nOperationMs=400\n"));
    ASSERT_TRUE(c.ok());
    Ptr<IVexoVMSInfo> info;
    ASSERT_EQ(c.drive()->GetVMSInfo(info.put()), S_OK);
    LONG count = 0, nwa = 0;
    info->get_Count(&count);
    info->get_NextWritableAddress(&nwa);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(nwa, 90000);
    const wchar_t* names[] = {L"Monday", L"Tuesday", L"Wednesday"};
    const WORD days[] = {13, 14, 15};
    for (INT i = 0; i < 3; ++i) {
        Ptr<IVexoVMSSession> s;
        ASSERT_EQ(info->Item(i, s.put()), S_OK);
        Bstr name;
        s->get_SessionName(name.put());
        EXPECT_EQ(name.str(), names[i]);
        DATE when = 0;
        ASSERT_EQ(s->get_CreationTime(&when), S_OK);
        SYSTEMTIME t{};
        VariantTimeToSystemTime(when, &t);
        EXPECT_EQ(t.wYear, 2024);
        EXPECT_EQ(t.wMonth, 5);
        EXPECT_EQ(t.wDay, days[i]);
        s->get_NextWritableAddress(&nwa);
        EXPECT_EQ(nwa, 30000 * (i + 1));
    }
    info.reset();
    EXPECT_EQ(sim::Counter("outstanding.vms"), 0) << "the engine's record goes back at once";
    Ptr<IVexoVMSInfo> none;
    EXPECT_EQ(c.drive(1)->GetVMSInfo(none.put()), Err(543));

    // While an operation runs the drive refuses them all.
    ASSERT_EQ(c.drive()->CDInfo(static_cast<VEXO_CDINFO_FLAGS>(0)), S_OK);
    LONG modes = 0;
    Ptr<IVexoFileSystemBlockReader> reader;
    EXPECT_EQ(c.drive()->GetVMSInfo(none.put()), Err(520));
    EXPECT_EQ(c.drive()->get_SupportedAccessModes(&modes), Err(520));
    EXPECT_EQ(c.drive()->CreateBlockReader(eNoWriting, reader.put()), Err(520));
    ASSERT_TRUE(c.WaitFor(kOnDoneCDInfo));
}

}  // namespace
