// What a key pressed in a frequency field does to its tone: Up and Down move
// the frequency by 1 Hz, with Shift by 10 Hz, with Ctrl by a semitone;
// PageUp and PageDown move the gain by 1 %, with Shift by 10 %.
#pragma once

#include <cstdint>

namespace tonegen {

enum class FieldKeyTarget { none, frequency, gain };

// Which of the tone's values `key` (windowing_port.h) changes.
FieldKeyTarget field_key_target(int key);

// The value after `key` with `modifiers` held: for a frequency key `value`
// is in hertz and the result stays in 22..22050, a semitone being the whole
// hertz nearest f * 2^(+-1/12) and at least 1 Hz away; for a gain key it is
// in per cent and stays in 0..100. A value outside its range counts as
// the nearer end. Ctrl outranks Shift on Up and Down and
// means nothing on PageUp and PageDown. Any other key keeps the value.
std::int64_t value_after_field_key(int key, int modifiers, std::int64_t value);

} // namespace tonegen
