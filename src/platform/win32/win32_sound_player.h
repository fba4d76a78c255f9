// The test-signal player as DirectSound, loaded at run time.
//
// How it works: the program does not import dsound.dll, so that it starts
// where no DirectSound is installed and only the test signals are missing
// there. load_library loads DSOUND.DLL and looks up its entry points into one
// table, all or nothing; create_device is DirectSoundCreate for the default
// device; set_up_device makes the player's own hidden 1 x 1 popup window,
// sets the priority cooperative level for it and creates the primary buffer.
// Every test signal is a static secondary buffer (DSBCAPS_STATIC and the
// flags the core asks for) filled once through Lock / memcpy / Unlock; from
// Play with DSBPLAY_LOOPING on, DirectSound's own mixer loops it with no
// further call; GetCurrentPosition's play cursor says where it is heard. The handles the core holds are the buffers' interface
// pointers. release gives everything back in the reverse order: secondary
// buffers, primary buffer, device, window, library.
#pragma once

#include "platform/sound_player_port.h"
#include "platform/win32/win32_api.h"

#include <string>
#include <utility>
#include <vector>

struct IDirectSound;
struct IDirectSoundBuffer;

namespace tonegen::win32 {

class Win32SoundPlayer final : public SoundPlayerPort {
public:
    // `device`: the name of the wave-out device the tones play on, when
    // that is not the first one; the test signals then play on the sound
    // device whose description starts with it, or not at all.
    explicit Win32SoundPlayer(HINSTANCE instance, std::string device = {})
        : instance_(instance), device_name_(std::move(device))
    {
    }
    ~Win32SoundPlayer() override;
    Win32SoundPlayer(const Win32SoundPlayer&) = delete;
    Win32SoundPlayer& operator=(const Win32SoundPlayer&) = delete;

    bool load_library() override;
    bool create_device() override;
    bool set_up_device() override;
    void release() override;
    SoundBufferHandle create_buffer(const WaveFormat& format, std::uint32_t bytes, std::uint32_t flags) override;
    bool copy_into(SoundBufferHandle buffer, const unsigned char* data, std::uint32_t bytes) override;
    void release_buffer(SoundBufferHandle buffer) override;
    void stop(SoundBufferHandle buffer) override;
    void set_position(SoundBufferHandle buffer, std::uint32_t byte_offset) override;
    void set_volume(SoundBufferHandle buffer, long hundredths_of_db) override;
    long volume(SoundBufferHandle buffer) override;
    void play(SoundBufferHandle buffer, bool looping) override;
    bool get_current_position(SoundBufferHandle buffer, std::uint32_t& play_byte) override;

private:
    using DirectSoundCreateFunction = HRESULT(WINAPI*)(const GUID*, IDirectSound**, IUnknown*);
    using EnumerateCallback = BOOL(CALLBACK*)(GUID*, const wchar_t*, const wchar_t*, void*);
    using DirectSoundEnumerateFunction = HRESULT(WINAPI*)(EnumerateCallback, void*);

    // The entry points of the library, present together or not at all.
    struct EntryPoints {
        HMODULE library = nullptr;
        DirectSoundCreateFunction direct_sound_create = nullptr;
        DirectSoundEnumerateFunction direct_sound_enumerate = nullptr;
    };

    // The sound device of the named wave-out device; false when none matches.
    bool find_device(GUID& device) const;

    IDirectSoundBuffer* find(SoundBufferHandle buffer) const;

    HINSTANCE instance_;
    std::string device_name_;
    EntryPoints dsound_;
    IDirectSound* device_ = nullptr;
    HWND window_ = nullptr;
    IDirectSoundBuffer* primary_ = nullptr;
    std::vector<IDirectSoundBuffer*> buffers_; // in the order of creation
};

} // namespace tonegen::win32
