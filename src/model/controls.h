// The numbers by which the program addresses its controls, and the ranges
// the controls keep their values in.
//
// Tone k owns frequency field k, gain bar 20 + k and gain label 120 + k; the
// four toggles under the rows and the two headings have fixed numbers; the
// About box numbers its buttons from 6001 in caption order.
#pragma once

#include "model/settings.h"

#include <cmath>
#include <cstdint>

namespace tonegen {

constexpr int first_gain_bar = 20;
constexpr int first_gain_label = 120;
constexpr int pink_toggle = 160;
constexpr int sweep_toggle = 161;
constexpr int on_off_toggle = 163;
constexpr int about_toggle = 166;
constexpr int frequency_heading = 173;
constexpr int gain_heading = 174;
constexpr int first_box_button = 6001;

constexpr std::int64_t lowest_frequency = 22;
constexpr std::int64_t highest_frequency = 22050;

constexpr bool is_frequency_field(int id) { return id >= 0 && id < tone_slots; }
constexpr bool is_gain_bar(int id) { return id >= first_gain_bar && id < first_gain_bar + tone_slots; }

// A gain as its bar's position and label show it: gain x 100, ties to even.
inline int gain_position(float gain)
{
    return static_cast<int>(std::nearbyint(static_cast<double>(gain) * 100.0));
}

} // namespace tonegen
