#include "ui/control_texts.h"

#include "model/controls.h"
#include "signals/sound_player.h"
#include "signals/sweep.h"
#include "ui/main_window.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

namespace tonegen {

namespace {

constexpr const char* minus = "\u2212";
constexpr const char* dot = " \u00B7 ";
constexpr double full_scale = 32767.0;
constexpr double sine_rms = 0.70710678118654752; // of a sine of peak 1

std::string number(const char* format, double value)
{
    char text[32];
    static_cast<void>(std::snprintf(text, sizeof text, format, value));
    return text;
}

// "−26.56 dBFS", or "off" for nothing at all.
std::string level(double sample_units)
{
    if (!(sample_units > 0.0))
        return "off";
    return decibels(dbfs(sample_units)) + " dBFS";
}

std::string tone_label(int k)
{
    return "tone " + std::to_string(k + 1);
}

std::string gain_per_cent(const Tone& t)
{
    return std::to_string(gain_position(t.gain));
}

std::string tone_tooltip(const Tone& t, int k)
{
    const auto amplitude = static_cast<double>(t.amplitude);
    std::string text = "Tone " + std::to_string(k + 1) + ": " + std::to_string(t.frequency) + " Hz " +
                       note_of(t.frequency) + dot + "gain " + gain_per_cent(t) + " %" + dot;
    if (!(amplitude > 0.0))
        return text + "off";
    return text + "peak " + level(amplitude) + dot + "RMS " + level(amplitude * sine_rms);
}

// What a recording plays at: its measured level less the player's
// attenuation at the program's volume.
std::string recording_level(const Settings& s, int sound, bool by_peak)
{
    const auto it = s.player.sounds.find(sound);
    if (!s.player.ready || it == s.player.sounds.end())
        return "not available";
    const double attenuation = static_cast<double>(volume_attenuation(s.player, test_signal_volume)) / 100.0;
    const double recorded = by_peak ? static_cast<double>(it->second.peak) : it->second.rms;
    return std::string(by_peak ? "peak " : "RMS ") + level(recorded * std::pow(10.0, attenuation / 20.0)) +
           " at volume " + std::to_string(test_signal_volume) + " (" + decibels(attenuation) + " dB)";
}

// While the sweep plays: the frequency being heard and its way, "now 243 Hz,
// rising".
std::string sweep_now(const Settings& s)
{
    if (s.sweep_on != 1 || s.player.sounds.count(sweep_sound) == 0)
        return {};
    const SweepPoint at = sweep_at(s.sweep_heard);
    return dot + number("now %.0f Hz, ", at.hz) + (at.rising ? "rising" : "falling");
}

} // namespace

double dbfs(double sample_units)
{
    if (!(sample_units > 0.0))
        return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(sample_units / full_scale);
}

std::string decibels(double db)
{
    const std::string magnitude = number("%.2f", std::fabs(db));
    return db < 0.0 && magnitude != "0.00" ? minus + magnitude : magnitude;
}

std::string note_of(std::int64_t frequency)
{
    static const char* const names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    if (frequency <= 0)
        return {};
    const double semitones = 12.0 * std::log2(static_cast<double>(frequency) / 440.0);
    const auto nearest = static_cast<long>(std::lround(semitones));
    const long from_c0 = nearest + 9 + 4 * 12; // A4 is 57 semitones above C0
    const long octave = from_c0 >= 0 ? from_c0 / 12 : (from_c0 - 11) / 12;
    const std::string note = names[from_c0 - octave * 12] + std::to_string(octave);
    const double cents = 100.0 * (semitones - static_cast<double>(nearest));
    if (std::fabs(cents) < 1e-6)
        return "= " + note;
    const long rounded = std::lround(cents);
    const std::string sign = rounded == 0 ? "" : cents < 0.0 ? minus : "+";
    return "\u2248 " + note + " " + sign + std::to_string(std::labs(rounded)) + " cents";
}

std::vector<ControlText> control_texts(const Settings& s)
{
    std::vector<ControlText> texts;
    texts.reserve(3 * tone_slots + 4);
    double peak_sum = 0.0, square_sum = 0.0;
    for (int k = 0; k < tone_slots; ++k) {
        const Tone& t = s.tones[k];
        const auto amplitude = static_cast<double>(t.amplitude);
        peak_sum += amplitude;
        square_sum += amplitude * amplitude;
        const std::string tooltip = tone_tooltip(t, k);
        const std::string bar_value =
            gain_per_cent(t) + " per cent, " + (amplitude > 0.0 ? level(amplitude) : std::string("off"));
        texts.push_back({k, tooltip, "Frequency of " + tone_label(k), std::to_string(t.frequency) + " hertz"});
        texts.push_back({first_gain_bar + k, tooltip, "Gain of " + tone_label(k), bar_value});
        texts.push_back({first_gain_label + k, tooltip, "Gain in per cent of " + tone_label(k),
                         gain_per_cent(t) + " per cent"});
    }

    // The worst case: every tone at its peak in the same frame; the RMS of a
    // sum of sines of different frequencies adds their powers.
    std::string mix = "Twenty-tone mix: ";
    if (peak_sum > 0.0)
        mix += "worst-case peak " + level(peak_sum) + dot + "RMS " + level(std::sqrt(square_sum / 2.0));
    else
        mix += "silent";
    mix += dot + std::string(s.output_paused == 1 ? "paused" : "playing");
    texts.push_back({on_off_toggle, mix, "ON/OFF", ""});
    texts.push_back({sweep_toggle,
                     "Sine sweep, 20 Hz to 21 kHz and back on a logarithmic scale, 28 s, looped" + std::string(dot) +
                         recording_level(s, sweep_sound, true) + sweep_now(s),
                     "Sweep", ""});
    texts.push_back({pink_toggle,
                     "Pink noise, falling 3 dB per octave, 28 s, looped" + std::string(dot) +
                         recording_level(s, pink_sound, false),
                     "Pink noise", ""});
    texts.push_back({about_toggle, "The About box and the maker's pages", "About", ""});
    return texts;
}

int show_control_texts(Settings& s, ControlTextsPort& port, int only)
{
    int sent = 0;
    for (ControlText& now : control_texts(s)) {
        if (only >= 0 && now.control != only)
            continue;
        ControlText& shown = s.shown_texts[now.control];
        const int id = now.control;
        if (now.tooltip != shown.tooltip) {
            port.set_tooltip(id, now.tooltip);
            port.set_accessible_description(id, now.tooltip);
            sent += 2;
        }
        if (now.accessible_name != shown.accessible_name) {
            port.set_accessible_name(id, now.accessible_name);
            ++sent;
        }
        if (now.accessible_value != shown.accessible_value) {
            port.set_accessible_value(id, now.accessible_value);
            ++sent;
        }
        shown = std::move(now);
    }
    return sent;
}

} // namespace tonegen
