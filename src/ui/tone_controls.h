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
#include "model/setup_text.h"
#include "platform/platform.h"

#include <cstdint>

namespace tonegen {

// Loads every frequency field and gain bar from the Tone bank, gives the
// ON/OFF toggle the focus and computes the first amplitudes.
void refresh_controls(Settings& s, Platform& p);

// Takes and drops every pending event without waiting, the look each had
// changed undone (ui/dropped_events.h).
void drain_events(Platform& p);

// Handler of the frequency fields (controls 0..19).
void on_frequency_event(Settings& s, Platform& p, const Event& event);
// Applies the event of field `control` to the frequency of tone `tone`.
void update_frequency(Settings& s, Platform& p, const Event& event, int control, int tone);

// Handler of the gain bars (controls 20..39).
void on_gain_event(Settings& s, Platform& p, const Event& event);

// Handler of a key event of a frequency field (ui/field_keys.h): the key
// moves the field's frequency or its tone's gain bar as a user's step or
// move would, and the change is handled as that one, by the handlers above.
// Any other key event is dropped.
void on_field_key(Settings& s, Platform& p, const Event& event);

// Takes a whole setup as if every field had been typed and every bar moved:
// fields, bars and labels show it, the Tone bank holds it and the amplitudes
// are normalised again before any buffer is refilled, so the next refill
// plays all of it. ON/OFF and the test signals stay as they are.
void apply_setup(Settings& s, Platform& p, const ToneSetup& setup);

} // namespace tonegen
