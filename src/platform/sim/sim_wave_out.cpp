#include "platform/sim/sim_wave_out.h"

#include <cstring>
#include <utility>

namespace tonegen::sim {

bool SimWaveOut::valid(WaveOutHandle handle)
{
    if (is_open && handle == handle_value)
        return true;
    ++misuse;
    return false;
}

void SimWaveOut::hand_back(WaveHeader* header)
{
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    static_cast<void>(windowing_.post_message(callback, MM_WOM_DONE, 0, reinterpret_cast<std::intptr_t>(header)));
}

int SimWaveOut::play(int n)
{
    int finished = 0;
    while (finished < n && is_open && !paused && !stalled && !queue_.empty()) {
        const Queued& q = queue_.front();
        played.insert(played.end(), q.samples.begin(), q.samples.end());
        hand_back(q.header);
        queue_.pop_front();
        ++finished;
    }
    return finished;
}

unsigned SimWaveOut::get_num_devs()
{
    log_.push_back("waveOutGetNumDevs");
    return device_count;
}

MmResult SimWaveOut::open(WaveOutHandle* handle, unsigned device_id, const WaveFormat& fmt,
                          WindowHandle callback_window, std::uintptr_t instance, std::uint32_t flags)
{
    log_.push_back("waveOutOpen");
    if (device_id >= device_count)
        return mm_bad_device_id;
    if (refuse_open)
        return mm_error;
    if (refuse_format || !is_stream_format(fmt))
        return mm_bad_format;
    format = fmt;
    callback = callback_window;
    open_device = device_id;
    open_instance = instance;
    open_flags = flags;
    is_open = true;
    paused = false;
    *handle = handle_value;
    return mm_no_error;
}

MmResult SimWaveOut::prepare_header(WaveOutHandle handle, WaveHeader* header)
{
    log_.push_back("waveOutPrepareHeader");
    if (!valid(handle))
        return mm_error;
    if (prepares_++ == fail_prepare_at)
        return mm_no_memory;
    header->dwFlags |= WHDR_PREPARED;
    return mm_no_error;
}

MmResult SimWaveOut::unprepare_header(WaveOutHandle handle, WaveHeader* header)
{
    log_.push_back("waveOutUnprepareHeader");
    if (!valid(handle))
        return mm_error;
    if (header->dwFlags & WHDR_INQUEUE) {
        ++misuse;
        return mm_still_playing;
    }
    header->dwFlags &= ~WHDR_PREPARED;
    return mm_no_error;
}

MmResult SimWaveOut::write(WaveOutHandle handle, WaveHeader* header)
{
    if (!valid(handle) || refuse_writes)
        return mm_error;
    if (!(header->dwFlags & WHDR_PREPARED) || (header->dwFlags & WHDR_INQUEUE)) {
        ++misuse;
        return mm_error;
    }
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    std::vector<std::int16_t> samples(header->dwBufferLength / 2);
    if (!samples.empty())
        std::memcpy(samples.data(), header->lpData, 2 * samples.size());
    queue_.push_back({header, std::move(samples)});
    writes.push_back(header);
    return mm_no_error;
}

MmResult SimWaveOut::pause(WaveOutHandle handle)
{
    log_.push_back("waveOutPause");
    if (!valid(handle))
        return mm_error;
    paused = true;
    return mm_no_error;
}

MmResult SimWaveOut::restart(WaveOutHandle handle)
{
    log_.push_back("waveOutRestart");
    if (!valid(handle) || refuse_restart)
        return mm_error;
    paused = false;
    return mm_no_error;
}

MmResult SimWaveOut::reset(WaveOutHandle handle)
{
    log_.push_back("waveOutReset");
    if (!valid(handle) || stalled)
        return mm_error;
    while (!queue_.empty()) {
        hand_back(queue_.front().header);
        queue_.pop_front();
    }
    paused = false;
    return mm_no_error;
}

MmResult SimWaveOut::close(WaveOutHandle handle)
{
    log_.push_back("waveOutClose");
    if (!valid(handle))
        return mm_error;
    if (stalled) {
        queue_.clear();
    } else if (!queue_.empty()) {
        ++misuse;
        return mm_still_playing;
    }
    is_open = false;
    return mm_no_error;
}

} // namespace tonegen::sim
