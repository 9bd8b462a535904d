// block_read_bench [MB [RUNS]]: the sequential read rate of an image file
// through VexoCOM's block access (CreateBlockAccessFromImage, then
// ReadSectorsUnBuffered in chunks of 32 sectors) against reading the same
// file directly with ReadFile in chunks of the same size, interleaved, in
// one run. Prints the medians of RUNS runs with their spread and the ratio;
// asserts nothing. Run from the program folder (VexoCOM.dll, engine\).
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchCom.h"
#include "Vexo.h"

namespace {

using bench::ProgramFolder;
using bench::Ref;
using Clock = std::chrono::steady_clock;
constexpr DWORD kSector = 2048;
constexpr DWORD kChunkSectors = 32;

// An image of `sectors` sectors whose sector 16 starts like a volume
// descriptor; kept between runs when it has the size asked for.
bool MakeImage(const std::string& path, DWORD sectors) {
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a) &&
        (ULONGLONG(a.nFileSizeHigh) << 32 | a.nFileSizeLow) == ULONGLONG(sectors) * kSector)
        return true;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    std::vector<char> chunk(kSector * 256);
    DWORD written = 0;
    bool ok = true;
    for (DWORD s = 0; ok && s < sectors; s += 256) {
        for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>((s * 31 + i) & 0xFF);
        if (s == 0) memcpy(&chunk[16 * kSector], "\001CD001\001", 7);
        const DWORD n = std::min<DWORD>(256, sectors - s) * kSector;
        ok = WriteFile(f, chunk.data(), n, &written, nullptr) && written == n;
    }
    CloseHandle(f);
    return ok;
}

double DirectSeconds(const std::string& path, ULONGLONG& bytes) {
    bytes = 0;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (f == INVALID_HANDLE_VALUE) return -1;
    std::vector<char> buffer(kSector * kChunkSectors);
    const auto start = Clock::now();
    DWORD got = 0;
    while (ReadFile(f, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got) bytes += got;
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    CloseHandle(f);
    return s;
}

double BlockSeconds(IVexo4* vexo, const std::string& path, DWORD sectors, ULONGLONG& bytes) {
    bytes = 0;
    std::wstring wide(path.begin(), path.end());
    BSTR name = SysAllocString(wide.c_str());
    Ref<IVexoFileSystemBlockWriter> block;
    HRESULT hr = vexo->CreateBlockAccessFromImage(name, eIAReadOnly, block.put());
    SysFreeString(name);
    if (FAILED(hr) || !block.p) return -1;
    Ref<IVexoFSSecNo> start, count, read;
    if (FAILED(CoCreateInstance(CLSID_VexoFSSecNo, nullptr, CLSCTX_INPROC_SERVER, IID_IVexoFSSecNo,
                                reinterpret_cast<void**>(start.put()))) ||
        FAILED(CoCreateInstance(CLSID_VexoFSSecNo, nullptr, CLSCTX_INPROC_SERVER, IID_IVexoFSSecNo,
                                reinterpret_cast<void**>(count.put()))) ||
        FAILED(CoCreateInstance(CLSID_VexoFSSecNo, nullptr, CLSCTX_INPROC_SERVER, IID_IVexoFSSecNo,
                                reinterpret_cast<void**>(read.put()))))
        return -1;
    VARIANT buffer;
    VariantInit(&buffer);
    const auto t0 = Clock::now();
    for (DWORD s = 0; s < sectors; s += kChunkSectors) {
        start->put_LoPart(static_cast<LONG>(s));
        count->put_LoPart(static_cast<LONG>(std::min(kChunkSectors, sectors - s)));
        VexoFSError error{};
        IVexoFSSecNo* readRef = read.p;
        if (FAILED(block->ReadSectorsUnBuffered(&buffer, start.p, count.p, &readRef, &error)) || error != errOK) break;
        LONG done = 0;
        read->get_LoPart(&done);
        bytes += ULONGLONG(done) * kSector;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    VariantClear(&buffer);
    return seconds;
}

struct Figures {
    std::vector<double> rates;  // MB/s
    void Add(ULONGLONG bytes, double seconds) {
        if (seconds > 0) rates.push_back(bytes / 1048576.0 / seconds);
    }
    double Median() const {
        if (rates.empty()) return 0;
        std::vector<double> v = rates;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    double Min() const { return rates.empty() ? 0 : *std::min_element(rates.begin(), rates.end()); }
    double Max() const { return rates.empty() ? 0 : *std::max_element(rates.begin(), rates.end()); }
};

}  // namespace

int main(int argc, char** argv) {
    const DWORD megabytes = argc > 1 ? static_cast<DWORD>(atoi(argv[1])) : 700;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    const DWORD sectors = megabytes * (1048576 / kSector);
    const std::string folder = ProgramFolder();
    const std::string image = bench::TempPath("vexo-block-bench.iso");
    if (!MakeImage(image, sectors)) {
        printf("block_read_bench: cannot write %s\n", image.c_str());
        return 1;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int status = 0;
    {
        Ref<IVexo4> vexo;
        HRESULT hr = CoCreateInstance(CLSID_Vexo, nullptr, CLSCTX_INPROC_SERVER, IID_IVexo4,
                                      reinterpret_cast<void**>(vexo.put()));
        if (FAILED(hr) || !vexo.p) {
            printf("block_read_bench: no engine object (0x%08lX); is VexoCOM registered?\n", hr);
            CoUninitialize();
            return 1;
        }
        std::wstring engine(folder.begin(), folder.end());
        engine += L"\\engine";
        BSTR path = SysAllocString(engine.c_str());
        Ref<IVexoSetup> setup;
        vexo->QueryInterface(IID_IVexoSetup, reinterpret_cast<void**>(setup.put()));
        if (setup.p) setup->put_VexoFilesPath(path);
        SysFreeString(path);
        Figures direct, block;
        ULONGLONG bytes = 0;
        DirectSeconds(image, bytes);  // warm the cache for both
        for (int r = 0; r < runs; ++r) {
            double s = DirectSeconds(image, bytes);
            direct.Add(bytes, s);
            s = BlockSeconds(vexo.p, image, sectors, bytes);
            if (s < 0 || bytes != ULONGLONG(sectors) * kSector) {
                printf("block_read_bench: the block read failed after %llu bytes\n", bytes);
                status = 1;
                break;
            }
            block.Add(bytes, s);
        }
        if (status == 0) {
            printf("block read, %lu MB in chunks of %lu sectors, %d runs (median, min-max):\n", megabytes,
                   kChunkSectors, runs);
            printf("  ReadFile directly        %8.1f MB/s  (%.1f-%.1f)\n", direct.Median(), direct.Min(), direct.Max());
            printf("  ReadSectorsUnBuffered    %8.1f MB/s  (%.1f-%.1f)\n", block.Median(), block.Min(), block.Max());
            printf("  ratio block/direct       %8.2f\n", direct.Median() > 0 ? block.Median() / direct.Median() : 0);
        }
    }
    CoUninitialize();
    return status;
}
