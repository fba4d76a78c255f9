// The render tool's file: the live stream's samples from its first sound,
// the test signals mixed as the Linux player and sound server mix them, and
// never a partial file under the name asked for.
#include "app/render.h"

#include "audio/stream.h"
#include "formats/wave_file.h"
#include "platform/sim/sim_platform.h"
#include "signals/sound_player.h"
#include "synth/synth.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#if !defined(_WIN32)
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tonegen {
namespace {

namespace fs = std::filesystem;

// What the live stream plays: the ring's buffers filled in order from a
// fresh record, exactly as the stream fills them.
std::vector<std::int16_t> live_stream(const RenderOptions& o, std::size_t frames)
{
    Settings s{};
    apply_defaults(s);
    if (o.setup)
        load_setup(s, *o.setup);
    normalise_gains(s);
    s.wave_format.nBlockAlign = 2;
    s.buffer_bytes = 2 * stream_buffer_frames;
    std::vector<std::int16_t> out;
    std::vector<char> buffer(2 * stream_buffer_frames);
    while (out.size() < frames) {
        fill_buffer(s, buffer.data());
        for (std::size_t i = 0; i < stream_buffer_frames && out.size() < frames; ++i)
            out.push_back(static_cast<std::int16_t>(static_cast<unsigned char>(buffer[2 * i]) |
                                                    static_cast<unsigned char>(buffer[2 * i + 1]) << 8));
    }
    return out;
}

struct RenderTest : ::testing::Test {
    fs::path folder = fs::temp_directory_path() / ("tonegen-render-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::vector<unsigned char> sweep = sim::test_wave_image(0x11);
    std::vector<unsigned char> pink = sim::test_wave_image(0x22);
    std::vector<unsigned char> bitmap = sim::test_bitmap();
    Assets assets{sweep, pink, bitmap};

    RenderTest() { fs::create_directories(folder); }
    ~RenderTest() override
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    RenderOptions options(std::int64_t frames)
    {
        RenderOptions o;
        o.frames = frames;
        o.output = (folder / "out.wav").string();
        return o;
    }
};

TEST_F(RenderTest, TheFileHoldsTheLiveStreamSampleForSample)
{
    std::mt19937 random(7);
    for (const bool default_setup : {true, false}) {
        RenderOptions o = options(3 * stream_buffer_frames + 1000); // across buffer boundaries, ending inside one
        if (!default_setup) {
            ToneSetup setup{};
            for (std::size_t k = 0; k < tone_slots; ++k) {
                setup.frequency[k] = std::uniform_int_distribution<std::int64_t>(22, 22050)(random);
                setup.gain[k] = std::uniform_int_distribution<int>(0, 100)(random);
            }
            o.setup = setup;
        }
        ASSERT_EQ(render_file(o, assets, {}), "");
        std::ifstream in(o.output, std::ios::binary);
        const std::vector<unsigned char> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const std::optional<WaveImage> wave = parse_wave_image(file);
        ASSERT_TRUE(wave.has_value());
        EXPECT_TRUE(is_stream_format(wave->format));
        ASSERT_EQ(wave->bytes, 2u * static_cast<std::uint32_t>(o.frames));
        const std::vector<std::int16_t> expected = live_stream(o, static_cast<std::size_t>(o.frames));
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(static_cast<std::int16_t>(wave->data[2 * i] | wave->data[2 * i + 1] << 8), expected[i]) << i;
        EXPECT_FALSE(fs::exists(o.output + ".partial"));
    }
}

TEST_F(RenderTest, TestSignalsAreMixedAtTheProgramsVolumeAndLooped)
{
    // The stand-in recordings hold 8 samples of 0x1111 and 0x2222.
    RenderOptions o = options(100);
    StreamRender tones_only(o, assets);
    o.sweep = o.pink = true;
    StreamRender mixed(o, assets);
    ASSERT_EQ(mixed.problem(), "");
    std::vector<std::int16_t> plain(100), both(100);
    tones_only.next(plain.data(), plain.size());
    mixed.next(both.data(), both.size());
    const double gain = linear_gain(-796);
    const std::int16_t signals = mixed_sample(0x1111 * gain + 0x2222 * gain);
    EXPECT_EQ(signals, 5242); // (4369 + 8738) x 10^(-7.96 / 20)
    for (std::size_t i = 0; i < both.size(); ++i)
        ASSERT_EQ(both[i], std::clamp(plain[i] + signals, -32768, 32767)) << i;

    RenderOptions broken = options(10);
    broken.sweep = true;
    std::vector<unsigned char> truncated(sweep.begin(), sweep.begin() + 30);
    EXPECT_EQ(render_file(broken, Assets{truncated, pink, bitmap}, {}),
              "a test signal carried by the program cannot be read");
    EXPECT_FALSE(fs::exists(broken.output));
}

// The stop timer: the sound untouched up to its fade, a fade that steps no
// more than the sound does plus its ramp's step, silence from the end on,
// the test signals included. 2 s puts the fade across a buffer's end.
TEST_F(RenderTest, TheStopTimerFadesToSilence)
{
    ToneSetup quiet{}; // nothing clips with the test signals added
    for (std::size_t k = 0; k < tone_slots; ++k) {
        quiet.frequency[k] = 80 + 1000 * static_cast<std::int64_t>(k);
        quiet.gain[k] = 5;
    }
    for (const std::int64_t seconds : {1, 2}) {
        for (const bool signals : {false, true}) {
            RenderOptions o = options(0);
            o.setup = quiet;
            o.sweep = o.pink = signals;
            StreamRender plain(o, assets);
            o.stop_after_seconds = seconds;
            StreamRender timed(o, assets);
            const auto end = static_cast<std::size_t>(seconds * stream_rate);
            const std::size_t fade = end - stop_fade_frames;
            std::vector<std::int16_t> a(end + 20000), b(end + 20000);
            plain.next(a.data(), a.size());
            timed.next(b.data(), b.size());
            EXPECT_TRUE(std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(fade), b.begin()));
            EXPECT_TRUE(std::all_of(b.begin() + static_cast<std::ptrdiff_t>(end), b.end(), [](std::int16_t v) { return v == 0; }));
            int sound_step = 0, fade_step = 0, peak = 0;
            for (std::size_t i = 1; i <= end; ++i) {
                int& step = i < fade ? sound_step : fade_step;
                step = std::max(step, std::abs(b[i] - b[i - 1]));
                peak = std::max(peak, std::abs(static_cast<int>(b[i])));
            }
            EXPECT_LE(fade_step, sound_step + peak / stop_fade_frames + 1) << seconds << " s, signals " << signals;
            EXPECT_GT(peak, 10000);
        }
    }
}

TEST_F(RenderTest, AFailedRenderLeavesNoFileBehind)
{
    RenderOptions o = options(1000);
    o.output = (folder / "missing-folder" / "out.wav").string();
    const std::string problem = render_file(o, assets, {});
    EXPECT_EQ(problem.rfind("cannot write " + o.output + ".partial", 0), 0u) << problem;
    EXPECT_FALSE(fs::exists(folder / "missing-folder"));

    // An existing file of that name is replaced only by a complete one.
    o = options(1000);
    { std::ofstream(o.output) << "old"; }
    ASSERT_EQ(render_file(o, assets, {}), "");
    EXPECT_EQ(fs::file_size(o.output), 44u + 2000u);
}

#if !defined(_WIN32)
TEST_F(RenderTest, AFullDiskIsReportedAndLeavesNoFile)
{
    // A child process may write no more than 64 KiB: as good as a full disk.
    const RenderOptions o = options(10 * stream_rate);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        static_cast<void>(std::signal(SIGXFSZ, SIG_IGN));
        const rlimit limit{65536, 65536};
        static_cast<void>(::setrlimit(RLIMIT_FSIZE, &limit));
        const std::string problem = render_file(o, assets, {});
        const bool reported = problem.rfind("cannot write " + o.output + ".partial: File too large", 0) == 0;
        ::_exit(reported && !fs::exists(o.output) && !fs::exists(o.output + ".partial") ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
#endif

TEST_F(RenderTest, TheCommandSaysWhatWentWrongAndExitsWithOne)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    auto text_of = [](std::FILE* f) {
        std::rewind(f);
        std::string text;
        for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f))
            text += static_cast<char>(c);
        return text;
    };
    EXPECT_EQ(run_render({"--seconds", "0", "-o", (folder / "x.wav").string()}, assets, false, out, err), 1);
    EXPECT_EQ(text_of(err).rfind("tonegen-render: --seconds 0 is out of range", 0), 0u);
    EXPECT_EQ(run_render({"--frames", "100", "-o", (folder / "x.wav").string()}, assets, true, out, err), 0);
    EXPECT_EQ(fs::file_size(folder / "x.wav"), 244u);
    EXPECT_EQ(run_render({"--help"}, assets, false, out, err), 0);
    EXPECT_NE(text_of(out).find("usage: tonegen-render"), std::string::npos);
    EXPECT_EQ(run_render({"--version"}, assets, false, out, err), 0);
    EXPECT_NE(text_of(out).find("tonegen-render 1.3.3\nCopyright"), std::string::npos);
    std::fclose(out);
    std::fclose(err);
}

} // namespace
} // namespace tonegen
