// The RIFF WAVE walk: good images found, malformed ones refused without a
// read past their end (the sanitizer build catches one).
#include "formats/wave_file.h"

#include "common/wave_image.h"
#include "formats/little_endian.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace tonegen {
namespace {

using namespace test;

TEST(WaveImage, GoodImagesAreFoundAndMalformedOnesRefused)
{
    struct Case {
        const char* name;
        Image image;
        bool accepted;
        std::uint32_t data_bytes;
    };
    auto with = [](auto change) {
        Image i;
        change(i);
        return i;
    };
    const Case cases[] = {
        {"plain 44-byte header", Image{}, true, 8},
        {"a list chunk before the data", with([](Image& i) { i.between = chunk("LIST", 6, 6); }), true, 8},
        {"data exactly to the end", with([](Image& i) { i.data_bytes = 8; }), true, 8},
        {"longer format chunk", with([](Image& i) { i.format_bytes = 18; }), true, 8},
        {"shorter than a header", with([](Image& i) { i.data_present = 0; i.data_bytes = 0; i.cut = 1; }), false, 0},
        {"not RIFF", with([](Image& i) { i.riff = "RIFX"; }), false, 0},
        {"format chunk elsewhere", with([](Image& i) { i.fmt = "junk"; }), false, 0},
        {"format chunk too short", with([](Image& i) { i.format_bytes = 14; }), false, 0},
        {"format chunk past the end", with([](Image& i) { i.format_bytes = 0xFFFFFFF0; }), false, 0},
        {"not PCM", with([](Image& i) { i.format_tag = 3; }), false, 0},
        {"data larger than what remains", with([](Image& i) { i.data_bytes = 9; }), false, 0},
        {"data size near 4 GiB", with([](Image& i) { i.data_bytes = 0xFFFFFFFF; }), false, 0},
        {"empty data", with([](Image& i) { i.data_bytes = 0; i.data_present = 0; i.between = chunk("LIST", 4, 4); }), false, 0},
        {"chunk runs past the end", with([](Image& i) { i.between = chunk("LIST", 100, 4); i.with_data = false; }), false, 0},
        {"chunk size wraps the walk", with([](Image& i) { i.between = chunk("LIST", 0xFFFFFFF8, 0); }), false, 0},
        {"chunk header cut short", with([](Image& i) { i.between = chunk("LIST", 0, 0); i.with_data = false; i.cut = 4; }), false, 0},
        {"no data chunk at all", with([](Image& i) { i.between = chunk("LIST", 4, 4); i.with_data = false; }), false, 0},
    };
    for (const Case& c : cases) {
        const Bytes bytes = c.image.build();
        const std::optional<WaveImage> wave = parse_wave_image(bytes);
        EXPECT_EQ(wave.has_value(), c.accepted) << c.name;
        if (wave && c.accepted) {
            EXPECT_EQ(wave->bytes, c.data_bytes) << c.name;
            EXPECT_EQ(wave->data[0], 0x10) << c.name;
            EXPECT_LE(wave->data + wave->bytes, bytes.data() + bytes.size()) << c.name;
            EXPECT_EQ(wave->format.nSamplesPerSec, 44100u) << c.name;
            EXPECT_EQ(wave->format.nBlockAlign, 2u) << c.name;
        }
    }
}

// The head of every file the render tool writes; the walk above ignores the
// RIFF size, which strict readers check against the file's length.
TEST(WaveImage, TheWrittenHeadDescribesItsFileFieldByField)
{
    const std::uint32_t data_bytes = 2 * 70000; // wider than 16 bits
    const std::array<unsigned char, 44> head = wave_file_head(70000);
    struct Field {
        std::size_t at;
        int bytes; // 4 with `id`: the four characters
        std::uint32_t value;
        const char* id;
    };
    const Field fields[] = {
        {0, 4, 0, "RIFF"}, {4, 4, 44 + data_bytes - 8, nullptr}, {8, 4, 0, "WAVE"}, {12, 4, 0, "fmt "},
        {16, 4, 16, nullptr}, {20, 2, WAVE_FORMAT_PCM, nullptr}, {22, 2, 1, nullptr}, {24, 4, 44100, nullptr},
        {28, 4, 88200, nullptr}, {32, 2, 2, nullptr}, {34, 2, 16, nullptr}, {36, 4, 0, "data"},
        {40, 4, data_bytes, nullptr},
    };
    for (const Field& f : fields) {
        const unsigned char* p = head.data() + f.at;
        if (f.id)
            EXPECT_EQ(std::string(p, p + 4), f.id) << "at " << f.at;
        else
            EXPECT_EQ(f.bytes == 4 ? read_u32(p) : read_u16(p), f.value) << "at " << f.at;
    }
}

TEST(WaveImage, LevelsAreTheLargestMagnitudeAndTheRootMeanSquare)
{
    const unsigned char samples[] = {0x00, 0x80, 0xFF, 0x7F, 0x03, 0x00, 0xFD, 0xFF, 0x01}; // -32768 32767 3 -3, a byte
    WaveImage wave{};
    wave.format.wBitsPerSample = 16;
    wave.data = samples;
    wave.bytes = sizeof samples;
    const WaveLevels levels = measure_levels(wave);
    EXPECT_EQ(levels.peak, 32768);
    EXPECT_DOUBLE_EQ(levels.rms, std::sqrt((32768.0 * 32768.0 + 32767.0 * 32767.0 + 18.0) / 4.0));
    wave.format.wBitsPerSample = 8;
    EXPECT_EQ(measure_levels(wave).peak, 0);
    wave.format.wBitsPerSample = 16;
    wave.bytes = 1;
    EXPECT_EQ(measure_levels(wave).rms, 0.0);
}

} // namespace
} // namespace tonegen
