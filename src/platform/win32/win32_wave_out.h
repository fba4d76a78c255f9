// The wave-out port as the waveOut functions of the Windows multimedia API.
//
// How it works: open() asks for a callback window (CALLBACK_WINDOW), so the
// system posts MM_WOM_DONE to the main window for every finished header; the
// window procedure hands it to the program's message handler inside an
// event wait, whose stream has fill_buffer refill the header and queues it again with
// waveOutWrite. The headers are the stream's own WaveHeader records, passed to
// the system as they are: their layout is WAVEHDR's, checked at compile time.
// Every method is the one waveOut call it is named after; results pass
// through unchanged (MMSYSERR_* and WAVERR_* share the port's numbering).
#pragma once

#include "platform/wave_out_port.h"

#include <string>
#include <vector>

namespace tonegen::win32 {

// The recording devices' names (waveInGetDevCaps), device 0 first.
std::vector<std::string> wave_in_device_names();

class Win32WaveOut final : public WaveOutPort {
public:
    // The devices' names (waveOutGetDevCaps), device 0 first: the one the
    // program plays on unless told otherwise.
    static std::vector<std::string> device_names();

    unsigned get_num_devs() override;
    MmResult open(WaveOutHandle* handle, unsigned device_id, const WaveFormat& format,
                  WindowHandle callback_window, std::uintptr_t instance, std::uint32_t flags) override;
    MmResult prepare_header(WaveOutHandle handle, WaveHeader* header) override;
    MmResult unprepare_header(WaveOutHandle handle, WaveHeader* header) override;
    MmResult write(WaveOutHandle handle, WaveHeader* header) override;
    MmResult pause(WaveOutHandle handle) override;
    MmResult restart(WaveOutHandle handle) override;
    MmResult reset(WaveOutHandle handle) override;
    MmResult close(WaveOutHandle handle) override;
};

} // namespace tonegen::win32
