#include "Questions.h"

#include "EngineLayout.h"
#include "EngineRecords.h"
#include "SimConfig.h"

#include <cstring>

namespace vexosim {
namespace L = layout;

namespace {

constexpr std::size_t MaxBuffer = 65536;

// Numbers of a comma list; missing ones keep their default. False when a
// given part is not a number.
bool Numbers(const std::vector<std::string>& parts, std::size_t count, std::int64_t* out) {
    for (std::size_t i = 0; i < count && i < parts.size(); ++i) {
        if (parts[i].empty()) continue;
        auto n = ParseNumber(parts[i]);
        if (!n) return false;
        out[i] = *n;
    }
    return true;
}

}  // namespace

void QuestionData::MakeBuffer(std::size_t size) {
    buffer_.assign(size + GuardBytes, 'x');
    std::memset(buffer_.data() + size, GuardValue, GuardBytes);
    bufferSize_ = size;
    hasBuffer_ = true;
}

std::optional<std::string> QuestionData::BufferText() const {
    if (!hasBuffer_) return std::nullopt;
    return std::string(buffer_.data(), strnlen(buffer_.data(), bufferSize_));
}

bool QuestionData::GuardIntact() const {
    if (!hasBuffer_) return true;
    for (std::size_t i = 0; i < GuardBytes; ++i)
        if (static_cast<std::uint8_t>(buffer_[bufferSize_ + i]) != GuardValue) return false;
    return true;
}

std::unique_ptr<QuestionData> QuestionData::Build(std::int32_t request, std::string_view dataText,
                                                  const std::map<std::int32_t, std::string>& mediaNames, std::string* error) {
    std::unique_ptr<QuestionData> q(new QuestionData());
    q->request_ = request;
    std::string text(dataText);
    std::vector<std::string> parts = Split(text, ',');
    if (parts.size() == 1 && parts[0].empty()) parts.clear();
    auto fail = [&](const std::string& why) {
        if (error) *error = "request " + std::to_string(request) + " \"" + text + "\": " + why;
        return std::unique_ptr<QuestionData>();
    };
    bool isNull = EqualsNoCase(text, "null");

    switch (request) {
    case 13: {
        if (isNull) return q;
        std::int64_t v[2] = {360000, 359847};
        if (!Numbers(parts, 2, v)) return fail("not two numbers");
        q->record_.assign(L::overburn::Size, 0);
        L::Put32(q->record_.data(), L::overburn::TotalBlocksOnCD, static_cast<std::uint32_t>(v[0]));
        L::Put32(q->record_.data(), L::overburn::TotalCapacity, static_cast<std::uint32_t>(v[1]));
        q->data_ = reinterpret_cast<std::intptr_t>(q->record_.data());
        return q;
    }
    case 20:
        q->MakeBuffer(L::fileselect::Size);
        q->data_ = reinterpret_cast<std::intptr_t>(q->buffer_.data());
        return q;
    case 28: {
        std::int64_t v[2] = {0, 0};
        if (!Numbers(parts, 2, v)) return fail("not two media types");
        q->text1_ = MediaTypeName(static_cast<std::int32_t>(v[0]), mediaNames);
        q->text2_ = MediaTypeName(static_cast<std::int32_t>(v[1]), mediaNames);
        q->record_.assign(L::mediainfo::Size, 0);
        std::uint8_t* r = q->record_.data();
        L::Put32(r, L::mediainfo::LastMedia, static_cast<std::uint32_t>(v[0]));
        L::Put32(r, L::mediainfo::RequestedMedia, static_cast<std::uint32_t>(v[1]));
        L::PutPtr(r, L::mediainfo::LastName, q->text1_.c_str());
        L::PutPtr(r, L::mediainfo::RequestedName, q->text2_.c_str());
        q->data_ = reinterpret_cast<std::intptr_t>(r);
        return q;
    }
    case 29: {
        if (isNull) return q;
        // TYPE,ICON,RESPONSE,TEXT: the text is the rest, commas and all.
        std::vector<std::string> head;
        std::size_t pos = 0;
        for (int i = 0; i < 3; ++i) {
            std::size_t comma = text.find(',', pos);
            head.push_back(text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
            pos = comma == std::string::npos ? text.size() : comma + 1;
        }
        std::int64_t v[3] = {0, 0, 0};
        if (!Numbers(Split(head[0] + "," + head[1] + "," + head[2], ','), 3, v)) return fail("not TYPE,ICON,RESPONSE,TEXT");
        q->text1_ = text.substr(pos);
        q->record_.assign(L::messagebox::Size, 0);
        std::uint8_t* r = q->record_.data();
        L::Put32(r, L::messagebox::Type, static_cast<std::uint32_t>(v[0]));
        L::Put32(r, L::messagebox::Icon, static_cast<std::uint32_t>(v[1]));
        L::Put32(r, L::messagebox::Response, static_cast<std::uint32_t>(v[2]));
        L::PutPtr(r, L::messagebox::Text, q->text1_.c_str());
        q->data_ = reinterpret_cast<std::intptr_t>(r);
        return q;
    }
    case 30: {
        if (isNull) return q;
        std::int64_t v[5] = {1, 0, 2, 0, 260};
        bool nullDir = EqualsNoCase(text, "nulldir");
        bool nullBuffer = EqualsNoCase(text, "nullbuffer");
        q->text1_ = "C:\\windows\\temp";
        if (!nullDir && !nullBuffer) {
            if (!Numbers(parts, 5, v)) return fail("not FREELO,FREEHI,NEEDLO,NEEDHI,BUFSIZE[,DIR]");
            if (parts.size() > 5) {
                // The directory is the rest after the fifth comma.
                std::size_t pos = 0;
                for (int i = 0; i < 5; ++i) pos = text.find(',', pos) + 1;
                q->text1_ = text.substr(pos);
            }
        }
        if (v[4] < 0 || static_cast<std::uint64_t>(v[4]) > MaxBuffer) return fail("buffer size out of range");
        if (!nullBuffer) q->MakeBuffer(static_cast<std::size_t>(v[4]));
        q->record_.assign(L::tempspace::Size, 0);
        std::uint8_t* r = q->record_.data();
        L::PutPtr(r, L::tempspace::Directory, nullDir ? nullptr : q->text1_.c_str());
        L::Put32(r, L::tempspace::FreeLo, static_cast<std::uint32_t>(v[0]));
        L::Put32(r, L::tempspace::FreeHi, static_cast<std::uint32_t>(v[1]));
        L::Put32(r, L::tempspace::NeededLo, static_cast<std::uint32_t>(v[2]));
        L::Put32(r, L::tempspace::NeededHi, static_cast<std::uint32_t>(v[3]));
        L::PutPtr(r, L::tempspace::Buffer, nullBuffer ? nullptr : q->buffer_.data());
        L::Put32(r, L::tempspace::BufferSize, static_cast<std::uint32_t>(v[4]));
        q->data_ = reinterpret_cast<std::intptr_t>(r);
        return q;
    }
    default: {
        std::int64_t v[1] = {0};
        if (parts.size() > 1 || !Numbers(parts, 1, v)) return fail("not a number");
        q->data_ = static_cast<std::intptr_t>(v[0]);
        return q;
    }
    }
}

}  // namespace vexosim
