// A setup: the twenty tones' frequencies and gains as one line of text that
// people can read, keep, mail and edit, and the program can take back.
//
//     tonegen-setup 1: 80@44 200@44 400@44 700@44 1000@44 ... 20000@44
//
// The rules, exactly:
// - The text starts with "tonegen-setup 1:" (1 is the version of these
//   rules), after any blanks.
// - Then exactly twenty items in tone order, each FREQUENCY@GAIN: the
//   frequency in whole hertz, 22 to 22050, and the gain in whole per cent,
//   0 to 100, both plain decimal digits (no sign, no point, no unit), with
//   no blank around the "@".
// - Items are separated by one or more blanks (spaces, tabs, line ends);
//   blanks before the first and after the last item are ignored, so a file
//   that holds the line and a line end reads the same.
// - Anything else refuses the whole text; nothing is clamped, since a setup
//   is stored and must not change silently. The message names the first
//   bad item and why: "item 7: gain 140 is above 100".
//
// A setup file (".tonegen") holds the line and may hold comment lines
// besides: lines whose first character other than a space or tab is "#"
// (what the setup is for, who made it). The file reader drops them before
// the line is parsed; the line itself takes no "#", so the text on the
// clipboard stays one line of items, and a "#" after an item is refused.
#pragma once

#include "model/settings.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace tonegen {

struct ToneSetup {
    std::array<std::int64_t, tone_slots> frequency; // Hz
    std::array<int, tone_slots> gain;               // per cent, as the gain bars show it
};

// The setup the Tone bank holds.
ToneSetup setup_of(const Settings& s);

// Writes a setup into the Tone bank: frequencies as they are, gains as the
// bars turn positions into gains. Amplitudes are left for normalise_gains.
void load_setup(Settings& s, const ToneSetup& setup);

// The one line of a setup, without a line end.
std::string format_setup(const ToneSetup& setup);

// A setup, or the message that says why the text is not one.
std::variant<ToneSetup, std::string> parse_setup(std::string_view text);

// A setup file's text without its comment lines, for parse_setup. A line
// ends at a CR or LF, so files from any editor split alike.
std::string without_comment_lines(std::string_view text);

} // namespace tonegen
