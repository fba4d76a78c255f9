// The presets that ship (dist/presets): each is read as the program reads a
// file given to it, carries its comment, ends with a line end, and renders
// the tones it is for at the levels its comment promises, measured in one
// second of the render tool's stream.
#include "app/command_line.h"
#include "app/render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <set>
#include <string>
#include <vector>

namespace tonegen {
namespace {

namespace fs = std::filesystem;

struct Preset {
    const char* name;
    std::size_t sounding;          // tones with a gain
    std::vector<double> amplitude; // each one's, of full scale, in row order; one value: all alike
};

const Preset presets[] = {
    {"octave-bands", 10, {0.1}},
    {"third-octaves", 20, {0.05}},
    {"harmonics-100hz", 20, {0.05}},
    {"equal-energy-per-octave", 20, {0.05}},
    {"intermodulation-60hz-7khz", 2, {0.5, 0.125}}, // 4:1
    {"digital-1khz", 1, {1.0}},
};

// The amplitude of a whole-hertz tone in one second of samples, of full
// scale: over a whole second every such tone has whole periods, so the
// others add nothing.
double amplitude_at(const std::vector<std::int16_t>& samples, std::int64_t frequency)
{
    double re = 0, im = 0;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const double angle = 2 * std::numbers::pi * static_cast<double>(frequency) * static_cast<double>(n) / stream_rate;
        re += samples[n] * std::cos(angle);
        im += samples[n] * std::sin(angle);
    }
    return 2 * std::hypot(re, im) / static_cast<double>(samples.size()) / 32767.0;
}

TEST(Presets, EachIsReadAsAFileAndPlaysWhatItsCommentSays)
{
    std::set<std::string> shipped;
    for (const fs::directory_entry& entry : fs::directory_iterator(TONEGEN_PRESETS_DIR))
        if (entry.path().extension() == ".tonegen")
            shipped.insert(entry.path().stem().string());
    std::set<std::string> tested;
    for (const Preset& p : presets)
        tested.insert(p.name);
    EXPECT_EQ(shipped, tested) << "every preset that ships has a row here";

    for (const Preset& p : presets) {
        SCOPED_TRACE(p.name);
        const fs::path file = fs::path(TONEGEN_PRESETS_DIR) / (std::string(p.name) + ".tonegen");
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(bytes.substr(0, 2), "# ") << "it opens with what it is for";
        EXPECT_EQ(bytes.substr(bytes.size() - 1), "\n") << "it ends with a line end";

        const auto read = parse_program_options({"--setup-file", file.string()});
        ASSERT_TRUE(std::holds_alternative<ProgramOptions>(read)) << std::get<CommandLineError>(read).message;
        const ToneSetup setup = *std::get<ProgramOptions>(read).setup;
        std::vector<std::int64_t> sounding;
        for (std::size_t k = 0; k < tone_slots; ++k)
            if (setup.gain[k] > 0)
                sounding.push_back(setup.frequency[k]);
        ASSERT_EQ(sounding.size(), p.sounding);

        RenderOptions options;
        options.setup = setup;
        StreamRender render(options, Assets{});
        ASSERT_EQ(render.problem(), "");
        std::vector<std::int16_t> second(stream_rate);
        render.next(second.data(), second.size());
        for (std::size_t k = 0; k < sounding.size(); ++k) {
            const double wanted = p.amplitude[p.amplitude.size() == 1 ? 0 : k];
            EXPECT_NEAR(amplitude_at(second, sounding[k]), wanted, wanted * 0.002) << sounding[k] << " Hz";
        }
    }
}

} // namespace
} // namespace tonegen
