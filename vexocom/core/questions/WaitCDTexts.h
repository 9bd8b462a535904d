// The English texts of the wait-for-disc codes (VEXO_WAITCD_TYPE). The text
// that reaches OnWaitCD is the engine's own localized one; this table is the
// module's reference copy, for an engine that has no texts of its own.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vexo::waitcd {

struct WaitCDText {
    int32_t code;
    std::string_view name;  // the VEXO_WAITCD_TYPE constant
    std::string_view text;
};

// Codes 0 to 26 in order (26 is VEXO_WAITCD_MAX).
std::span<const WaitCDText> WaitCDTexts() noexcept;

// The text of a code; codes outside the table give the text of
// VEXO_WAITCD_MAX ("unknown VEXO_WAITCD_TYPE").
std::string_view WaitCDTextFor(int32_t code) noexcept;

}  // namespace vexo::waitcd
