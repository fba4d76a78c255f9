// A setup text over any bytes: either refused with a message that names why,
// or twenty tones within their ranges whose written form reads back as the
// same setup and is written the same again.
#include "model/setup_text.h"

#include "fuzz_target.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = tonegen::parse_setup(text);
    if (const auto* message = std::get_if<std::string>(&parsed)) {
        FUZZ_CHECK(!message->empty());
        return 0;
    }
    const tonegen::ToneSetup& setup = std::get<tonegen::ToneSetup>(parsed);
    for (std::size_t k = 0; k < setup.frequency.size(); ++k) {
        FUZZ_CHECK(setup.frequency[k] >= 22 && setup.frequency[k] <= 22050);
        FUZZ_CHECK(setup.gain[k] >= 0 && setup.gain[k] <= 100);
    }
    const std::string written = tonegen::format_setup(setup);
    const auto again = tonegen::parse_setup(written);
    FUZZ_CHECK(std::holds_alternative<tonegen::ToneSetup>(again));
    const tonegen::ToneSetup& read_back = std::get<tonegen::ToneSetup>(again);
    FUZZ_CHECK(read_back.frequency == setup.frequency && read_back.gain == setup.gain);
    FUZZ_CHECK(tonegen::format_setup(read_back) == written);
    return 0;
}
