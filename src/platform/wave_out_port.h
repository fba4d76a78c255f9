// The wave-out device the output stream plays through.
//
// The vocabulary is the waveform-audio one of the Windows desktop: a device
// opened in one PCM format, caller-owned headers that are prepared once,
// written (queued) to the device, handed back one by one as they finish, and
// unprepared at the end. On Windows every method is the waveOut function it is
// named after; on Linux the Qt layer emulates the same contract on a thread
// of its own.
//
// Contract the stream relies on:
// - Called only from the GUI thread.
// - `write` queues a header behind the ones already queued; the device plays
//   queued headers in order, without gaps while headers are queued.
// - Each finished header is reported by posting `MM_WOM_DONE` (wParam 0,
//   lParam = the header's address) to the callback window given at `open`.
//   The notice is handled later, inside an event wait of the GUI thread; the
//   device never calls into the program directly.
// - `pause` holds the queued headers, `restart` plays on from where it stood,
//   `reset` stops at once and hands back every queued header.
// - The device reads a header's samples only between `write` and the notice
//   that hands it back; only then may it copy them.
// - Results: 0 (`mm_no_error`) is success. The stream checks the results of
//   `get_num_devs`, `open` and `prepare_header`; the rest it ignores.
#pragma once

#include "platform/messages.h"

#include <cstdint>

namespace tonegen {

using WaveOutHandle = std::uintptr_t; // 0: no device open
using MmResult = std::uint32_t;

constexpr MmResult mm_no_error = 0;
constexpr MmResult mm_error = 1;          // unspecified failure
constexpr MmResult mm_bad_device_id = 2;  // no such device
constexpr MmResult mm_no_memory = 7;
constexpr MmResult mm_bad_format = 32;    // format refused (WAVERR_BADFORMAT)
constexpr MmResult mm_still_playing = 33; // header still queued (WAVERR_STILLPLAYING)

// Flags of `open`.
constexpr std::uint32_t CALLBACK_WINDOW = 0x10000;
constexpr std::uint32_t WAVE_FORMAT_DIRECT = 0x0008;

// Header flags the device sets.
constexpr std::uint32_t WHDR_DONE = 0x01;
constexpr std::uint32_t WHDR_PREPARED = 0x02;
constexpr std::uint32_t WHDR_INQUEUE = 0x10;

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

// The stream format (the fields of WAVEFORMATEX).
struct WaveFormat {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
    std::uint16_t cbSize;
};

// The program's one stream format, mono 16-bit PCM at 44100 frames per
// second: what the stream opens, what the recordings hold, and all that the
// Linux player and the test fakes accept.
constexpr std::uint32_t stream_rate = 44100;

constexpr bool is_stream_format(const WaveFormat& f)
{
    return f.wFormatTag == WAVE_FORMAT_PCM && f.nChannels == 1 && f.nSamplesPerSec == stream_rate &&
           f.wBitsPerSample == 16 && f.nBlockAlign == 2 && f.nAvgBytesPerSec == stream_rate * 2;
}

// One ring buffer's header. Member for member the platform's WAVEHDR, so the
// Windows layer hands these records to waveOut as they are (it checks the
// layout at compile time) and completion notices carry their addresses.
struct WaveHeader {
    char* lpData;
    std::uint32_t dwBufferLength;
    std::uint32_t dwBytesRecorded;
    std::uintptr_t dwUser;
    std::uint32_t dwFlags;
    std::uint32_t dwLoops;
    WaveHeader* lpNext;
    std::uintptr_t reserved;
};

class WaveOutPort {
public:
    virtual ~WaveOutPort() = default;

    virtual unsigned get_num_devs() = 0;
    virtual MmResult open(WaveOutHandle* handle, unsigned device_id, const WaveFormat& format,
                          WindowHandle callback_window, std::uintptr_t instance,
                          std::uint32_t flags) = 0;
    virtual MmResult prepare_header(WaveOutHandle handle, WaveHeader* header) = 0;
    virtual MmResult unprepare_header(WaveOutHandle handle, WaveHeader* header) = 0;
    virtual MmResult write(WaveOutHandle handle, WaveHeader* header) = 0;
    virtual MmResult pause(WaveOutHandle handle) = 0;
    virtual MmResult restart(WaveOutHandle handle) = 0;
    virtual MmResult reset(WaveOutHandle handle) = 0;
    virtual MmResult close(WaveOutHandle handle) = 0;
};

} // namespace tonegen
