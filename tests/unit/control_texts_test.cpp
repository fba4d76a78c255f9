// The texts of the tooltips and of assistive technology: levels in dBFS
// after the normalisation, note names, the mix and the test signals.
#include "ui/control_texts.h"

#include "model/controls.h"
#include "signals/sound_player.h"
#include "synth/synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace tonegen {
namespace {

const ControlText& text_of(const std::vector<ControlText>& texts, int control)
{
    const auto it = std::find_if(texts.begin(), texts.end(), [control](const ControlText& t) { return t.control == control; });
    EXPECT_NE(it, texts.end()) << control;
    return *it;
}

struct Texts : ::testing::Test {
    Texts()
    {
        apply_defaults(s);
        normalise_gains(s);
    }
    void gains(float all, int k = -1, float g = 0.0f)
    {
        for (Tone& t : s.tones)
            t.gain = all;
        if (k >= 0)
            s.tones[k].gain = g;
        normalise_gains(s);
    }
    Settings s{};
};

TEST_F(Texts, EveryToneRowSaysItsFrequencyNoteGainAndLevels)
{
    const std::vector<ControlText> texts = control_texts(s);
    EXPECT_EQ(text_of(texts, 4).tooltip,
              "Tone 5: 1000 Hz \u2248 B5 +21 cents \u00B7 gain 44 % \u00B7 peak \u221226.56 dBFS \u00B7 RMS \u221229.57 dBFS");
    for (int k = 0; k < tone_slots; ++k) {
        SCOPED_TRACE(k);
        const std::string tooltip = text_of(texts, k).tooltip;
        EXPECT_NE(tooltip.find("peak \u221226.56 dBFS \u00B7 RMS \u221229.57 dBFS"), std::string::npos) << tooltip;
        EXPECT_EQ(text_of(texts, first_gain_bar + k).tooltip, tooltip);
        EXPECT_EQ(text_of(texts, first_gain_label + k).tooltip, tooltip);
        EXPECT_EQ(text_of(texts, k).accessible_name, "Frequency of tone " + std::to_string(k + 1));
        EXPECT_EQ(text_of(texts, first_gain_bar + k).accessible_name, "Gain of tone " + std::to_string(k + 1));
        EXPECT_EQ(text_of(texts, first_gain_bar + k).accessible_value, "44 per cent, \u221226.56 dBFS");
        EXPECT_EQ(text_of(texts, first_gain_label + k).accessible_value, "44 per cent");
    }
    EXPECT_EQ(text_of(texts, 4).accessible_value, "1000 hertz");
    EXPECT_EQ(text_of(texts, on_off_toggle).tooltip,
              "Twenty-tone mix: worst-case peak \u22120.54 dBFS \u00B7 RMS \u221216.56 dBFS \u00B7 paused");
}

TEST_F(Texts, LevelsFollowTheRenormalisation)
{
    struct Case {
        const char* name;
        float all;
        int k;
        float gain;
        const char* tone_k;   // what tone k's tooltip ends with
        const char* tone_0;   // and tone 0's (or 1's when k is 0)
        const char* mix;      // the start of ON/OFF's tooltip
    };
    const Case cases[] = {
        {"one tone alone at full gain", 0.0f, 4, 1.0f, "peak 0.00 dBFS \u00B7 RMS \u22123.01 dBFS", "gain 0 % \u00B7 off",
         "Twenty-tone mix: worst-case peak 0.00 dBFS \u00B7 RMS \u22123.01 dBFS"},
        {"one tone at 0 among the defaults", 0.44f, 0, 0.0f, "gain 0 % \u00B7 off",
         "peak \u221226.14 dBFS \u00B7 RMS \u221229.15 dBFS",
         "Twenty-tone mix: worst-case peak \u22120.56 dBFS \u00B7 RMS \u221216.36 dBFS"},
        {"everything at 0", 0.0f, -1, 0.0f, "gain 0 % \u00B7 off", "gain 0 % \u00B7 off", "Twenty-tone mix: silent"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gains(c.all, c.k, c.gain);
        const std::vector<ControlText> texts = control_texts(s);
        const int k = std::max(c.k, 0);
        const std::string mine = text_of(texts, k).tooltip;
        const std::string other = text_of(texts, k == 0 ? 1 : 0).tooltip;
        EXPECT_TRUE(mine.ends_with(c.tone_k)) << mine;
        EXPECT_TRUE(other.ends_with(c.tone_0)) << other;
        EXPECT_TRUE(text_of(texts, on_off_toggle).tooltip.starts_with(c.mix)) << text_of(texts, on_off_toggle).tooltip;
    }
    gains(0.44f, 7, 0.0f);
    EXPECT_EQ(text_of(control_texts(s), first_gain_bar + 7).accessible_value, "0 per cent, off");
}

TEST(NoteNames, NearestNoteOfEqualTemperamentAndItsOffsetInCents)
{
    struct Case {
        std::int64_t frequency;
        const char* note;
    };
    const Case cases[] = {
        {440, "= A4"},
        {880, "= A5"},
        {110, "= A2"},
        {3520, "= A7"},
        {1000, "\u2248 B5 +21 cents"},
        {262, "\u2248 C4 +2 cents"},
        {261, "\u2248 C4 \u22124 cents"},
        {452, "\u2248 A4 +47 cents"},          // just under half-way to A#4
        {453, "\u2248 A#4 \u221250 cents"},    // just past it
        {427, "\u2248 G#4 +48 cents"},
        {428, "\u2248 A4 \u221248 cents"},
        {22, "\u2248 F0 +14 cents"},           // the bottom of the range
        {22050, "\u2248 F10 \u221223 cents"},  // and its top
        {20000, "\u2248 D#10 +8 cents"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(note_of(c.frequency), c.note) << c.frequency;
}

TEST(Decibels, TwoDecimalsWithATrueMinusAndNoNegativeZero)
{
    EXPECT_EQ(decibels(-26.556), "\u221226.56");
    EXPECT_EQ(decibels(-0.004), "0.00");
    EXPECT_EQ(decibels(0.0), "0.00");
    EXPECT_EQ(decibels(3.0), "3.00");
    EXPECT_EQ(dbfs(32767.0), 0.0);
    EXPECT_TRUE(std::isinf(dbfs(0.0)));
}

TEST_F(Texts, TestSignalsSayWhatTheyAreAndTheirLevelAsPlayed)
{
    EXPECT_TRUE(text_of(control_texts(s), sweep_toggle).tooltip.ends_with("not available"));
    fill_volume_table(s.player);
    s.player.ready = true;
    s.player.sounds[sweep_sound] = Sound{1, 0, 23198, 16403.5};
    s.player.sounds[pink_sound] = Sound{2, 0, 28393, 5262.0};
    s.output_paused = 0;
    const std::vector<ControlText> texts = control_texts(s);
    EXPECT_TRUE(text_of(texts, sweep_toggle).tooltip.ends_with("peak \u221210.96 dBFS at volume 40 (\u22127.96 dB)"))
        << text_of(texts, sweep_toggle).tooltip;
    EXPECT_TRUE(text_of(texts, pink_toggle).tooltip.ends_with("RMS \u221223.85 dBFS at volume 40 (\u22127.96 dB)"))
        << text_of(texts, pink_toggle).tooltip;
    EXPECT_TRUE(text_of(texts, on_off_toggle).tooltip.ends_with("playing"));
    EXPECT_EQ(text_of(texts, on_off_toggle).accessible_name, "ON/OFF");
    EXPECT_EQ(text_of(texts, pink_toggle).accessible_name, "Pink noise");
}

TEST_F(Texts, WhileTheSweepPlaysItsToggleSaysTheFrequencyHeardAndItsWay)
{
    fill_volume_table(s.player);
    s.player.ready = true;
    s.player.sounds[sweep_sound] = Sound{1, 0, 23198, 16403.5};
    struct Case {
        std::int64_t sweep_on, sample;
        const char* ends; // "" : no frequency said
    };
    const Case cases[] = {
        {1, 0, "now 20 Hz, rising"},
        {1, 3 * 44100, "now 89 Hz, rising"},        // 20 (21050 / 20)^(3 / 14)
        {1, 617399, "now 21050 Hz, rising"},
        {1, 617400, "now 22050 Hz, falling"},       // the turn jumps
        {1, 617400 + 7 * 44100, "now 742 Hz, falling"},
        {1, 1234800 + 3 * 44100, "now 89 Hz, rising"}, // the loop again
        {0, 3 * 44100, ""},
    };
    for (const Case& c : cases) {
        s.sweep_on = c.sweep_on;
        s.sweep_heard = c.sample;
        const ControlText t = text_of(control_texts(s), sweep_toggle);
        if (*c.ends == 0)
            EXPECT_EQ(t.tooltip.find("now"), std::string::npos) << t.tooltip;
        else
            EXPECT_TRUE(t.tooltip.ends_with(std::string(" \u00B7 ") + c.ends)) << t.tooltip;
    }
}

} // namespace
} // namespace tonegen
