#include "ui/field_keys.h"

#include "model/controls.h"
#include "platform/windowing_port.h"

#include <algorithm>
#include <cmath>

namespace tonegen {

namespace {

// 2^(1/12) as a literal rather than from pow(), whose last bit may differ
// between the C libraries of the programs.
constexpr double semitone = 1.0594630943592953;

std::int64_t semitone_from(std::int64_t f, bool up)
{
    const double exact = up ? static_cast<double>(f) * semitone : static_cast<double>(f) / semitone;
    const auto nearest = static_cast<std::int64_t>(std::nearbyint(exact));
    return up ? std::max(nearest, f + 1) : std::min(nearest, f - 1);
}

} // namespace

FieldKeyTarget field_key_target(int key)
{
    if (key == key_up || key == key_down)
        return FieldKeyTarget::frequency;
    if (key == key_page_up || key == key_page_down)
        return FieldKeyTarget::gain;
    return FieldKeyTarget::none;
}

std::int64_t value_after_field_key(int key, int modifiers, std::int64_t value)
{
    const bool up = key == key_up || key == key_page_up;
    const bool shift = (modifiers & with_shift) != 0;
    switch (field_key_target(key)) {
    case FieldKeyTarget::frequency: {
        const std::int64_t from = std::clamp(value, lowest_frequency, highest_frequency);
        const std::int64_t to = (modifiers & with_ctrl) != 0 ? semitone_from(from, up)
                                                              : from + (up ? 1 : -1) * (shift ? 10 : 1);
        return std::clamp(to, lowest_frequency, highest_frequency);
    }
    case FieldKeyTarget::gain: {
        const std::int64_t from = std::clamp<std::int64_t>(value, 0, 100);
        return std::clamp<std::int64_t>(from + (up ? 1 : -1) * (shift ? 10 : 1), 0, 100);
    }
    case FieldKeyTarget::none:
        break;
    }
    return value;
}

} // namespace tonegen
