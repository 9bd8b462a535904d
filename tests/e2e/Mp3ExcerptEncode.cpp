// mp3_excerpt_encode IMAGE FIRST COUNT OUT [KBPS]: encodes COUNT CD frames of a
// raw audio image (2352-byte frames) from frame FIRST into the MP3 file OUT
// the way the rip job does: quality "Normal", one encoder call per frame, a
// flush after every 26-frame block, the stream finished at the end. The
// encoder library is the lame_enc.dll beside this program, so a copy of it in
// another folder encodes with that folder's library (tests/e2e/mp3_quality.py
// compares two builds of the library this way). Exit code 0 on success.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "EncoderConfig.h"
#include "clsFileIo.h"
#include "modLAME.h"

int main(int argc, char** argv) {
    if (argc < 5) {
        std::printf("usage: mp3_excerpt_encode IMAGE FIRST COUNT OUT [KBPS]\n");
        return 2;
    }
    const long first = std::atol(argv[2]), count = std::atol(argv[3]);
    const std::string kbps = argc > 5 ? argv[5] : "160";
    if (first < 0 || count <= 0) {
        std::printf("bad frame range %s %s\n", argv[2], argv[3]);
        return 2;
    }
    std::vector<uint8_t> pcm(std::size_t(count) * modLAME::FrameBytes);
    {
        std::FILE* image = std::fopen(argv[1], "rb");
        const bool read = image && std::fseek(image, first * long(modLAME::FrameBytes), SEEK_SET) == 0 &&
                          std::fread(pcm.data(), 1, pcm.size(), image) == pcm.size();
        if (image) std::fclose(image);
        if (!read) {
            std::printf("cannot read frames %ld to %ld of %s\n", first, first + count, argv[1]);
            return 1;
        }
    }
    modLAME::EncoderStream encoder;
    const auto config = EncoderConfig::FromSelection(kbps, EncoderLists::QualityIndexOf("Normal"));
    if (AppError e = encoder.Start(config)) {
        std::printf("encoder: %s (%d)\n", e.description.c_str(), e.number);
        return 1;
    }
    clsFileIo out;
    if (!out.OpenFile(argv[4])) {
        std::printf("cannot create %s\n", argv[4]);
        return 1;
    }
    bool written = true;
    for (long f = 0; f < count; ++f) {
        encoder.EncodeFrame(&pcm[std::size_t(f) * modLAME::FrameBytes]);
        if (!encoder.Output().empty()) written = out.WriteBytes(encoder.Output()) && written;
        if ((f + 1) % 26 == 0) out.FlushBuffers();
    }
    encoder.Finish(out);
    out.CloseFile();
    return written ? 0 : 1;
}
