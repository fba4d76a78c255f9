// The player of the looped test signals: static sound buffers on the
// platform's own mixing device.
//
// The vocabulary is DirectSound's: a library loaded at run time, one device
// object with a cooperative level and a primary buffer, and static secondary
// buffers that hold a whole PCM recording and loop it by themselves. On
// Windows each method is the DirectSound call it is named after; on Linux the
// Qt layer plays the buffers from memory on its own.
//
// Contract:
// - Called on the GUI thread only; once a buffer plays, the platform loops it
//   without further calls.
// - Volume is an attenuation in hundredths of a decibel, -10000 (silence)
//   to 0 (as recorded).
// - Buffer handles are never 0; 0 means "no buffer".
#pragma once

#include "platform/wave_out_port.h"

#include <cstddef>
#include <cstdint>

namespace tonegen {

using SoundBufferHandle = std::uintptr_t;

constexpr long volume_min = -10000; // DSBVOLUME_MIN
constexpr long volume_max = 0;      // DSBVOLUME_MAX

// Flags of a static secondary buffer: static, with frequency, pan and volume
// control, audible while another program has the focus, exact play position.
constexpr std::uint32_t static_buffer_flags = 0x180E2;

class SoundPlayerPort {
public:
    virtual ~SoundPlayerPort() = default;

    // Loads the sound library and looks up its device constructor.
    virtual bool load_library() = 0;
    // Creates the device object for the default device.
    virtual bool create_device() = 0;
    // Sets the priority cooperative level for the player's hidden window and
    // creates the primary buffer.
    virtual bool set_up_device() = 0;
    // Releases every buffer, the device and the library.
    virtual void release() = 0;

    // A static secondary buffer of `bytes` bytes in `format`; 0 when refused.
    virtual SoundBufferHandle create_buffer(const WaveFormat& format, std::uint32_t bytes,
                                            std::uint32_t flags) = 0;
    // Locks the whole buffer, copies `bytes` bytes into it and unlocks it.
    virtual bool copy_into(SoundBufferHandle buffer, const unsigned char* data, std::uint32_t bytes) = 0;
    virtual void release_buffer(SoundBufferHandle buffer) = 0;

    virtual void stop(SoundBufferHandle buffer) = 0;
    virtual void set_position(SoundBufferHandle buffer, std::uint32_t byte_offset) = 0;
    virtual void set_volume(SoundBufferHandle buffer, long hundredths_of_db) = 0;
    virtual long volume(SoundBufferHandle buffer) = 0;
    virtual void play(SoundBufferHandle buffer, bool looping) = 0;
    // The byte offset in the buffer of what the device plays now (as it
    // reports it, not what has been mixed ahead); false when it cannot say.
    virtual bool get_current_position(SoundBufferHandle buffer, std::uint32_t& play_byte) = 0;
};

} // namespace tonegen
