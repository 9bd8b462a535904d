// Malformed command lines for the headless modes, each run as a child
// process exactly as written (quotes, control characters and all), through
// the console program of its mode (and a sample through the windowed one):
//  - a refused line gives one reason line starting "cadrel: " (and at most
//    the usage line after it), no control characters but the line ends, the
//    expected exit code, and no file: the output folder and the starting
//    folder stay empty;
//  - a line that is in fact valid does its work.
// Placeholders in a line: {out} the (empty) output folder, {file} an existing
// plain file, {dir} an existing folder with nothing in it, {wav} a short WAV
// file ({WAV} its name in capitals), {inputs} the folder it lies in, {junk} a
// file of garbage bytes, {empty} an empty file.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "support/ConsoleRun.h"
#include "RipJobSupport.h"
#include "TestFiles.h"
#include "VirtualDisc.h"
#include "WavHeader.h"

namespace {

enum class Mode { Rip, Convert };

struct LineCase {
    std::string name;
    Mode mode;
    std::string line;        // after the mode switch
    DWORD exitCode;          // 2 refused, 1 failed, 0 done
    std::string reason;      // a piece of the reason line (refusals and failures)
    std::vector<std::string> written;  // the output folder's entries afterwards
};

struct Program {
    const char* file;
    bool needsModeSwitch;  // the windowed program takes /rip or /convert first
};

const Program kPrograms[] = {{"cadrel-rip.exe", false}, {"cadrel-convert.exe", false}, {"CadrelConverter.exe", true}};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

LineCase Rip(std::string name, std::string line, std::string reason, DWORD code = 2) {
    return {std::move(name), Mode::Rip, std::move(line), code, std::move(reason), {}};
}
LineCase RipDone(std::string name, std::string line) {
    return {std::move(name), Mode::Rip, std::move(line), 0, "", {"Track 1.wav"}};
}
LineCase Convert(std::string name, std::string line, std::string reason, DWORD code = 2) {
    return {std::move(name), Mode::Convert, std::move(line), code, std::move(reason), {}};
}

const std::string kWav = "/preset:\"WAVE Sound (WAV)\"";

std::vector<LineCase> Corpus() {
    std::vector<LineCase> c;
    // --- switches ----------------------------------------------------------------------
    c.push_back(Rip("unknown switch", "/volume:11 /out:{out}", "unknown switch \"/volume:11\""));
    c.push_back(Rip("switch without a name", "/ /out:{out}", "unknown switch"));
    c.push_back(Rip("repeated switch", "/format:WAV /format:MP3 /out:{out}", "/format given twice"));
    c.push_back(Rip("repeated switch in other spellings", "/out:{out} -OUT={out}", "/out given twice"));
    c.push_back(Rip("mode switch twice", "/rip /rip /out:{out}", "/rip given twice"));
    c.push_back(Rip("missing value", "/format /out:{out}", "/format needs a value"));
    c.push_back(Rip("empty value", "/format: /out:{out}", "/format must be MP3 or WAV"));
    c.push_back(Rip("empty folder", "/out:", "/out needs a folder"));
    c.push_back(Rip("blank folder", "\"/out:   \"", "/out needs a folder"));
    c.push_back(Rip("stray word", "/format:WAV now /out:{out}", "unexpected argument \"now\""));
    c.push_back(Rip("two switches in one quoted argument", "\"/format:WAV /out:{out}\"", "/format must be MP3 or WAV"));
    // --- numbers and names out of range ---------------------------------------------------
    for (const char* tracks : {"0", "100", "3-1", "1,,2", "-1", "1-", ",", "1;2", "one", "99999999999999999999",
                               "1-4294967297", "4294967297"})
        c.push_back(Rip(std::string("tracks ") + tracks, std::string("/tracks:") + tracks + " /out:{out}", "/tracks"));
    c.push_back(Rip("a track the disc does not hold", "/tracks:2 /out:{out}", "the disc has no track 2"));
    for (const char* bitrate : {"0", "-128", "129", "1e3", "160k", "99999999999", "4294967456"})
        c.push_back(Rip(std::string("bitrate ") + bitrate, std::string("/bitrate:") + bitrate + " /out:{out}",
                        "/bitrate must be one of"));
    for (const char* quality : {"Bogus", "\"\"", "Normal2", "-1"})
        c.push_back(Rip(std::string("quality ") + quality, std::string("/quality:") + quality + " /out:{out}",
                        "/quality must be one of"));
    for (const char* format : {"OGG", "MP", "WAVE", "MP3WAV"})
        c.push_back(Rip(std::string("format ") + format, std::string("/format:") + format + " /out:{out}",
                        "/format must be MP3 or WAV"));
    for (const char* drive : {"-1", "8", "4294967296", "x"})
        c.push_back(Rip(std::string("drive ") + drive, std::string("/drive:") + drive + " /out:{out}", "/drive must be"));
    c.push_back(Rip("a drive the library does not list", "/drive:7 /out:{out}", "there is no drive 7"));
    // --- characters ---------------------------------------------------------------------------
    c.push_back(Rip("control characters in a value", "/format:W\x01\x1b[2JAV /out:{out}", "/format must be MP3 or WAV"));
    c.push_back(Rip("a line end in a value", "\"/quality:Nor\nmal\" /out:{out}", "/quality must be one of"));
    c.push_back(Rip("a line end in the folder", "\"/out:{out}\r\nx\"", "does not exist"));
    c.push_back(Rip("a tab in the folder", "\"/out:{out}\tx\"", "does not exist"));
    c.push_back(Rip("non-ASCII value", "/format:\xC3\x9CMP3 /out:{out}", "/format must be MP3 or WAV"));
    c.push_back(Rip("non-ASCII folder that does not exist", "\"/out:{out}\\\xC3\xA9t\xC3\xA9\"", "does not exist"));
    c.push_back(Rip("a folder in letters the code page lacks", "\"/out:{out}\\\xD0\x9C\xD1\x83\xD0\xB7\"",
                    "cannot represent"));
    c.push_back(Rip("a value in letters the code page lacks", "/quality:\xE6\xA8\x99\xE6\xBA\x96 /out:{out}",
                    "cannot represent"));
    c.push_back(Rip("wildcards in the folder", "/out:{out}\\*", "does not exist"));
    // --- long values ----------------------------------------------------------------------------
    c.push_back(Rip("a folder of 30000 characters", "/out:{out}\\" + std::string(30000, 'x'), "does not exist"));
    c.push_back(Rip("a track list of 30000 characters", "/tracks:" + std::string(29999, '1'), "/tracks"));
    {
        std::string list;
        while (list.size() < 30000) list += "1,";
        c.push_back(Rip("a track list of 15000 entries ending empty", "/tracks:" + list + " /out:{out}", "/tracks"));
    }
    // --- folders ----------------------------------------------------------------------------------
    c.push_back(Rip("output folder that does not exist", "/out:{out}\\missing", "does not exist"));
    c.push_back(Rip("output folder that is a file", "/out:{file}", "is a file"));
    c.push_back(Rip("output folder below a file", "/out:{file}\\x", "does not exist"));
    c.push_back(Rip("output folder longer than a path may be", "/out:{out}\\" + std::string(300, 'y') + "\\z",
                    "does not exist"));
    c.push_back(Rip("output folder NUL", "/out:NUL", "does not exist"));
    c.push_back(Rip("output folder on a drive that does not exist", "/out:Q:\\music", "does not exist"));
    // --- lines that are valid after all -----------------------------------------------------------
    c.push_back(RipDone("unbalanced quote closing the line", "/format:WAV \"/out:{out}"));
    c.push_back(RipDone("dashes, equals signs and mixed case", "-FORMAT=wav -Out={out} -tracks=ALL -Drive=0"));
    c.push_back(RipDone("every switch once", "/format:Wav /bitrate:320 /quality:High /drive:0 /tracks:1-1 /out:{out}"));
    c.push_back(RipDone("blanks around values", "\"/tracks: 1 \" \"/format: WAV \" /out:{out}"));
    c.push_back(RipDone("an empty argument", "\"\" /format:WAV /out:{out}"));

    // --- the conversion mode -------------------------------------------------------------------------
    c.push_back(Convert("no file", "/out:{out}", "no file to convert"));
    c.push_back(Convert("no output folder", "{wav}", "no output folder"));
    c.push_back(Convert("empty output folder", "{wav} /out:", "the switch /out: needs a folder"));
    c.push_back(Convert("output folder twice", "{wav} /out:{out} /out:{out}", "the switch /out is given twice"));
    c.push_back(Convert("preset twice", "{wav} " + kWav + " " + kWav + " /out:{out}", "the switch /preset is given twice"));
    c.push_back(Convert("unknown switch", "{wav} /volume:11 /out:{out}", "the switch /volume:11 is not known"));
    c.push_back(Convert("switch without a value", "{wav} /preset /out:{out}", "the switch /preset needs a value"));
    c.push_back(Convert("unknown preset", "{wav} /preset:Bogus /out:{out}", "there is no preset \"Bogus\""));
    c.push_back(Convert("empty preset", "{wav} /preset: /out:{out}", "there is no preset \"\""));
    c.push_back(Convert("preset in other case", "{wav} /preset:\"wave sound (wav)\" /out:{out}", "there is no preset"));
    c.push_back(Convert("control characters in the preset", "{wav} /preset:WA\x07VE\x1b /out:{out}", "there is no preset"));
    c.push_back(Convert("input that does not exist", "{out}\\missing.avi /out:{out}", "does not exist"));
    c.push_back(Convert("input that is a folder", "{dir} /out:{out}", "is a folder"));
    c.push_back(Convert("non-ASCII input that does not exist", "\"{out}\\\xC3\xA9t\xC3\xA9.avi\" /out:{out}",
                        "does not exist"));
    c.push_back(Convert("an input in letters the code page lacks", "{out}\\\xD0\x9C\xD1\x83\xD0\xB7.wav /out:{out}",
                        "cannot represent"));
    c.push_back(Convert("input name of 30000 characters", "{out}\\" + std::string(30000, 'x') + " /out:{out}",
                        "does not exist"));
    c.push_back(Convert("output folder that is a file", "{wav} /out:{file}", "is a file"));
    c.push_back(Convert("output folder that does not exist", "{wav} /out:{out}\\missing", "does not exist"));
    c.push_back(Convert("output folder of 30000 characters", "{wav} /out:{out}\\" + std::string(30000, 'x'),
                        "does not exist"));
    c.push_back(Convert("a line end in the output folder", "{wav} \"/out:{out}\nx\"", "does not exist"));
    c.push_back(Convert("a file converted onto itself", "{wav} " + kWav + " /out:{inputs}", "would write over the file itself"));
    c.push_back(Convert("a file converted onto itself, spelt otherwise", "{WAV} " + kWav + " /out:{inputs}\\.",
                        "would write over the file itself"));
    c.push_back(Convert("garbage media file", "{junk} " + kWav + " /out:{out}", "junk.avi", 1));
    c.push_back(Convert("empty media file", "{empty} " + kWav + " /out:{out}", "empty.mpg", 1));
    c.push_back({"a valid line in other spellings", Mode::Convert, "-OUT={out} {wav} -Preset=\"WAVE Sound (WAV)\"", 0,
                 "", {"tone.wav"}});
    return c;
}

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

std::string TestName(const testing::TestParamInfo<LineCase>& info) {
    std::string name;
    for (char c : info.param.name) name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    return std::to_string(info.index) + "_" + name;
}

// A WAV file of a tenth of a second of a quiet ramp.
std::string ShortWav() {
    const uint32_t bytes = 4410 * 4;
    std::string pcm(bytes, '\0');
    for (uint32_t i = 0; i < bytes; ++i) pcm[i] = char((i * 37) & 0x3f);
    const auto header = WavHeader::Build(bytes);
    return std::string(header.begin(), header.end()) + pcm;
}

class MalformedCommandLine : public testing::TestWithParam<LineCase> {
protected:
    static void SetUpTestSuite() {
        const std::string base = ripjobtest::FreshFolder("malformed-lines", "inputs");
        testing_support::WriteFileBytes(base + "\\plain.txt", "not a folder\r\n");
        CreateDirectoryA((base + "\\folder.avi").c_str(), nullptr);
        testing_support::WriteFileBytes(base + "\\tone.wav", ShortWav());
        std::string junk;
        for (int i = 0; i < 8192; ++i) junk.push_back(char((i * 7919 + 13) & 0xff));
        testing_support::WriteFileBytes(base + "\\junk.avi", junk);
        testing_support::WriteFileBytes(base + "\\empty.mpg", "");
        testdisc::Insert({{30}});
    }
    static void TearDownTestSuite() { testdisc::Eject(); }

    void Check(const Program& program) {
        const LineCase& c = GetParam();
        const std::string inputs = win::ProgramFolder() + "\\malformed-lines\\inputs";
        const std::string out = ripjobtest::FreshFolder("malformed-lines", "out");
        const std::string start = ripjobtest::FreshFolder("malformed-lines", "start");
        std::string line = c.line;
        line = Replace(line, "{out}", out);
        line = Replace(line, "{file}", inputs + "\\plain.txt");
        line = Replace(line, "{dir}", inputs + "\\folder.avi");
        line = Replace(line, "{wav}", inputs + "\\tone.wav");
        line = Replace(line, "{WAV}", inputs + "\\TONE.WAV");
        line = Replace(line, "{inputs}", inputs);
        line = Replace(line, "{junk}", inputs + "\\junk.avi");
        line = Replace(line, "{empty}", inputs + "\\empty.mpg");
        if (program.needsModeSwitch) line = (c.mode == Mode::Rip ? "/rip " : "/convert ") + line;

        const consolerun::RunResult r = consolerun::RunLine(program.file, line, start);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
        EXPECT_EQ(ripjobtest::Entries(out), c.written);
        EXPECT_TRUE(ripjobtest::Entries(start).empty()) << "files in the starting folder";
        EXPECT_TRUE(ripjobtest::ReadAll(inputs + "\\tone.wav") == ShortWav()) << "the source was changed";
        for (char ch : r.output)
            EXPECT_FALSE(static_cast<unsigned char>(ch) < 0x20 && ch != '\r' && ch != '\n')
                << "control character " << int(ch) << " printed:\n" << r.output;
        if (c.exitCode == 2) {
            const std::vector<std::string> lines = r.Lines();
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines[0].rfind("cadrel: ", 0), 0u) << r.output;
            EXPECT_NE(lines[0].find(c.reason), std::string::npos) << r.output;
            EXPECT_LE(lines.size(), 2u) << r.output;
            if (lines.size() == 2) EXPECT_EQ(lines[1].rfind("usage: ", 0), 0u) << r.output;
        } else if (c.exitCode == 1) {
            EXPECT_TRUE(r.Has(c.reason)) << r.output;
        }
    }
};

TEST_P(MalformedCommandLine, ConsoleProgram) {
    Check(GetParam().mode == Mode::Rip ? kPrograms[0] : kPrograms[1]);
}

INSTANTIATE_TEST_SUITE_P(Lines, MalformedCommandLine, testing::ValuesIn(Corpus()), TestName);

// The windowed program splits and converts its arguments with the same code
// as the console programs and hands them to the same modes: a sample of the
// corpus, one line of each kind, shows the dispatch.
class MalformedCommandLineWindowed : public MalformedCommandLine {};

TEST_P(MalformedCommandLineWindowed, WindowedProgram) { Check(kPrograms[2]); }

std::vector<LineCase> WindowedSample() {
    const std::vector<std::string> names = {"unknown switch", "mode switch twice", "control characters in a value",
                                            "a line end in the folder", "a folder in letters the code page lacks",
                                            "unbalanced quote closing the line", "output folder that is a file",
                                            "no file", "input that is a folder", "a file converted onto itself",
                                            "an input in letters the code page lacks", "garbage media file"};
    std::vector<LineCase> sample;
    for (const LineCase& c : Corpus())
        if (std::find(names.begin(), names.end(), c.name) != names.end()) sample.push_back(c);
    return sample;
}

INSTANTIATE_TEST_SUITE_P(Lines, MalformedCommandLineWindowed, testing::ValuesIn(WindowedSample()), TestName);

}  // namespace
