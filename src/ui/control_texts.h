// What the program says about its controls beyond their captions: the
// tooltip shown on demand, and the name and value that assistive technology
// reads out. Levels are in dBFS, relative to a sine of peak 32767.
//
// Every text is made from the Settings record alone, so that both platforms
// say the same thing; the program makes them on the GUI thread whenever
// something they show changes (a typed or stepped frequency, a gain, the
// renormalisation of the other tones, ON/OFF), never in a buffer fill.
#pragma once

#include "model/settings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tonegen {

struct ControlText {
    int control;
    std::string tooltip;
    std::string accessible_name;
    // Empty where the control's own state says it all (the toggles).
    std::string accessible_value;
};

// The texts of every tone row's field, gain bar and gain label, of ON/OFF,
// the two test-signal toggles and ABOUT.
std::vector<ControlText> control_texts(const Settings& s);

// "−26.56": two decimals, a true minus sign, never "−0.00".
std::string decibels(double db);

// The level in dBFS of a peak (or RMS) value in sample units; minus
// infinity for 0.
double dbfs(double sample_units);

// The nearest note of equal temperament with A4 at 440 Hz and the offset in
// cents from it: "B5 +21 cents", "A#4 −50 cents"; an exact note is "= A4".
// Written after the frequency as "≈ B5 +21 cents" or "= A4".
std::string note_of(std::int64_t frequency);

} // namespace tonegen
