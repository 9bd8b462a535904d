#include "JobScript.h"

#include <cctype>
#include <cstdlib>

namespace avf {

std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    out += '\'';
    return out;
}

std::string BuildJobScript(const std::string& workDir, const std::vector<std::string>& args) {
    const std::string work = ShellQuote(workDir);
    std::string s;
    s += "#!/bin/sh\n";
    s += "# One ffmpeg run started from Wine.\n";
    s += "exec </dev/null >/dev/null 2>&1\n";
    s += "work=" + work + "\n";
    s += "log=\"$work/" + std::string(kJobOutputName) + "\"\n";
    s += "PATH=\"$PATH:/usr/local/bin:/usr/bin:/bin\"; export PATH\n";
    s += "ff=\"${AVFORMAT_FFMPEG:-}\"\n";
    s += "[ -n \"$ff\" ] || ff=$(command -v ffmpeg)\n";
    s += "if [ -z \"$ff\" ]; then\n";
    s += "  echo \"avformat: ffmpeg was not found on the PATH\" >\"$log\"\n";
    s += "  rc=127\n";
    s += "else\n";
    s += "  \"$ff\"";
    for (const auto& a : args) {
        s += ' ';
        s += ShellQuote(a);
    }
    s += " >\"$log\" 2>&1 </dev/null &\n";
    s += "  pid=$!\n";
    s += "  (\n";
    s += "    while kill -0 \"$pid\" 2>/dev/null; do\n";
    s += "      beat=$(stat -c %Y \"$work/" + std::string(kJobAliveName) + "\" 2>/dev/null || echo 0)\n";
    s += "      if [ $(( $(date +%s) - beat )) -gt " + std::to_string(kHeartbeatTimeoutSeconds) + " ]; then\n";
    s += "        : >\"$work/" + std::string(kJobAbandonedName) + "\"; kill \"$pid\" 2>/dev/null\n";
    s += "        sleep 3; kill -9 \"$pid\" 2>/dev/null; break\n";
    s += "      fi\n";
    s += "      sleep 1\n";
    s += "    done\n";
    s += "  ) </dev/null >/dev/null 2>&1 &\n";
    s += "  watcher=$!\n";
    s += "  wait \"$pid\"; rc=$?\n";
    s += "  kill \"$watcher\" 2>/dev/null\n";
    s += "fi\n";
    s += "if [ -e \"$work/" + std::string(kJobAbandonedName) + "\" ]; then rm -rf \"$work\"; exit \"$rc\"; fi\n";
    s += "echo \"$rc\" >\"$work/exit.tmp\" && mv \"$work/exit.tmp\" \"$work/" + std::string(kJobExitName) + "\"\n";
    return s;
}

std::string QuoteWindowsArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

std::string BuildWindowsCommandLine(const std::string& program, const std::vector<std::string>& args) {
    std::string line = QuoteWindowsArgument(program);
    for (const auto& a : args) {
        line += ' ';
        line += QuoteWindowsArgument(a);
    }
    return line;
}

int ParseExitCode(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    size_t start = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    if (i == start || i - start > 9) return -1;
    size_t digitsEnd = i;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i != text.size()) return -1;
    return static_cast<int>(std::strtol(text.substr(start, digitsEnd - start).c_str(), nullptr, 10));
}

}  // namespace avf
