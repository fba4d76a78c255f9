// Setups in the running program: given at start-up, copied to the clipboard
// and taken from it.
#include "app/program.h"
#include "audio/stream.h"
#include "platform/sim/sim_platform.h"
#include "synth/synth.h"
#include "ui/about_box.h"
#include "ui/main_window.h"

#include "record_snapshot.h"

#include <gtest/gtest.h>

namespace tonegen {
namespace {

using sim::SimPlatform;

const std::string edited =
    "tonegen-setup 1: 80@44 200@44 400@44 1001@60 1000@44 1400@44 2000@44 3000@44 4000@44 5000@44 6000@44 "
    "7000@44 8000@44 9000@44 10000@44 12000@44 14000@44 16000@44 18000@0 22050@100";

ToneSetup setup_from(const std::string& text)
{
    return std::get<ToneSetup>(parse_setup(text));
}

// The samples of the next `buffers` refills, as the stream makes them from
// this record (on a copy, so the record itself is not advanced).
std::vector<std::int16_t> mix_of(const Settings& from, int buffers)
{
    Settings s{};
    apply_defaults(s);
    for (int k = 0; k < tone_slots; ++k)
        s.tones[k] = from.tones[k];
    s.wave_format.nBlockAlign = 2;
    s.buffer_bytes = 2 * stream_buffer_frames;
    std::vector<std::int16_t> out(static_cast<std::size_t>(buffers) * stream_buffer_frames);
    for (int b = 0; b < buffers; ++b)
        fill_buffer(s, reinterpret_cast<char*>(out.data() + b * stream_buffer_frames));
    return out;
}

struct Setups : ::testing::Test {
    SimPlatform sim;
    Settings s{};

    void SetUp() override { sim.windowing.press(first_box_button + 5); }

    void expect_rows_show(const ToneSetup& setup)
    {
        for (int k = 0; k < tone_slots; ++k) {
            const auto at = static_cast<std::size_t>(k);
            EXPECT_EQ(sim.windowing.text(k), std::to_string(setup.frequency[at])) << k;
            EXPECT_EQ(sim.windowing.scroll_position(first_gain_bar + k), setup.gain[at]) << k;
            EXPECT_EQ(sim.windowing.text(first_gain_label + k), std::to_string(setup.gain[at])) << k;
            EXPECT_EQ(s.tones[k].frequency, setup.frequency[at]) << k;
            EXPECT_EQ(s.tones[k].gain, static_cast<float>(setup.gain[at] / 100.0)) << k;
        }
    }
};

TEST_F(Setups, AStartUpSetupShowsInTheRowsAndTheProgramStillStartsPaused)
{
    StartOptions start;
    start.setup = setup_from(edited);
    sim.windowing.then([&] {
        expect_rows_show(*start.setup);
        EXPECT_TRUE(sim.windowing.checked(on_off_toggle));
        EXPECT_EQ(sim.wave_out.queued(), 8u);
        EXPECT_TRUE(sim.wave_out.paused);
        EXPECT_EQ(s.tones[19].amplitude, static_cast<float>(32767.0 * 1.0 / (1.0 + 17 * 0.44 + 0.60)));
    });
    sim.windowing.close_main_window();
    EXPECT_EQ(run_program(s, sim.platform, start), 0);
    EXPECT_TRUE(sim.windowing.message_boxes.empty());
}

TEST_F(Setups, CopyThenPasteOfAnEditedTextChangesTheSoundAsTheTextSays)
{
    sim.windowing.click(on_off_toggle);
    sim.play(8); // the primed ring plays out; eight buffers of the defaults come back refilled
    sim.windowing.shortcut(copy_setup_shortcut);
    sim.windowing.then([&] {
        EXPECT_EQ(sim.clipboard.text, format_setup(setup_of(s)));
        EXPECT_EQ(sim.clipboard.text.rfind("tonegen-setup 1: 80@44 200@44 400@44 700@44", 0), 0u);
        sim.clipboard.text = edited;
    });
    std::vector<std::int16_t> expected;
    sim.windowing.shortcut(paste_setup_shortcut);
    sim.windowing.then([&] {
        expect_rows_show(setup_from(edited));
        EXPECT_FALSE(sim.windowing.checked(on_off_toggle)); // left playing
        // Every refill from here on plays the whole new setup.
        expected = mix_of(s, 1);
    });
    sim.play(8); // what was queued before the paste, refilled with the setup
    sim.play(1); // the first buffer filled after the paste
    sim.windowing.close_main_window();
    ASSERT_EQ(run_program(s, sim.platform), 0);
    ASSERT_GE(sim.wave_out.played.size(), 17u * stream_buffer_frames);
    const std::vector<std::int16_t> played(sim.wave_out.played.begin() + 16 * stream_buffer_frames,
                                           sim.wave_out.played.begin() + 17 * stream_buffer_frames);
    EXPECT_EQ(played, expected);
}

TEST_F(Setups, ARefusedClipboardTextShowsWhyAndChangesNothing)
{
    std::optional<RecordSnapshot> before;
    sim.windowing.then([&] {
        before = snapshot(s);
        sim.clipboard.text = "tonegen-setup 1: 80@44 200@44 400@44 700@44 1000@44 1400@44 2000@140";
    });
    sim.windowing.shortcut(paste_setup_shortcut);
    sim.windowing.then([&] {
        ASSERT_EQ(sim.windowing.message_boxes.size(), 1u);
        EXPECT_EQ(sim.windowing.message_boxes[0],
                  std::string(main_window_title) + "|The clipboard holds no setup: item 7: gain 140 is above 100");
        EXPECT_EQ(snapshot(s), *before);
        EXPECT_EQ(sim.windowing.text(6), "2000");
        EXPECT_EQ(sim.windowing.scroll_position(first_gain_bar + 6), 44);
    });
    sim.windowing.close_main_window();
    EXPECT_EQ(run_program(s, sim.platform), 0);
}

} // namespace
} // namespace tonegen
