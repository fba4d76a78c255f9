// The tone rows of the main window and the Tone bank they change.
//
// Data flows one way: refresh_controls loads the rows once at start-up, and
// from then on only the handlers below write the Tone bank from the rows.
// Each handler drains the pending events before it returns, so holding an
// arrow or dragging a thumb gives one update per handler run, never a
// backlog; buffer refills go on meanwhile because the drain keeps
// dispatching window messages.
#pragma once

#include "model/settings.h"
#include "platform/platform.h"

#include <cstdint>

namespace tonegen {

// Loads every frequency field and gain bar from the Tone bank, gives the
// ON/OFF toggle the focus and computes the first amplitudes.
void refresh_controls(Settings& s, Platform& p);

// Takes and discards every pending event without waiting.
void drain_events(Platform& p);

// Handler of the frequency fields (controls 0..19).
void on_frequency_event(Settings& s, Platform& p, const Event& event);
// Applies the event of field `control` to the frequency of tone `tone`.
void update_frequency(Settings& s, Platform& p, const Event& event, int control, int tone);

// Handler of the gain bars (controls 20..39).
void on_gain_event(Settings& s, Platform& p, const Event& event);

} // namespace tonegen
