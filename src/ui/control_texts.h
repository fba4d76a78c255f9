// What the program says about its controls beyond their captions: the
// tooltip shown on demand, and the name and value that assistive technology
// reads out. Levels are in dBFS, relative to a sine of peak 32767.
//
// Every text is made from the Settings record alone, so that both platforms
// say the same thing; the program makes them on the GUI thread whenever
// something they show changes (a typed or stepped frequency, a gain, the
// renormalisation of the other tones, ON/OFF), never in a buffer fill, and
// sends the platform only those that changed: assistive technology
// announces every change it is sent.
#pragma once

#include "model/settings.h"
#include "platform/control_texts_port.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tonegen {

// The texts of every tone row's field, gain bar and gain label, of ON/OFF,
// the two test-signal toggles and ABOUT. While the sweep plays, its toggle
// also says the frequency at s.sweep_heard and whether it rises or falls.
std::vector<ControlText> control_texts(const Settings& s);

// Makes every text from the record and sends the platform those that differ
// from what it shows (s.shown_texts): the tooltip, also as the accessible
// description, the accessible name and value. Returns how many were sent.
// With `only`, that control's texts alone (the sweep timer's: it runs
// inside event waits, where a handler may be half way through a change).
int show_control_texts(Settings& s, ControlTextsPort& port, int only = -1);

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
