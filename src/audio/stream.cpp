#include "audio/stream.h"

#include "synth/synth.h"

#include <new>

namespace tonegen {

namespace {

// A notice names a header by address; only the ring's own headers are ever
// filled, whatever else arrives under that message number.
WaveHeader* ring_header(const Settings& s, std::intptr_t address)
{
    if (!s.device_open || !s.wave_headers || !s.audio_block)
        return nullptr;
    for (std::int64_t i = 0; i < s.buffer_count; ++i) {
        WaveHeader* header = &s.wave_headers[static_cast<std::size_t>(i)];
        if (reinterpret_cast<std::intptr_t>(header) == address)
            return header;
    }
    return nullptr;
}

} // namespace

bool open_stream(Settings& s, Platform& p)
{
    WaveFormat& f = s.wave_format;
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = static_cast<std::uint16_t>(s.channel_count);
    f.nSamplesPerSec = static_cast<std::uint32_t>(s.sample_rate);
    f.nBlockAlign = static_cast<std::uint16_t>(s.channel_count * s.bytes_per_sample);
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    f.wBitsPerSample = static_cast<std::uint16_t>(s.bytes_per_sample * 8);

    s.buffer_bytes = s.channel_count * stream_buffer_frames * 2; // 16-bit samples
    if (!s.wave_headers || s.buffer_count <= 0)
        return false;
    const auto block_bytes = static_cast<std::size_t>(s.buffer_count * s.buffer_bytes);
    s.audio_block.reset(new (std::nothrow) char[block_bytes]());
    if (!s.audio_block)
        return false;

    const MmResult opened = p.wave_out.open(&s.wave_out, static_cast<unsigned>(s.device_number - 1), f,
                                            p.main_window, 1, CALLBACK_WINDOW | WAVE_FORMAT_DIRECT);
    if (opened != mm_no_error)
        return false;
    s.device_open = true;

    MmResult prepared = mm_no_error;
    for (std::int64_t i = 0; i < s.buffer_count; ++i) {
        WaveHeader& h = s.wave_headers[static_cast<std::size_t>(i)];
        h = WaveHeader{};
        h.lpData = s.audio_block.get() + i * s.buffer_bytes;
        h.dwBufferLength = static_cast<std::uint32_t>(s.buffer_bytes);
        prepared |= p.wave_out.prepare_header(s.wave_out, &h);
    }
    // An unprepared header must never be queued, so a ring that is not whole
    // is not primed at all.
    if (prepared != mm_no_error)
        return false;

    // Posted, not handled now: the notices are handled inside later event
    // waits, after the pause below has taken effect.
    for (std::int64_t i = 0; i < s.buffer_count; ++i) {
        WaveHeader* h = &s.wave_headers[static_cast<std::size_t>(i)];
        static_cast<void>(p.windowing.post_message(p.main_window, MM_WOM_DONE, 0,
                                                   reinterpret_cast<std::intptr_t>(h)));
    }
    if (s.output_paused == 1)
        static_cast<void>(p.wave_out.pause(s.wave_out));
    return true;
}

void close_stream(Settings& s, Platform& p)
{
    if (!s.device_open)
        return;
    static_cast<void>(p.wave_out.reset(s.wave_out));
    for (std::int64_t i = 0; i < s.buffer_count; ++i) {
        WaveHeader* h = &s.wave_headers[static_cast<std::size_t>(i)];
        if (h->dwFlags & WHDR_PREPARED)
            static_cast<void>(p.wave_out.unprepare_header(s.wave_out, h));
    }
    static_cast<void>(p.wave_out.close(s.wave_out));
    s.device_open = false;
}

void set_output_paused(Settings& s, Platform& p, bool paused)
{
    s.output_paused = paused ? 1 : 0;
    if (paused)
        static_cast<void>(p.wave_out.pause(s.wave_out));
    else
        static_cast<void>(p.wave_out.restart(s.wave_out));
}

void on_buffer_done(Settings& s, Platform& p, std::intptr_t header_address)
{
    // A header still queued is the device's until it hands it back: filling
    // it would overwrite sound not yet heard and queue it twice.
    WaveHeader* header = ring_header(s, header_address);
    if (!header || (header->dwFlags & WHDR_INQUEUE))
        return;
    s.done_header = header;
    fill_buffer(s, header->lpData);
    static_cast<void>(p.wave_out.write(s.wave_out, header));
}

} // namespace tonegen
