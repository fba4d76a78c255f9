#include "ui/number_text.h"

namespace tonegen {

std::int64_t text_to_number(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < text.size() && text[i] == '%') {
        base = 2;
        ++i;
    }
    auto digit = [base](char c) -> int {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        return d >= 0 && static_cast<unsigned>(d) < base ? d : -1;
    };
    // The magnitude, held at just past INT64_MAX once it gets there, so that
    // however many digits follow it stays on the far side of every range.
    constexpr std::uint64_t past_max = std::uint64_t{INT64_MAX} + 1;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int d = digit(text[i]);
        if (d < 0)
            break;
        if (magnitude > (past_max - static_cast<unsigned>(d)) / base)
            magnitude = past_max;
        else
            magnitude = magnitude * base + static_cast<unsigned>(d);
    }
    if (negative)
        return magnitude == past_max ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
    return magnitude == past_max ? INT64_MAX : static_cast<std::int64_t>(magnitude);
}

std::optional<std::int64_t> whole_number_in_range(std::string_view text, std::int64_t min, std::int64_t max)
{
    const std::size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == start || text.size() > 18)
        return std::nullopt;
    // Eighteen characters stay within 64 bits whatever they are.
    std::int64_t value = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (start == 1)
        value = -value;
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

} // namespace tonegen
