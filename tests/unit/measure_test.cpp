// The measure tool's command: its options, its exit codes, the devices it
// asks the platform for and the files it writes, over a platform whose
// "device" is a function of the samples sent.
#include "app/measure.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tonegen {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

TEST(MeasureCommandLine, LiveOrOfflineAndWhatCannotRun)
{
    struct Case {
        Args args;
        const char* error; // "" when it parses
        std::int64_t frames = measure_default_frames;
    };
    const Case cases[] = {
        {{"--input", "2"}, ""},
        {{"--input", "mon", "--device", "USB", "--seconds", "1.5", "--csv", "a.csv", "--plot", "a.png"}, "", 66150},
        {{"--wav", "r.wav", "--csv", "a.csv"}, ""},
        {{"--list-inputs"}, ""},
        {{}, "nothing to measure: give --input N|NAME to play and record, or --wav FILE"},
        {{"--wav", "r.wav", "--input", "1"}, "--wav measures a recording: it takes no --input"},
        {{"--wav", "r.wav", "--seconds", "3"}, "--seconds is for playing and recording: --wav takes neither"},
        {{"--input", "1", "--seconds", "1.4"}, "--seconds 1.4 is out of range: from 1.5 up to 600"},
        {{"--input", "1", "--seconds", "601"}, "--seconds 601 is out of range: from 1.5 up to 600"},
        {{"--input", "1", "--input", "2"}, "--input given twice"},
        {{"--input", ""}, "--input needs a number from --list-inputs or part of a name"},
        {{"--input", "1", "-o", "x"}, "unknown option -o"},
    };
    for (const Case& c : cases) {
        const auto parsed = parse_measure_options(c.args);
        const std::string error =
            std::holds_alternative<CommandLineError>(parsed) ? std::get<CommandLineError>(parsed).message : "";
        EXPECT_EQ(error, c.error) << (c.args.empty() ? "" : c.args[0]);
        if (error.empty()) {
            EXPECT_EQ(std::get<MeasureOptions>(parsed).frames, c.frames);
        }
    }
}

struct MeasureRun : ::testing::Test {
    fs::path folder = fs::temp_directory_path() /
                      ("tonegen-measure-test-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    // What the fake device does to the samples, and the outputs and inputs it has.
    std::function<std::int16_t(std::int16_t)> device = [](std::int16_t v) { return static_cast<std::int16_t>(v / 2); };
    std::vector<int> played_on;
    MeasureSystem system{
        [] { return OutputNames{{"Speakers", "USB"}, {}}; },
        [] { return OutputNames{{"Microphone", "Monitor of USB"}, {}}; },
        [this](int output, int input, std::span<const std::int16_t> sent, std::int64_t frames, const RenderProgress&) {
            played_on = {output, input};
            std::vector<std::int16_t> recording(static_cast<std::size_t>(frames), 0);
            for (std::size_t i = 0; i < sent.size() && 1000 + i < recording.size(); ++i)
                recording[1000 + i] = device(sent[i]);
            return std::variant<std::vector<std::int16_t>, std::string>(recording);
        },
        [](const PlotPicture& p) {
            return std::variant<std::vector<unsigned char>, std::string>(
                std::vector<unsigned char>{static_cast<unsigned char>(p.width / 100), static_cast<unsigned char>(p.height / 100)});
        },
    };
    std::string out, err;

    MeasureRun() { fs::create_directories(folder); }
    ~MeasureRun() override { fs::remove_all(folder); }

    int run(const Args& args)
    {
        std::FILE* o = std::tmpfile();
        std::FILE* e = std::tmpfile();
        const int code = run_measure(args, system, false, o, e);
        out = text_of(o);
        err = text_of(e);
        return code;
    }
    static std::string text_of(std::FILE* f)
    {
        std::string text(static_cast<std::size_t>(std::ftell(f)), '\0');
        std::rewind(f);
        text.resize(std::fread(text.data(), 1, text.size(), f));
        std::fclose(f);
        return text;
    }
    std::string file(const std::string& name) const
    {
        std::ifstream in(folder / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(MeasureRun, ALiveRunWritesTheTableItsCsvAndItsPicture)
{
    const std::string csv = (folder / "m.csv").string(), png = (folder / "m.png").string();
    ASSERT_EQ(run({"--input", "monitor", "--device", "2", "--seconds", "2", "--csv", csv, "--plot", png}), 0) << err;
    EXPECT_EQ(played_on, (std::vector<int>{2, 2}));
    EXPECT_NE(out.find("the signal starts 1000 samples"), std::string::npos) << out;
    const std::string table = file("m.csv");
    EXPECT_EQ(table.rfind("tone,frequency_hz,sent_dbfs,received_dbfs,gain_db,phase_deg\n1,80,-26.556,-32.578,-6.022,", 0), 0u)
        << table;
    EXPECT_NE(table.find("\n\nproduct,frequency_hz,sent_dbfs,received_dbfs\n"), std::string::npos);
    EXPECT_NE(table.find("\ndelay_samples,1000\nseconds_averaged,1\n"), std::string::npos);
    EXPECT_EQ(file("m.png"), std::string("\x09\x06"));
    EXPECT_FALSE(fs::exists(csv + ".partial"));
}

TEST_F(MeasureRun, ExitCodesSayWhatHappened)
{
    const std::string wav = (folder / "r.wav").string();
    RenderOptions render;
    render.frames = 2 * stream_rate;
    render.output = wav;
    ASSERT_EQ(render_file(render, Assets{}, {}), "");
    struct Case {
        Args args;
        int code;
        const char* said;
    };
    const Case cases[] = {
        {{"--wav", wav}, 0, ""},
        {{"--input", "3"}, 2, "tonegen-measure: no input 3: they are numbered 1 to 2\n"},
        {{"--input", "1", "--device", "HDMI"}, 2, "tonegen-measure: no output device's name has \"HDMI\" in it\n"},
        {{"--wav"}, 2, "tonegen-measure: --wav needs the name of the recording to measure\nusage: "},
        {{"--wav", (folder / "none.wav").string()}, 1, "tonegen-measure: cannot read the recording "},
        {{"--wav", wav, "--csv", (folder / "no" / "m.csv").string()}, 1, "tonegen-measure: cannot write "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.args), c.code) << c.args[0] << err;
        EXPECT_EQ(err.rfind(c.said, 0), 0u) << err;
    }
    device = [](std::int16_t) { return std::int16_t{0}; };
    EXPECT_EQ(run({"--input", "1"}), 1);
    EXPECT_EQ(err, "tonegen-measure: no trace of the signal in the recording: it is silent (every sample 0)\n");
    EXPECT_EQ(run({"--list-inputs"}), 0);
    EXPECT_EQ(out, "  1  Microphone  (default)\n  2  Monitor of USB\n");
}

} // namespace
} // namespace tonegen
