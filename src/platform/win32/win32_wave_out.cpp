// How it works: see win32_wave_out.h. Nothing is kept here; the device handle
// and the headers belong to the stream.
#include "platform/win32/win32_wave_out.h"

#include "platform/win32/win32_api.h"

#include <cstddef>

namespace tonegen::win32 {

namespace {

// The stream's headers go to waveOut as they are.
static_assert(sizeof(WaveHeader) == sizeof(WAVEHDR));
static_assert(offsetof(WaveHeader, lpData) == offsetof(WAVEHDR, lpData));
static_assert(offsetof(WaveHeader, dwBufferLength) == offsetof(WAVEHDR, dwBufferLength));
static_assert(offsetof(WaveHeader, dwBytesRecorded) == offsetof(WAVEHDR, dwBytesRecorded));
static_assert(offsetof(WaveHeader, dwUser) == offsetof(WAVEHDR, dwUser));
static_assert(offsetof(WaveHeader, dwFlags) == offsetof(WAVEHDR, dwFlags));
static_assert(offsetof(WaveHeader, dwLoops) == offsetof(WAVEHDR, dwLoops));
static_assert(offsetof(WaveHeader, lpNext) == offsetof(WAVEHDR, lpNext));
static_assert(offsetof(WaveHeader, reserved) == offsetof(WAVEHDR, reserved));

HWAVEOUT device(WaveOutHandle handle)
{
    return reinterpret_cast<HWAVEOUT>(handle);
}

WAVEHDR* system_header(WaveHeader* header)
{
    return reinterpret_cast<WAVEHDR*>(header);
}

} // namespace

namespace {

// The names the devices' capabilities give, in UTF-8; "output 3" (or
// "input 3") for one that has none.
template <typename Caps, typename GetCaps>
std::vector<std::string> names_of(UINT count, GetCaps get_caps, const char* kind)
{
    std::vector<std::string> names;
    for (UINT id = 0; id < count; ++id) {
        Caps caps{};
        std::string name;
        if (get_caps(id, &caps, sizeof(caps)) == MMSYSERR_NOERROR) {
            const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, caps.szPname, -1, nullptr, 0, nullptr, nullptr);
            if (bytes > 1) {
                name.resize(static_cast<std::size_t>(bytes));
                static_cast<void>(
                    ::WideCharToMultiByte(CP_UTF8, 0, caps.szPname, -1, name.data(), bytes, nullptr, nullptr));
                name.resize(static_cast<std::size_t>(bytes) - 1);
            }
        }
        names.push_back(name.empty() ? std::string(kind) + " " + std::to_string(id + 1) : name);
    }
    return names;
}

} // namespace

std::vector<std::string> Win32WaveOut::device_names()
{
    return names_of<WAVEOUTCAPSW>(::waveOutGetNumDevs(), ::waveOutGetDevCapsW, "output");
}

std::vector<std::string> wave_in_device_names()
{
    return names_of<WAVEINCAPSW>(::waveInGetNumDevs(), ::waveInGetDevCapsW, "input");
}

unsigned Win32WaveOut::get_num_devs()
{
    return ::waveOutGetNumDevs();
}

MmResult Win32WaveOut::open(WaveOutHandle* handle, unsigned device_id, const WaveFormat& format,
                            WindowHandle callback_window, std::uintptr_t instance, std::uint32_t flags)
{
    const WAVEFORMATEX f = to_system_format(format);

    HWAVEOUT opened = nullptr;
    const MMRESULT result = ::waveOutOpen(&opened, device_id, &f, static_cast<DWORD_PTR>(callback_window),
                                          static_cast<DWORD_PTR>(instance), flags);
    if (result == MMSYSERR_NOERROR)
        *handle = reinterpret_cast<WaveOutHandle>(opened);
    return result;
}

MmResult Win32WaveOut::prepare_header(WaveOutHandle handle, WaveHeader* header)
{
    return ::waveOutPrepareHeader(device(handle), system_header(header), sizeof(WAVEHDR));
}

MmResult Win32WaveOut::unprepare_header(WaveOutHandle handle, WaveHeader* header)
{
    return ::waveOutUnprepareHeader(device(handle), system_header(header), sizeof(WAVEHDR));
}

MmResult Win32WaveOut::write(WaveOutHandle handle, WaveHeader* header)
{
    return ::waveOutWrite(device(handle), system_header(header), sizeof(WAVEHDR));
}

MmResult Win32WaveOut::pause(WaveOutHandle handle)
{
    return ::waveOutPause(device(handle));
}

MmResult Win32WaveOut::restart(WaveOutHandle handle)
{
    return ::waveOutRestart(device(handle));
}

MmResult Win32WaveOut::reset(WaveOutHandle handle)
{
    return ::waveOutReset(device(handle));
}

MmResult Win32WaveOut::close(WaveOutHandle handle)
{
    return ::waveOutClose(device(handle));
}

} // namespace tonegen::win32
