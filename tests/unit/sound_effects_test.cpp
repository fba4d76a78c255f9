#include "platform/sim/sim_sound.h"
#include "signals/sound_effects.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace tonegen {
namespace {

using Bytes = std::vector<unsigned char>;

void put_u32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void put_u16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
void put_id(Bytes& b, const char* id)
{
    b.insert(b.end(), id, id + 4);
}

// A RIFF WAVE image built piece by piece, so that each malformed case
// changes one thing.
struct Image {
    std::uint32_t format_bytes = 16;
    std::uint16_t format_tag = 1;
    const char* riff = "RIFF";
    const char* fmt = "fmt ";
    Bytes between;                          // chunks between "fmt " and "data"
    std::uint32_t data_bytes = 8;           // declared size
    std::size_t data_present = 8;           // bytes actually there
    bool with_data = true;
    std::size_t cut = 0;                    // bytes taken off the end

    Bytes build() const
    {
        Bytes b;
        put_id(b, riff);
        put_u32(b, 0);
        put_id(b, "WAVE");
        put_id(b, fmt);
        put_u32(b, format_bytes);
        put_u16(b, format_tag);
        put_u16(b, 1);
        put_u32(b, 44100);
        put_u32(b, 88200);
        put_u16(b, 2);
        put_u16(b, 16);
        for (std::uint32_t i = 16; i < format_bytes && i < 64; ++i)
            b.push_back(0);
        b.insert(b.end(), between.begin(), between.end());
        if (with_data) {
            put_id(b, "data");
            put_u32(b, data_bytes);
            for (std::size_t i = 0; i < data_present; ++i)
                b.push_back(static_cast<unsigned char>(0x10 + i));
        }
        b.resize(b.size() - std::min(cut, b.size()));
        // Exactly as long as the image, so a read past its end is caught by
        // the address sanitizer.
        return Bytes(b.begin(), b.end());
    }
};

Bytes chunk(const char* id, std::uint32_t declared, std::size_t present)
{
    Bytes b;
    put_id(b, id);
    put_u32(b, declared);
    b.insert(b.end(), present, 0xAB);
    return b;
}

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

TEST(VolumeTable, PerCentBecomesHundredthsOfADecibel)
{
    SoundEffects fx;
    fill_volume_table(fx);
    struct Case {
        int volume;
        long attenuation;
    };
    for (const Case c : {Case{0, -10000}, Case{100, 0}, Case{40, -796}, Case{150, 0}, Case{-5, -10000},
                         Case{1, -4000}, Case{10, -2000}, Case{50, -603}, Case{99, -9}})
        EXPECT_EQ(volume_attenuation(fx, c.volume), c.attenuation) << c.volume;
    for (int v = 1; v <= 100; ++v)
        EXPECT_GT(volume_attenuation(fx, v), volume_attenuation(fx, v - 1)) << v;
}

struct Facility : ::testing::Test {
    sim::CallLog log;
    sim::SimSound port{log};
    SoundEffects fx;
    Bytes image = Image{}.build();
};

TEST_F(Facility, BringingThePlayerUpRetriesUntilADeviceWasMade)
{
    port.library_missing = true;
    EXPECT_FALSE(init_sound_effects(fx, port));
    port.library_missing = false;
    port.device_fails = true;
    EXPECT_FALSE(init_sound_effects(fx, port));
    port.device_fails = false;
    EXPECT_TRUE(init_sound_effects(fx, port)); // nothing was made yet: tried again
    EXPECT_TRUE(init_sound_effects(fx, port));
    EXPECT_EQ(std::count(log.begin(), log.end(), "sound create_device"), 2);

    SoundEffects broken;
    port.set_up_fails = true;
    EXPECT_FALSE(init_sound_effects(broken, port));
    port.set_up_fails = false;
    EXPECT_FALSE(init_sound_effects(broken, port)); // the device was made once: never again
}

TEST_F(Facility, LoadedSoundsPlayLoopedFromTheStartAtTheirVolume)
{
    ASSERT_TRUE(init_sound_effects(fx, port));
    ASSERT_TRUE(load_sound(fx, port, 176, image));
    const sim::SimSoundBuffer* b = port.buffer_with(image.data() + 44, 8);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->flags, 0x180E2u);
    EXPECT_EQ(b->format.wBitsPerSample, 16u);
    EXPECT_FALSE(b->playing);

    auto& buffer = port.buffers.at(fx.sounds.at(176).buffer);
    buffer.position = 6; // somewhere in the recording
    play_sound(fx, port, 176, play_looping, 40);
    EXPECT_TRUE(buffer.playing);
    EXPECT_TRUE(buffer.looping);
    EXPECT_EQ(buffer.position, 0u);
    EXPECT_EQ(buffer.volume, -796);

    play_sound(fx, port, 176, 0, keep_volume);
    EXPECT_FALSE(buffer.looping);
    EXPECT_EQ(buffer.volume, -796);

    buffer.position = 4;
    stop_sound(fx, port, 176);
    EXPECT_FALSE(buffer.playing);
    EXPECT_EQ(buffer.position, 0u);

    release_sound_effects(fx, port);
    EXPECT_TRUE(port.buffers.empty());
}

TEST_F(Facility, NumbersWithoutASoundAreIgnored)
{
    ASSERT_TRUE(init_sound_effects(fx, port));
    Image bad;
    bad.data_bytes = 1000;
    EXPECT_FALSE(load_sound(fx, port, 177, bad.build()));
    port.refuse_buffers = true;
    EXPECT_FALSE(load_sound(fx, port, 178, image));
    play_sound(fx, port, 177, play_looping, 40);
    stop_sound(fx, port, 178);
    play_sound(fx, port, 5, play_looping, 40);
    EXPECT_TRUE(port.buffers.empty());
    EXPECT_TRUE(fx.sounds.empty());
}

} // namespace
} // namespace tonegen
