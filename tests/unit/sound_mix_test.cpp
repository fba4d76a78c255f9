#include "platform/sim/sim_sound_player.h"
#include "signals/sound_player.h"

#include "common/wave_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace tonegen {
namespace {

using namespace test;

TEST(VolumeTable, PerCentBecomesHundredthsOfADecibel)
{
    SoundPlayer player;
    fill_volume_table(player);
    struct Case {
        int volume;
        long attenuation;
    };
    for (const Case c : {Case{0, -10000}, Case{100, 0}, Case{40, -796}, Case{150, 0}, Case{-5, -10000},
                         Case{1, -4000}, Case{10, -2000}, Case{50, -603}, Case{99, -9}})
        EXPECT_EQ(volume_attenuation(player, c.volume), c.attenuation) << c.volume;
    for (int v = 1; v <= 100; ++v)
        EXPECT_GT(volume_attenuation(player, v), volume_attenuation(player, v - 1)) << v;
}

struct Facility : ::testing::Test {
    sim::CallLog log;
    sim::SimSoundPlayer port{log};
    SoundPlayer player;
    Bytes image = Image{}.build();
};

TEST_F(Facility, BringingThePlayerUpRetriesUntilADeviceWasMade)
{
    port.library_missing = true;
    EXPECT_FALSE(init_sound_effects(player, port));
    port.library_missing = false;
    port.device_fails = true;
    EXPECT_FALSE(init_sound_effects(player, port));
    port.device_fails = false;
    EXPECT_TRUE(init_sound_effects(player, port)); // nothing was made yet: tried again
    EXPECT_TRUE(init_sound_effects(player, port));
    EXPECT_EQ(std::count(log.begin(), log.end(), "sound create_device"), 2);

    SoundPlayer broken;
    port.set_up_fails = true;
    EXPECT_FALSE(init_sound_effects(broken, port));
    port.set_up_fails = false;
    EXPECT_FALSE(init_sound_effects(broken, port)); // the device was made once: never again
}

TEST_F(Facility, LoadedSoundsPlayLoopedFromTheStartAtTheirVolume)
{
    ASSERT_TRUE(init_sound_effects(player, port));
    ASSERT_TRUE(load_sound(player, port, 176, image));
    const sim::SimSoundBuffer* b = port.buffer_with(image.data() + 44, 8);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->flags, 0x180E2u);
    EXPECT_EQ(b->format.wBitsPerSample, 16u);
    EXPECT_FALSE(b->playing);

    auto& buffer = port.buffers.at(player.sounds.at(176).buffer);
    buffer.position = 6; // somewhere in the recording
    play_sound(player, port, 176, play_looping, 40);
    EXPECT_TRUE(buffer.playing);
    EXPECT_TRUE(buffer.looping);
    EXPECT_EQ(buffer.position, 0u);
    EXPECT_EQ(buffer.volume, -796);

    play_sound(player, port, 176, 0, keep_volume);
    EXPECT_FALSE(buffer.looping);
    EXPECT_EQ(buffer.volume, -796);

    buffer.position = 4;
    stop_sound(player, port, 176);
    EXPECT_FALSE(buffer.playing);
    EXPECT_EQ(buffer.position, 0u);

    release_sound_effects(player, port);
    EXPECT_TRUE(port.buffers.empty());
}

TEST_F(Facility, NumbersWithoutASoundAreIgnored)
{
    ASSERT_TRUE(init_sound_effects(player, port));
    Image bad;
    bad.data_bytes = 1000;
    EXPECT_FALSE(load_sound(player, port, 177, bad.build()));
    port.refuse_buffers = true;
    EXPECT_FALSE(load_sound(player, port, 178, image));
    play_sound(player, port, 177, play_looping, 40);
    stop_sound(player, port, 178);
    play_sound(player, port, 5, play_looping, 40);
    EXPECT_TRUE(port.buffers.empty());
    EXPECT_TRUE(player.sounds.empty());
}

} // namespace
} // namespace tonegen
