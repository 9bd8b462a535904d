// Writes a top-down 32-bit DIB's pixels as an opaque .bmp file, for the
// gallery tools' pictures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>

inline bool SaveTopDownBitmap(const char* path, void* bits, int width, int height) {
    const DWORD bytes = DWORD(width) * DWORD(height) * 4;
    auto* px = static_cast<uint32_t*>(bits);
    for (DWORD i = 0; i < bytes / 4; ++i) px[i] |= 0xFF000000u;  // opaque for every viewer
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = -height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof info;
    fh.bfSize = fh.bfOffBits + bytes;
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&info, sizeof info, 1, f);
    std::fwrite(bits, bytes, 1, f);
    return std::fclose(f) == 0;
}
