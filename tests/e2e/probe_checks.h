// What both programs' probes check the same way (tests/win32/e2e_probe.cpp,
// tests/e2e/qt_probe.cpp): each reads its controls its own way and hands the
// readings in.
#pragma once

#include "model/controls.h"
#include "model/settings.h"

#include <cstdio>
#include <functional>
#include <string>

namespace tonegen::probe {

// "(X, Y) W x H", as the layout check prints a rectangle.
inline std::string describe(long x, long y, long width, long height)
{
    return "(" + std::to_string(x) + ", " + std::to_string(y) + ") " + std::to_string(width) + " x " +
           std::to_string(height);
}

// The fields show the Tone bank's frequencies, the bars and their labels its
// gains, as the program sets them up: one line per control, 0 when all do.
// `text` and `position` read control `id` ("(none)" where there is none).
inline int check_values(const std::function<std::string(int id)>& text,
                        const std::function<std::string(int id)>& position)
{
    Settings s{};
    apply_defaults(s);
    int wrong = 0;
    auto check = [&wrong](const char* what, int id, const std::string& got, const std::string& wanted) {
        const bool same = got == wanted;
        std::printf("%s %s %d: '%s'%s\n", same ? "ok" : "WRONG", what, id, got.c_str(),
                    same ? "" : (", wanted '" + wanted + "'").c_str());
        if (!same)
            ++wrong;
    };
    for (int k = 0; k < tone_slots; ++k) {
        const std::string gain = std::to_string(gain_position(s.tones[k].gain));
        check("field", k, text(k), std::to_string(s.tones[k].frequency));
        check("bar", first_gain_bar + k, position(first_gain_bar + k), gain);
        check("label", first_gain_label + k, text(first_gain_label + k), gain);
    }
    return wrong == 0 ? 0 : 1;
}

} // namespace tonegen::probe
