// How it works: see win32_sound_player.h. Only the declarations of <dsound.h> are
// used: no import library, no GUID, the device comes from the looked-up
// DirectSoundCreate and every other call is a method of what it returns.
#include "platform/win32/win32_sound_player.h"

#include <dsound.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace tonegen::win32 {

namespace {

struct DeviceSearch {
    const std::wstring* name;
    GUID found;
    bool matched;
};

// A callback of the system's calling convention: a lambda cannot be one on x86.
BOOL CALLBACK match_device(GUID* guid, const wchar_t* description, const wchar_t*, void* data)
{
    auto* search = static_cast<DeviceSearch*>(data);
    // The first entry is the primary device, without a GUID of its own.
    if (guid && description && std::wstring_view(description).starts_with(*search->name)) {
        search->found = *guid;
        search->matched = true;
        return FALSE;
    }
    return TRUE;
}

IDirectSoundBuffer* as_buffer(SoundBufferHandle handle)
{
    return reinterpret_cast<IDirectSoundBuffer*>(handle);
}

} // namespace

Win32SoundPlayer::~Win32SoundPlayer()
{
    release();
}

bool Win32SoundPlayer::load_library()
{
    if (dsound_.library)
        return true;
    EntryPoints loaded;
    loaded.library = ::LoadLibraryA("DSOUND.DLL");
    if (!loaded.library)
        return false;
    // GetProcAddress hands out a generic function pointer; the detour
    // through void* is the documented way to give it its real type.
    loaded.direct_sound_create = reinterpret_cast<DirectSoundCreateFunction>(
        reinterpret_cast<void*>(::GetProcAddress(loaded.library, "DirectSoundCreate")));
    loaded.direct_sound_enumerate = reinterpret_cast<DirectSoundEnumerateFunction>(
        reinterpret_cast<void*>(::GetProcAddress(loaded.library, "DirectSoundEnumerateW")));
    if (!loaded.direct_sound_create || !loaded.direct_sound_enumerate) {
        static_cast<void>(::FreeLibrary(loaded.library));
        return false;
    }
    dsound_ = loaded;
    return true;
}

bool Win32SoundPlayer::create_device()
{
    if (device_)
        return true;
    if (!dsound_.direct_sound_create)
        return false;
    GUID chosen{};
    if (!device_name_.empty() && !find_device(chosen))
        return false;
    IDirectSound* device = nullptr;
    if (FAILED(dsound_.direct_sound_create(device_name_.empty() ? nullptr : &chosen, &device, nullptr)) || !device)
        return false;
    device_ = device;
    return true;
}

bool Win32SoundPlayer::set_up_device()
{
    if (!device_)
        return false;
    if (!window_) {
        // DirectSound ties the cooperative level to a window; the player's
        // own never shows and has nothing to do with the program's windows.
        window_ = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance_, nullptr);
        if (!window_)
            return false;
    }
    if (FAILED(device_->SetCooperativeLevel(window_, DSSCL_PRIORITY)))
        return false;
    if (!primary_) {
        DSBUFFERDESC primary{};
        primary.dwSize = sizeof(primary);
        primary.dwFlags = DSBCAPS_PRIMARYBUFFER;
        if (FAILED(device_->CreateSoundBuffer(&primary, &primary_, nullptr))) {
            primary_ = nullptr;
            return false;
        }
    }
    return true;
}

bool Win32SoundPlayer::find_device(GUID& device) const
{
    // The wave-out name is cut to 31 characters; the sound device's
    // description is not.
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, device_name_.data(), static_cast<int>(device_name_.size()),
                                             nullptr, 0);
    std::wstring name(static_cast<std::size_t>(length), L'\0');
    static_cast<void>(::MultiByteToWideChar(CP_UTF8, 0, device_name_.data(), static_cast<int>(device_name_.size()),
                                            name.data(), length));
    DeviceSearch search{&name, GUID{}, false};
    if (FAILED(dsound_.direct_sound_enumerate(&match_device, &search)) || !search.matched)
        return false;
    device = search.found;
    return true;
}

void Win32SoundPlayer::release()
{
    for (auto it = buffers_.rbegin(); it != buffers_.rend(); ++it)
        static_cast<void>((*it)->Release());
    buffers_.clear();
    if (primary_)
        static_cast<void>(primary_->Release());
    primary_ = nullptr;
    if (device_)
        static_cast<void>(device_->Release());
    device_ = nullptr;
    if (window_)
        static_cast<void>(::DestroyWindow(window_));
    window_ = nullptr;
    if (dsound_.library)
        static_cast<void>(::FreeLibrary(dsound_.library));
    dsound_ = EntryPoints{};
}

SoundBufferHandle Win32SoundPlayer::create_buffer(const WaveFormat& format, std::uint32_t bytes, std::uint32_t flags)
{
    if (!device_)
        return 0;
    WAVEFORMATEX f = to_system_format(format);
    f.cbSize = 0; // no extra bytes follow a PCM format here

    DSBUFFERDESC description{};
    description.dwSize = sizeof(description);
    description.dwFlags = flags;
    description.dwBufferBytes = bytes;
    description.lpwfxFormat = &f;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(device_->CreateSoundBuffer(&description, &buffer, nullptr)) || !buffer)
        return 0;
    buffers_.push_back(buffer);
    return reinterpret_cast<SoundBufferHandle>(buffer);
}

bool Win32SoundPlayer::copy_into(SoundBufferHandle handle, const unsigned char* data, std::uint32_t bytes)
{
    IDirectSoundBuffer* buffer = find(handle);
    if (!buffer)
        return false;
    void* first = nullptr;
    void* second = nullptr;
    DWORD first_bytes = 0;
    DWORD second_bytes = 0;
    HRESULT locked = buffer->Lock(0, 0, &first, &first_bytes, &second, &second_bytes, DSBLOCK_ENTIREBUFFER);
    if (locked == DSERR_BUFFERLOST && SUCCEEDED(buffer->Restore()))
        locked = buffer->Lock(0, 0, &first, &first_bytes, &second, &second_bytes, DSBLOCK_ENTIREBUFFER);
    if (FAILED(locked) || !first)
        return false;
    const bool fits = bytes <= first_bytes;
    if (fits)
        std::memcpy(first, data, bytes);
    static_cast<void>(buffer->Unlock(first, first_bytes, second, second_bytes));
    return fits;
}

void Win32SoundPlayer::release_buffer(SoundBufferHandle handle)
{
    IDirectSoundBuffer* buffer = find(handle);
    if (!buffer)
        return;
    static_cast<void>(buffer->Release());
    std::erase(buffers_, buffer);
}

void Win32SoundPlayer::stop(SoundBufferHandle handle)
{
    if (IDirectSoundBuffer* buffer = find(handle))
        static_cast<void>(buffer->Stop());
}

void Win32SoundPlayer::set_position(SoundBufferHandle handle, std::uint32_t byte_offset)
{
    if (IDirectSoundBuffer* buffer = find(handle))
        static_cast<void>(buffer->SetCurrentPosition(byte_offset));
}

void Win32SoundPlayer::set_volume(SoundBufferHandle handle, long hundredths_of_db)
{
    if (IDirectSoundBuffer* buffer = find(handle))
        static_cast<void>(buffer->SetVolume(hundredths_of_db));
}

long Win32SoundPlayer::volume(SoundBufferHandle handle)
{
    LONG value = 0;
    IDirectSoundBuffer* buffer = find(handle);
    if (!buffer || FAILED(buffer->GetVolume(&value)))
        return 0;
    return value;
}

void Win32SoundPlayer::play(SoundBufferHandle handle, bool looping)
{
    if (IDirectSoundBuffer* buffer = find(handle))
        static_cast<void>(buffer->Play(0, 0, looping ? DSBPLAY_LOOPING : 0));
}

bool Win32SoundPlayer::get_current_position(SoundBufferHandle handle, std::uint32_t& play_byte)
{
    IDirectSoundBuffer* buffer = find(handle);
    DWORD play = 0;
    if (!buffer || FAILED(buffer->GetCurrentPosition(&play, nullptr)))
        return false;
    play_byte = play;
    return true;
}

IDirectSoundBuffer* Win32SoundPlayer::find(SoundBufferHandle handle) const
{
    // Only buffers made here are called: a stale or foreign handle is ignored.
    const auto it = std::find(buffers_.begin(), buffers_.end(), as_buffer(handle));
    return it == buffers_.end() ? nullptr : *it;
}

} // namespace tonegen::win32
