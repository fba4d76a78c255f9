#include "platform/sim/sim_sound_player.h"

#include <algorithm>
#include <string>

namespace tonegen::sim {

SimSoundBuffer* SimSoundPlayer::find(SoundBufferHandle buffer)
{
    const auto it = buffers.find(buffer);
    return it == buffers.end() ? nullptr : &it->second;
}

const SimSoundBuffer* SimSoundPlayer::buffer_with(const unsigned char* data, std::size_t bytes) const
{
    for (const auto& [handle, b] : buffers)
        if (b.data.size() == bytes && std::equal(b.data.begin(), b.data.end(), data))
            return &b;
    return nullptr;
}

bool SimSoundPlayer::load_library()
{
    log_.push_back("sound load_library");
    return !library_missing;
}

bool SimSoundPlayer::create_device()
{
    log_.push_back("sound create_device");
    return !device_fails;
}

bool SimSoundPlayer::set_up_device()
{
    log_.push_back("sound set_up_device");
    return !set_up_fails;
}

void SimSoundPlayer::release()
{
    log_.push_back("sound release");
    buffers.clear();
}

SoundBufferHandle SimSoundPlayer::create_buffer(const WaveFormat& format, std::uint32_t bytes, std::uint32_t flags)
{
    if (refuse_buffers || bytes == 0)
        return 0;
    SimSoundBuffer b;
    b.format = format;
    b.flags = flags;
    b.data.resize(bytes);
    const SoundBufferHandle h = next_++;
    buffers[h] = std::move(b);
    return h;
}

bool SimSoundPlayer::copy_into(SoundBufferHandle buffer, const unsigned char* data, std::uint32_t bytes)
{
    SimSoundBuffer* b = find(buffer);
    if (!b || bytes > b->data.size())
        return false;
    std::copy(data, data + bytes, b->data.begin());
    return true;
}

void SimSoundPlayer::release_buffer(SoundBufferHandle buffer)
{
    if (buffers.erase(buffer))
        ++released;
}

void SimSoundPlayer::stop(SoundBufferHandle buffer)
{
    if (SimSoundBuffer* b = find(buffer))
        b->playing = false;
}

void SimSoundPlayer::set_position(SoundBufferHandle buffer, std::uint32_t byte_offset)
{
    if (SimSoundBuffer* b = find(buffer))
        b->position = byte_offset;
}

void SimSoundPlayer::set_volume(SoundBufferHandle buffer, long hundredths_of_db)
{
    if (SimSoundBuffer* b = find(buffer))
        b->volume = hundredths_of_db;
}

long SimSoundPlayer::volume(SoundBufferHandle buffer)
{
    const SimSoundBuffer* b = find(buffer);
    return b ? b->volume : 0;
}

void SimSoundPlayer::play(SoundBufferHandle buffer, bool looping)
{
    if (SimSoundBuffer* b = find(buffer)) {
        log_.push_back("sound play " + std::to_string(buffer));
        b->playing = true;
        b->looping = looping;
    }
}

bool SimSoundPlayer::get_current_position(SoundBufferHandle buffer, std::uint32_t& play_byte)
{
    const SimSoundBuffer* b = find(buffer);
    if (!b)
        return false;
    play_byte = b->position;
    return true;
}

} // namespace tonegen::sim
