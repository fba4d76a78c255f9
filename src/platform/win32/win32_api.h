// The Windows headers, for this folder only.
//
// The ports name window messages, flags and results as the system does, and
// the system's headers turn those names into macros. So the ports are always
// included first, their numbers are kept here under names of their own, and
// after the system's headers come in they are checked against the system's:
// the Win32 layer passes them through unchanged.
#pragma once

#include "platform/wave_out_port.h"
#include "platform/windowing_port.h"

namespace tonegen::win32::port {
constexpr unsigned mm_wom_done = MM_WOM_DONE;
constexpr unsigned wm_command = WM_COMMAND;
constexpr unsigned en_killfocus = EN_KILLFOCUS;
constexpr std::uint32_t callback_window = CALLBACK_WINDOW;
constexpr std::uint32_t wave_format_direct = WAVE_FORMAT_DIRECT;
constexpr std::uint32_t whdr_done = WHDR_DONE;
constexpr std::uint32_t whdr_prepared = WHDR_PREPARED;
constexpr std::uint32_t whdr_inqueue = WHDR_INQUEUE;
constexpr std::uint16_t wave_format_pcm = WAVE_FORMAT_PCM;
} // namespace tonegen::win32::port

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>
#include <shellapi.h>

namespace tonegen::win32::port {
static_assert(mm_wom_done == MM_WOM_DONE && wm_command == WM_COMMAND && en_killfocus == EN_KILLFOCUS);
static_assert(callback_window == CALLBACK_WINDOW && wave_format_direct == WAVE_FORMAT_DIRECT);
static_assert(whdr_done == WHDR_DONE && whdr_prepared == WHDR_PREPARED && whdr_inqueue == WHDR_INQUEUE);
static_assert(wave_format_pcm == WAVE_FORMAT_PCM);
static_assert(mm_no_error == MMSYSERR_NOERROR && mm_error == MMSYSERR_ERROR &&
              mm_bad_device_id == MMSYSERR_BADDEVICEID && mm_no_memory == MMSYSERR_NOMEM &&
              mm_bad_format == WAVERR_BADFORMAT && mm_still_playing == WAVERR_STILLPLAYING);
} // namespace tonegen::win32::port

namespace tonegen::win32 {
// The ports' wave format as the system's record, field for field.
inline WAVEFORMATEX to_system_format(const WaveFormat& format)
{
    WAVEFORMATEX f{};
    f.wFormatTag = format.wFormatTag;
    f.nChannels = format.nChannels;
    f.nSamplesPerSec = format.nSamplesPerSec;
    f.nAvgBytesPerSec = format.nAvgBytesPerSec;
    f.nBlockAlign = format.nBlockAlign;
    f.wBitsPerSample = format.wBitsPerSample;
    f.cbSize = format.cbSize;
    return f;
}
} // namespace tonegen::win32
