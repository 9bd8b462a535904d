// The data the engine passes with a user-dialog question, built from a
// short text naming its values (the VexoSimAskSpec and [Burn] Ask= forms).
// The object owns the record, the texts it points to and the output buffer;
// it stays where it was made (the record holds pointers into it).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexosim {

class QuestionData {
public:
    // Null (and the reason in *error) when the text does not fit the request.
    static std::unique_ptr<QuestionData> Build(std::int32_t request, std::string_view dataText,
                                               const std::map<std::int32_t, std::string>& mediaNames, std::string* error);

    QuestionData(const QuestionData&) = delete;
    QuestionData& operator=(const QuestionData&) = delete;

    std::int32_t Request() const { return request_; }
    // The value handed to the user-dialog callback: a record or buffer
    // address, a plain number, or 0.
    std::intptr_t Data() const { return data_; }
    // What the output buffer holds after the answer (requests 20 and 30,
    // read no further than the buffer); nullopt when there is none.
    std::optional<std::string> BufferText() const;
    // False when the callback wrote past the end of the output buffer.
    bool GuardIntact() const;

    static constexpr std::size_t GuardBytes = 16;
    static constexpr std::uint8_t GuardValue = 0xFD;

private:
    QuestionData() = default;
    void MakeBuffer(std::size_t size);

    std::int32_t request_ = 0;
    std::vector<std::uint8_t> record_;
    std::vector<char> buffer_;  // the buffer then GuardBytes of GuardValue
    std::size_t bufferSize_ = 0;
    bool hasBuffer_ = false;
    std::string text1_, text2_;
    std::intptr_t data_ = 0;
};

}  // namespace vexosim
