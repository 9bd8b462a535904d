#include "CD_Library.h"

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <cctype>

namespace CD_Library {


namespace {

// Sends a command that expects no reply; the MCI result.
MCIERROR Send(const std::string& command) {
    return mciSendStringA(command.c_str(), nullptr, 0, nullptr);
}

// Sends a status query into a fresh 30-character buffer; the reply text.
std::string Query(const std::string& command) {
    std::array<char, ReplyBufferLength + 1> reply{};
    mciSendStringA(command.c_str(), reply.data(), ReplyBufferLength, nullptr);
    return ReplyText(reply.data(), ReplyBufferLength);
}

}  // namespace

std::string ReplyText(const char* buffer, std::size_t length) {
    if (!buffer) return {};
    std::size_t n = 0;
    while (n < length && buffer[n] != '\0') ++n;
    return std::string(buffer, n);
}

bool ReplyAsBoolean(std::string_view reply) {
    while (!reply.empty() && std::isspace(static_cast<unsigned char>(reply.front()))) reply.remove_prefix(1);
    while (!reply.empty() && std::isspace(static_cast<unsigned char>(reply.back()))) reply.remove_suffix(1);
    if (reply.size() == 4) {
        bool isTrue = true;
        for (std::size_t i = 0; i < 4; ++i)
            isTrue = isTrue && std::tolower(static_cast<unsigned char>(reply[i])) == "true"[i];
        if (isTrue) return true;
    }
    bool digits = !reply.empty();
    bool nonZero = false;
    for (char c : reply) {
        if (!std::isdigit(static_cast<unsigned char>(c))) digits = false;
        else if (c != '0') nonZero = true;
    }
    return digits && nonZero;
}

int16_t LeadingTwoDigits(std::string_view reply) {
    int16_t value = 0;
    for (std::size_t i = 0; i < 2 && i < reply.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(reply[i]))) break;
        value = static_cast<int16_t>(value * 10 + (reply[i] - '0'));
    }
    return value;
}

bool OpenCD(std::string_view driveText) {
    CloseCD();
    MCIERROR opened = MCIERR_INVALID_DEVICE_NAME;
    if (!driveText.empty()) {
        std::string root = std::string(1, driveText.front()) + ":\\";
        opened = Send("open " + root + " Type cdaudio alias cdr wait shareable");
    }
    DeviceOpen = (opened == 0);
    Send("set cdr time format tmsf wait");
    return opened == 0;
}

bool CloseCD() {
    DeviceOpen = false;
    return Send("close cdr") == 0;
}

bool IsMediaPresent() {
    if (!DeviceOpen) return false;
    return ReplyAsBoolean(Query("status cdr media present"));
}

int16_t GetTrackCount() {
    if (!IsMediaPresent()) return 0;
    return LeadingTwoDigits(Query("status cdr number of tracks wait"));
}

std::string GetTotalLength() {
    if (!DeviceOpen) return std::string(DeviceNotOpenText);
    if (!IsMediaPresent()) return std::string(NoDiscPresentText);
    return Query("status cdr length wait");
}

std::string GetTrackLength(int n) {
    if (!DeviceOpen) return std::string(DeviceNotOpenText);
    if (GetTrackCount() < 1) return std::string(NoTracksText);
    std::string reply = Query("status cdr length track " + std::to_string(n));
    return reply.substr(0, 8);
}

bool OpenDoor() {
    if (!DeviceOpen) return false;
    Send("set cdr door open");
    return true;
}

}  // namespace CD_Library
