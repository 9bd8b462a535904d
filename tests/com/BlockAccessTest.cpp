// Block objects, partition records and VMS information as the server's own
// objects, in-process, over an engine block object made by this test (the
// operation table of the engine's objects), so that every argument the
// server hands the engine and every answer it gets back is in the test's
// hands.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <string>
#include <vector>

#include "EngineBlockAccess.h"
#include "EngineObjects.h"
#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "compilation/VexoFSPartitionInfo.h"
#include "compilation/VexoFSSecNo.h"
#include "compilation/VexoFileSystemBlock.h"
#include "compilation/VexoVMSInfo.h"
#include "compilation/VexoVMSSession.h"

namespace vexo {
namespace {

using com::ComPtr;
namespace eo = EngineObjects;

constexpr HRESULT Err(int id) { return static_cast<HRESULT>(0x80040000u | static_cast<unsigned>(id)); }

// --- an engine block object --------------------------------------------------------
struct Partition {
    int32_t number;
    uint64_t start, sectors;
    int32_t type;
    uint32_t sectorSize;
};

struct FakeBlock {
    eo::Object header{&kOps};
    std::vector<Partition> partitions;
    uint8_t record[32] = {};
    int releases = 0;
    int reads = 0, writes = 0, flushes = 0;
    bool lastBuffered = false;
    uint64_t lastStart = 0, lastCount = 0;
    int32_t answer = eo::errOK;
    uint64_t doneAnswer = UINT64_MAX;  // UINT64_MAX: all sectors asked for
    std::vector<uint8_t> written;

    static FakeBlock* Of(eo::Object* o) { return reinterpret_cast<FakeBlock*>(o); }
    const void* Record(const Partition& p) {
        std::memset(record, 0, sizeof record);
        std::memcpy(record + 0, &p.number, 4);
        std::memcpy(record + 8, &p.start, 8);
        std::memcpy(record + 16, &p.sectors, 8);
        std::memcpy(record + 24, &p.type, 4);
        std::memcpy(record + 28, &p.sectorSize, 4);
        return record;
    }
    const Partition* At(uint64_t sector) const {
        for (const Partition& p : partitions)
            if (sector >= p.start && sector - p.start < p.sectors) return &p;
        return nullptr;
    }

    static void __stdcall Release(eo::Object* o) { ++Of(o)->releases; }
    static eo::Object* __stdcall QueryView(eo::Object*, const char*) { return nullptr; }
    static int32_t __stdcall Count(eo::Object* o) { return static_cast<int32_t>(Of(o)->partitions.size()); }
    static const void* __stdcall ByIndex(eo::Object* o, int32_t i) {
        FakeBlock* b = Of(o);
        if (i < 0 || static_cast<size_t>(i) >= b->partitions.size()) return nullptr;
        return b->Record(b->partitions[static_cast<size_t>(i)]);
    }
    static const void* __stdcall ForSector(eo::Object* o, uint32_t lo, uint32_t hi) {
        FakeBlock* b = Of(o);
        const Partition* p = b->At((uint64_t(hi) << 32) | lo);
        return p ? b->Record(*p) : nullptr;
    }
    int32_t Transfer(bool buffered, uint32_t sl, uint32_t sh, uint32_t cl, uint32_t ch, uint64_t* done) {
        lastBuffered = buffered;
        lastStart = (uint64_t(sh) << 32) | sl;
        lastCount = (uint64_t(ch) << 32) | cl;
        *done = doneAnswer == UINT64_MAX ? lastCount : doneAnswer;
        return answer;
    }
    static int32_t Reading(eo::Object* o, bool buffered, void* buffer, uint32_t sl, uint32_t sh, uint32_t cl,
                           uint32_t ch, uint64_t* done) {
        FakeBlock* b = Of(o);
        ++b->reads;
        const Partition* p = b->At((uint64_t(sh) << 32) | sl);
        // Each sector filled with its number's low byte.
        for (uint32_t s = 0; p && s < cl; ++s)
            std::memset(static_cast<uint8_t*>(buffer) + size_t(s) * p->sectorSize, static_cast<int>((sl + s) & 0xFF),
                        p->sectorSize);
        return b->Transfer(buffered, sl, sh, cl, ch, done);
    }
    static int32_t Writing(eo::Object* o, bool buffered, const void* buffer, uint32_t sl, uint32_t sh, uint32_t cl,
                           uint32_t ch, uint64_t* done) {
        FakeBlock* b = Of(o);
        ++b->writes;
        const Partition* p = b->At((uint64_t(sh) << 32) | sl);
        const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
        b->written.assign(bytes, bytes + (p ? size_t(cl) * p->sectorSize : 0));
        return b->Transfer(buffered, sl, sh, cl, ch, done);
    }
    static int32_t __stdcall ReadB(eo::Object* o, void* b, uint32_t a, uint32_t c, uint32_t d, uint32_t e,
                                   uint64_t* f) {
        return Reading(o, true, b, a, c, d, e, f);
    }
    static int32_t __stdcall ReadU(eo::Object* o, void* b, uint32_t a, uint32_t c, uint32_t d, uint32_t e,
                                   uint64_t* f) {
        return Reading(o, false, b, a, c, d, e, f);
    }
    static int32_t __stdcall WriteB(eo::Object* o, const void* b, uint32_t a, uint32_t c, uint32_t d, uint32_t e,
                                    uint64_t* f) {
        return Writing(o, true, b, a, c, d, e, f);
    }
    static int32_t __stdcall WriteU(eo::Object* o, const void* b, uint32_t a, uint32_t c, uint32_t d, uint32_t e,
                                    uint64_t* f) {
        return Writing(o, false, b, a, c, d, e, f);
    }
    static int32_t __stdcall Flush(eo::Object* o) {
        ++Of(o)->flushes;
        return 0;
    }
    static constexpr eo::BlockAccessOperations kOps{
        {&Release, &QueryView}, &Count, &ByIndex, &ForSector, &ReadB, &ReadU, &WriteB, &WriteU, &Flush};
};
static_assert(offsetof(FakeBlock, header) == 0);

// A CD image: a 2352-byte audio track, then a 2048-byte data track; and a
// far partition above 2^32.
std::vector<Partition> CdPartitions() {
    return {{1, 0, 1000, 1, 2352}, {2, 1000, 500, 0, 2048}, {3, 0x100000000ull, 16, 0, 2048}};
}

ComPtr<VexoFileSystemBlock> BlockOver(FakeBlock& fake, bool writable) {
    return VexoFileSystemBlock::Make(EngineBinding::BlockAccess(&fake.header), nullptr, writable);
}

ComPtr<VexoFSSecNo> Sec(uint64_t v) { return VexoFSSecNo::FromValue(v); }

struct OwnedVariant {
    VARIANT v;
    OwnedVariant() { VariantInit(&v); }
    ~OwnedVariant() { VariantClear(&v); }
};

std::vector<uint8_t> BytesOf(const VARIANT& v) {
    if (V_VT(&v) != (VT_ARRAY | VT_I1)) return {};
    SAFEARRAY* a = V_ARRAY(&v);
    void* p = nullptr;
    SafeArrayAccessData(a, &p);
    std::vector<uint8_t> out(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + a->rgsabound[0].cElements);
    SafeArrayUnaccessData(a);
    return out;
}

void MakeBytes(VARIANT& v, size_t n, uint8_t fill) {
    VariantClear(&v);
    SAFEARRAY* a = SafeArrayCreateVector(VT_I1, 0, static_cast<ULONG>(n));
    void* p = nullptr;
    SafeArrayAccessData(a, &p);
    std::memset(p, fill, n);
    SafeArrayUnaccessData(a);
    V_VT(&v) = VT_ARRAY | VT_I1;
    V_ARRAY(&v) = a;
}

class BlockAccessTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

// --- partitions -----------------------------------------------------------------

TEST_F(BlockAccessTest, PartitionRecordsAreCopiedAndMissingOnesAreInvalidArguments) {
    FakeBlock fake;
    fake.partitions = CdPartitions();
    {
        ComPtr<VexoFileSystemBlock> block = BlockOver(fake, false);
        INT count = 0;
        ASSERT_EQ(block->get_PartitionCount(&count), S_OK);
        EXPECT_EQ(count, 3);

        ComPtr<IVexoFSPartitionInfo> info;
        ASSERT_EQ(block->get_PartitionInfoForSector(Sec(0x100000005ull).get(), info.put()), S_OK);
        LONG number = 0, size = 0;
        VexoFSTrackType type{};
        info->get_PartitionNumber(&number);
        info->get_SectorSize(&size);
        info->get_PartitionType(&type);
        EXPECT_EQ(number, 3);
        EXPECT_EQ(size, 2048);
        EXPECT_EQ(type, vtData);
        ComPtr<IVexoFSSecNo> start;
        ASSERT_EQ(info->get_PartitionStart(start.put()), S_OK);
        LONG hi = 0, lo = -1;
        start->get_HiPart(&hi);
        start->get_LoPart(&lo);
        EXPECT_EQ(hi, 1);
        EXPECT_EQ(lo, 0);

        // The copy is the object's own: later engine calls do not change it.
        ComPtr<IVexoFSPartitionInfo> audio;
        ASSERT_EQ(block->get_PartitionInfo(0, audio.put()), S_OK);
        info->get_PartitionNumber(&number);
        EXPECT_EQ(number, 3);
        audio->get_SectorSize(&size);
        audio->get_PartitionType(&type);
        EXPECT_EQ(size, 2352);
        EXPECT_EQ(type, vtAudio);

        ComPtr<IVexoFSPartitionInfo> none;
        EXPECT_EQ(block->get_PartitionInfo(3, none.put()), E_INVALIDARG);
        EXPECT_EQ(block->get_PartitionInfo(-1, none.put()), E_INVALIDARG);
        EXPECT_EQ(block->get_PartitionInfoForSector(Sec(1500).get(), none.put()), E_INVALIDARG);
        EXPECT_EQ(none.get(), nullptr);
        EXPECT_EQ(block->get_PartitionInfoForSector(nullptr, none.put()), E_POINTER);
        EXPECT_EQ(block->get_PartitionInfo(0, nullptr), E_POINTER);
        EXPECT_EQ(block->get_PartitionCount(nullptr), E_POINTER);
        EXPECT_EQ(fake.releases, 0);
    }
    EXPECT_EQ(fake.releases, 1) << "the engine object goes back once, with the block object";
}

// --- reads ------------------------------------------------------------------------

TEST_F(BlockAccessTest, AReadGivesAnArrayOfTheStartPartitionsSectorsAndTheEnginesAnswer) {
    FakeBlock fake;
    fake.partitions = CdPartitions();
    ComPtr<VexoFileSystemBlock> block = BlockOver(fake, false);
    OwnedVariant buffer;
    V_VT(&buffer.v) = VT_BSTR;  // whatever the caller had is cleared
    V_BSTR(&buffer.v) = SysAllocString(L"old");
    ComPtr<VexoFSSecNo> read = Sec(77);
    IVexoFSSecNo* readRef = read.get();
    VexoFSError error = errInternalError;
    ASSERT_EQ(block->ReadSectorsUnBuffered(&buffer.v, Sec(3).get(), Sec(2).get(), &readRef, &error), S_OK);
    EXPECT_EQ(error, errOK);
    EXPECT_FALSE(fake.lastBuffered);
    EXPECT_EQ(fake.lastStart, 3u);
    EXPECT_EQ(fake.lastCount, 2u);
    std::vector<uint8_t> bytes = BytesOf(buffer.v);
    ASSERT_EQ(bytes.size(), 2u * 2352);
    EXPECT_EQ(bytes[0], 3);
    EXPECT_EQ(bytes[2352], 4);
    EXPECT_EQ(readRef, read.get());
    EXPECT_EQ(read->Value(), 2u);

    // The engine's error is the result, with the sectors it did read.
    fake.answer = errEndOfFile;
    fake.doneAnswer = 1;
    ASSERT_EQ(block->ReadSectorsBuffered(&buffer.v, Sec(1001).get(), Sec(4).get(), &readRef, &error), S_OK);
    EXPECT_TRUE(fake.lastBuffered);
    EXPECT_EQ(error, errEndOfFile);
    EXPECT_EQ(read->Value(), 1u);
    EXPECT_EQ(BytesOf(buffer.v).size(), 4u * 2048);

    // Above 2^32: the start goes whole; a caller without a count object gets one.
    fake.answer = errOK;
    fake.doneAnswer = UINT64_MAX;
    IVexoFSSecNo* fresh = nullptr;
    ASSERT_EQ(block->ReadSectorsBuffered(&buffer.v, Sec(0x100000000ull).get(), Sec(1).get(), &fresh, &error), S_OK);
    EXPECT_EQ(fake.lastStart, 0x100000000ull);
    ASSERT_NE(fresh, nullptr);
    LONG lo = 0;
    fresh->get_LoPart(&lo);
    EXPECT_EQ(lo, 1);
    fresh->Release();
}

TEST_F(BlockAccessTest, ReadsThatCannotBeSizedSafelyNeverReachTheEngine) {
    FakeBlock fake;
    fake.partitions = CdPartitions();
    ComPtr<VexoFileSystemBlock> block = BlockOver(fake, true);
    OwnedVariant buffer;
    ComPtr<VexoFSSecNo> read = Sec(0);
    IVexoFSSecNo* readRef = read.get();
    VexoFSError error{};
    // No sectors; a count with a high half; more bytes than an array holds;
    // a start without a partition.
    EXPECT_EQ(block->ReadSectorsBuffered(&buffer.v, Sec(0).get(), Sec(0).get(), &readRef, &error), E_INVALIDARG);
    EXPECT_EQ(block->ReadSectorsBuffered(&buffer.v, Sec(0).get(), Sec(0x100000000ull).get(), &readRef, &error),
              E_INVALIDARG);
    EXPECT_EQ(block->ReadSectorsBuffered(&buffer.v, Sec(0).get(), Sec(0x00100000ull).get(), &readRef, &error),
              E_INVALIDARG)
        << "2^20 sectors of 2352 bytes do not fit one array";
    EXPECT_EQ(block->ReadSectorsUnBuffered(&buffer.v, Sec(5000).get(), Sec(1).get(), &readRef, &error),
              E_INVALIDARG);
    // From the audio partition into the data one: the array would be sized
    // for 2352-byte sectors the engine does not all deliver, or the other
    // way round.
    EXPECT_EQ(block->ReadSectorsBuffered(&buffer.v, Sec(999).get(), Sec(2).get(), &readRef, &error), E_INVALIDARG);
    OwnedVariant bytes;
    MakeBytes(bytes.v, 4 * 2352, 0);
    EXPECT_EQ(block->WriteSectorsBuffered(&bytes.v, Sec(998).get(), Sec(3).get(), &readRef, &error), E_INVALIDARG);
    // Null arguments, each in turn.
    EXPECT_EQ(block->ReadSectorsBuffered(nullptr, Sec(0).get(), Sec(1).get(), &readRef, &error), E_POINTER);
    EXPECT_EQ(block->ReadSectorsBuffered(&buffer.v, nullptr, Sec(1).get(), &readRef, &error), E_POINTER);
    EXPECT_EQ(block->ReadSectorsBuffered(&buffer.v, Sec(0).get(), nullptr, &readRef, &error), E_POINTER);
    EXPECT_EQ(block->ReadSectorsBuffered(&buffer.v, Sec(0).get(), Sec(1).get(), nullptr, &error), E_POINTER);
    EXPECT_EQ(block->ReadSectorsBuffered(&buffer.v, Sec(0).get(), Sec(1).get(), &readRef, nullptr), E_POINTER);
    EXPECT_EQ(fake.reads, 0);
    EXPECT_EQ(fake.writes, 0);
}

// --- writes -----------------------------------------------------------------------

TEST_F(BlockAccessTest, WritesTakeASignedByteArrayHoldingEverySector) {
    FakeBlock fake;
    fake.partitions = CdPartitions();
    ComPtr<VexoFileSystemBlock> block = BlockOver(fake, true);
    OwnedVariant buffer;
    ComPtr<VexoFSSecNo> written = Sec(0);
    IVexoFSSecNo* writtenRef = written.get();
    VexoFSError error{};

    MakeBytes(buffer.v, 2047, 0x5A);
    EXPECT_EQ(block->WriteSectorsBuffered(&buffer.v, Sec(1000).get(), Sec(1).get(), &writtenRef, &error),
              E_INVALIDARG);
    MakeBytes(buffer.v, 2048, 0x5A);
    EXPECT_EQ(block->WriteSectorsBuffered(&buffer.v, Sec(1000).get(), Sec(0x100000001ull).get(), &writtenRef, &error),
              E_INVALIDARG);
    EXPECT_EQ(fake.writes, 0);
    ASSERT_EQ(block->WriteSectorsBuffered(&buffer.v, Sec(1000).get(), Sec(1).get(), &writtenRef, &error), S_OK);
    EXPECT_EQ(fake.writes, 1);
    EXPECT_EQ(fake.written, std::vector<uint8_t>(2048, 0x5A));
    EXPECT_EQ(written->Value(), 1u);
    EXPECT_EQ(error, errOK);

    // A script hands its array by reference; the engine's refusal is the result.
    fake.answer = errWriteError;
    fake.doneAnswer = 0;
    VARIANT byRef;
    VariantInit(&byRef);
    V_VT(&byRef) = VT_BYREF | VT_ARRAY | VT_I1;
    V_ARRAYREF(&byRef) = &V_ARRAY(&buffer.v);
    ASSERT_EQ(block->WriteSectorsUnBuffered(&byRef, Sec(1000).get(), Sec(1).get(), &writtenRef, &error), S_OK);
    EXPECT_FALSE(fake.lastBuffered);
    EXPECT_EQ(error, errWriteError);
    EXPECT_EQ(written->Value(), 0u);

    // Not a byte array: message 535.
    OwnedVariant text;
    V_VT(&text.v) = VT_BSTR;
    V_BSTR(&text.v) = SysAllocString(L"sector");
    EXPECT_EQ(block->WriteSectorsBuffered(&text.v, Sec(1000).get(), Sec(1).get(), &writtenRef, &error), Err(535));
    OwnedVariant words;
    V_VT(&words.v) = VT_ARRAY | VT_I2;
    V_ARRAY(&words.v) = SafeArrayCreateVector(VT_I2, 0, 2048);
    EXPECT_EQ(block->WriteSectorsBuffered(&words.v, Sec(1000).get(), Sec(1).get(), &writtenRef, &error), Err(535));

    ASSERT_EQ(block->FlushSectorCache(), S_OK);
    EXPECT_EQ(fake.flushes, 1);
}

TEST_F(BlockAccessTest, AReaderRefusesWritesAndFlushes) {
    FakeBlock fake;
    fake.partitions = CdPartitions();
    ComPtr<VexoFileSystemBlock> block = BlockOver(fake, false);
    ComPtr<IVexoFileSystemBlockReader> reader;
    ASSERT_EQ(block->QueryInterface(IID_IVexoFileSystemBlockReader, reader.put_void()), S_OK);
    OwnedVariant buffer;
    MakeBytes(buffer.v, 2048, 1);
    ComPtr<VexoFSSecNo> written = Sec(0);
    IVexoFSSecNo* writtenRef = written.get();
    VexoFSError error{};
    EXPECT_EQ(block->WriteSectorsBuffered(&buffer.v, Sec(1000).get(), Sec(1).get(), &writtenRef, &error), E_FAIL);
    EXPECT_EQ(block->WriteSectorsUnBuffered(&buffer.v, Sec(1000).get(), Sec(1).get(), &writtenRef, &error), E_FAIL);
    EXPECT_EQ(block->FlushSectorCache(), E_FAIL);
    EXPECT_EQ(fake.writes + fake.flushes, 0);
}

// --- virtual multisession information -------------------------------------------

// A VMS record of `sessions` sessions placed so that its last byte is the
// last readable one: reading past it faults.
class GuardedRecord {
public:
    explicit GuardedRecord(size_t size) {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        page_ = si.dwPageSize;
        pages_ = (size + page_ - 1) / page_ + 1;
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, pages_ * page_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + (pages_ - 1) * page_, page_, PAGE_NOACCESS, &old);
        data_ = base_ + (pages_ - 1) * page_ - size;
        std::memset(data_, 0, size);
    }
    ~GuardedRecord() { VirtualFree(base_, 0, MEM_RELEASE); }
    uint8_t* data() const { return data_; }

private:
    size_t page_ = 0, pages_ = 0;
    uint8_t* base_ = nullptr;
    uint8_t* data_ = nullptr;
};

void Put32(uint8_t* p, size_t offset, int32_t v) { std::memcpy(p + offset, &v, 4); }

void PutSession(uint8_t* record, int index, const char* name, int year, int month0, int day, int hour, int32_t nwa) {
    uint8_t* s = record + 136 + size_t(index) * 424;
    std::strcpy(reinterpret_cast<char*>(s), name);
    const int32_t tm[9] = {30, 20, hour, day, month0, year - 1900, 0, 0, 0};
    std::memcpy(s + 256, tm, sizeof tm);
    Put32(s, 292, nwa);
}

TEST_F(BlockAccessTest, VmsSessionsComeInTheEnginesOrderWithNamesDatesAndAddresses) {
    GuardedRecord record(136 + 3 * 424);
    Put32(record.data(), 0, 98765);
    Put32(record.data(), 4, 3);
    PutSession(record.data(), 0, "Backup Monday", 2024, 4, 17, 10, 1000);
    PutSession(record.data(), 1, "Backup Tuesday", 2024, 4, 18, 11, 2000);
    PutSession(record.data(), 2, "Backup Wednesday", 2024, 4, 19, 12, 3000);
    ComPtr<VexoVMSInfo> info;
    ASSERT_EQ(VexoVMSInfo::FromEngineRecord(record.data(), info), S_OK);
    LONG count = 0, nwa = 0;
    info->get_Count(&count);
    info->get_NextWritableAddress(&nwa);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(nwa, 98765);
    const wchar_t* names[] = {L"Backup Monday", L"Backup Tuesday", L"Backup Wednesday"};
    for (INT i = 0; i < 3; ++i) {
        ComPtr<IVexoVMSSession> s;
        ASSERT_EQ(info->Item(i, s.put()), S_OK);
        BSTR name = nullptr;
        ASSERT_EQ(s->get_SessionName(&name), S_OK);
        EXPECT_STREQ(name, names[i]);
        SysFreeString(name);
        DATE when = 0;
        ASSERT_EQ(s->get_CreationTime(&when), S_OK);
        SYSTEMTIME t{};
        VariantTimeToSystemTime(when, &t);
        EXPECT_EQ(t.wYear, 2024);
        EXPECT_EQ(t.wMonth, 5);
        EXPECT_EQ(t.wDay, 17 + i);
        EXPECT_EQ(t.wHour, 10 + i);
        EXPECT_EQ(t.wMinute, 20);
        EXPECT_EQ(t.wSecond, 30);
        s->get_NextWritableAddress(&nwa);
        EXPECT_EQ(nwa, 1000 * (i + 1));
    }
    ComPtr<IVexoVMSSession> none;
    EXPECT_EQ(info->Item(3, none.put()), E_INVALIDARG);
}

TEST_F(BlockAccessTest, ARecordWithoutSessionsIsReadNoFurtherThanItsHeader) {
    GuardedRecord record(136);
    Put32(record.data(), 0, 42);
    ComPtr<VexoVMSInfo> info;
    ASSERT_EQ(VexoVMSInfo::FromEngineRecord(record.data(), info), S_OK);
    LONG count = -1, nwa = 0;
    info->get_Count(&count);
    info->get_NextWritableAddress(&nwa);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(nwa, 42);
    EXPECT_EQ(VexoVMSInfo::FromEngineRecord(nullptr, info), E_INVALIDARG);
}

TEST_F(BlockAccessTest, ASessionWithAnImpossibleDateAnswersFailure) {
    GuardedRecord record(136 + 424);
    Put32(record.data(), 4, 1);
    PutSession(record.data(), 0, "odd", 2024, 12, 1, 0, 0);  // month 13
    ComPtr<VexoVMSInfo> info;
    ASSERT_EQ(VexoVMSInfo::FromEngineRecord(record.data(), info), S_OK);
    ComPtr<IVexoVMSSession> s;
    ASSERT_EQ(info->Item(0, s.put()), S_OK);
    DATE when = 1;
    EXPECT_EQ(s->get_CreationTime(&when), E_FAIL);
    EXPECT_EQ(s->get_CreationTime(nullptr), E_POINTER);
    EXPECT_EQ(s->get_SessionName(nullptr), E_POINTER);
}

}  // namespace
}  // namespace vexo
