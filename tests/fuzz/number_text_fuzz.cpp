// The two readings of a frequency field's text over any bytes: what the field
// takes is always within its range and agrees with what the program reads
// from the same plain number when the field is left.
#include "ui/number_text.h"

#include "fuzz_target.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::int64_t typed = tonegen::text_to_number(text);
    if (const std::optional<std::int64_t> value = tonegen::whole_number_in_range(text, 22, 22050)) {
        FUZZ_CHECK(*value >= 22 && *value <= 22050);
        FUZZ_CHECK(typed == *value);
    }
    // A range that takes every 18-character number, signs included.
    if (const std::optional<std::int64_t> value = tonegen::whole_number_in_range(text, INT64_MIN, INT64_MAX))
        FUZZ_CHECK(typed == *value);
    return 0;
}
