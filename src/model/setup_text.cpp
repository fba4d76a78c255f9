#include "model/setup_text.h"

#include "model/controls.h"

namespace tonegen {

namespace {

constexpr std::string_view heading = "tonegen-setup 1:";

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Plain decimal digits; at most nine, so that no value can overflow.
bool read_digits(std::string_view text, std::int64_t& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

std::string quoted(std::string_view text)
{
    constexpr std::size_t longest = 24;
    return "\"" + std::string(text.substr(0, longest)) + (text.size() > longest ? "...\"" : "\"");
}

} // namespace

ToneSetup setup_of(const Settings& s)
{
    ToneSetup setup{};
    for (int k = 0; k < tone_slots; ++k) {
        setup.frequency[static_cast<std::size_t>(k)] = s.tones[k].frequency;
        setup.gain[static_cast<std::size_t>(k)] = gain_position(s.tones[k].gain);
    }
    return setup;
}

void load_setup(Settings& s, const ToneSetup& setup)
{
    for (std::size_t k = 0; k < tone_slots; ++k) {
        s.tones[k].frequency = setup.frequency[k];
        s.tones[k].gain = static_cast<float>(setup.gain[k] / 100.0);
    }
}

std::string format_setup(const ToneSetup& setup)
{
    std::string text(heading);
    for (std::size_t k = 0; k < tone_slots; ++k)
        text += " " + std::to_string(setup.frequency[k]) + "@" + std::to_string(setup.gain[k]);
    return text;
}

std::variant<ToneSetup, std::string> parse_setup(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && is_blank(text[at]))
        ++at;
    if (text.substr(at, heading.size()) != heading)
        return "a setup starts with \"" + std::string(heading) + "\"";
    at += heading.size();

    ToneSetup setup{};
    int count = 0;
    for (;;) {
        while (at < text.size() && is_blank(text[at]))
            ++at;
        if (at == text.size())
            break;
        std::size_t end = at;
        while (end < text.size() && !is_blank(text[end]))
            ++end;
        const std::string_view item = text.substr(at, end - at);
        at = end;
        const std::string where = "item " + std::to_string(count + 1) + ": ";
        if (count == tone_slots)
            return where + "there are only " + std::to_string(tone_slots) + " tones";

        const std::size_t sign = item.find('@');
        std::int64_t frequency = 0, gain = 0;
        if (sign == std::string_view::npos || !read_digits(item.substr(0, sign), frequency) ||
            !read_digits(item.substr(sign + 1), gain))
            return where + quoted(item) + " is not FREQUENCY@GAIN in whole hertz and per cent";
        if (frequency < lowest_frequency)
            return where + "frequency " + std::to_string(frequency) + " is below " + std::to_string(lowest_frequency);
        if (frequency > highest_frequency)
            return where + "frequency " + std::to_string(frequency) + " is above " + std::to_string(highest_frequency);
        if (gain > 100)
            return where + "gain " + std::to_string(gain) + " is above 100";
        setup.frequency[static_cast<std::size_t>(count)] = frequency;
        setup.gain[static_cast<std::size_t>(count)] = static_cast<int>(gain);
        ++count;
    }
    if (count < tone_slots)
        return "item " + std::to_string(count + 1) + ": missing; a setup has " + std::to_string(tone_slots) +
               " items, this one " + std::to_string(count);
    return setup;
}

std::string without_comment_lines(std::string_view text)
{
    std::string kept;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find_first_of("\r\n", at);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const std::string_view line = text.substr(at, end - at);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] != '#')
            kept += line;
        at = end;
    }
    return kept;
}

} // namespace tonegen
