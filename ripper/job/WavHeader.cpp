#include "WavHeader.h"

#include <algorithm>
#include <cstring>

namespace WavHeader {

namespace {

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutTag(uint8_t* p, const char (&tag)[5]) { std::memcpy(p, tag, 4); }

}  // namespace

Bytes Build(uint32_t length) {
    length = std::min(length, MaxLength);
    Bytes h{};
    PutTag(&h[0], "RIFF");
    Put32(&h[RiffSizeOffset], length + 36);
    PutTag(&h[8], "WAVE");
    PutTag(&h[12], "fmt ");
    Put32(&h[16], 16);      // fmt chunk size
    Put16(&h[20], 1);       // PCM
    Put16(&h[22], 2);       // channels
    Put32(&h[24], 44100);   // sample rate
    Put32(&h[28], 176400);  // byte rate
    Put16(&h[32], 4);       // block align
    Put16(&h[34], 16);      // bits per sample
    PutTag(&h[36], "data");
    Put32(&h[DataSizeOffset], length);
    return h;
}

}  // namespace WavHeader
