#include "audio/stream.h"

#include "synth/synth.h"

#include <cmath>
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

std::int64_t frames_per_buffer(const Settings& s)
{
    const std::int64_t block_align = s.wave_format.nBlockAlign;
    return block_align > 0 && s.buffer_bytes > 0 ? s.buffer_bytes / block_align : 0;
}

} // namespace

void start_frame_count(Settings& s)
{
    s.frames_filled = 0;
    s.stream_resumed = false;
    s.stop_count = s.stop_after_frames > 0 ? StopCount::counting : StopCount::off;
    s.stop_frame = s.stop_after_frames;
}

double stop_fade_gain(const Settings& s, std::int64_t frame)
{
    if (s.stop_count == StopCount::off)
        return 1.0;
    const std::int64_t left = s.stop_frame - frame;
    if (left <= 0)
        return 0.0;
    if (left >= stop_fade_frames)
        return 1.0;
    return static_cast<double>(left) / static_cast<double>(stop_fade_frames);
}

void fill_stream_buffer(Settings& s, char* data)
{
    fill_buffer(s, data);
    const std::int64_t frames = frames_per_buffer(s);
    const std::int64_t first = s.frames_filled;
    s.frames_filled += frames;
    if (s.stop_count == StopCount::off || first + frames <= s.stop_frame - stop_fade_frames)
        return;
    const std::int64_t block_align = s.wave_format.nBlockAlign;
    unsigned char* out = reinterpret_cast<unsigned char*>(data);
    for (std::int64_t i = 0; i < frames; ++i) {
        const double gain = stop_fade_gain(s, first + i);
        for (std::int64_t b = i * block_align; b + 1 < (i + 1) * block_align; b += 2) {
            const auto sample = static_cast<std::int16_t>(out[b] | out[b + 1] << 8);
            const auto faded = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::nearbyint(sample * gain)));
            out[b] = static_cast<unsigned char>(faded & 0xFF);
            out[b + 1] = static_cast<unsigned char>(faded >> 8);
        }
    }
}

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
    s.buffer_first_frames.assign(static_cast<std::size_t>(s.buffer_count), -1);
    start_frame_count(s);

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
    if (paused) {
        // Before the first release the count armed at the open stands.
        if (s.stream_resumed && s.stop_count == StopCount::counting)
            s.stop_count = StopCount::off;
        static_cast<void>(p.wave_out.pause(s.wave_out));
        return;
    }
    if (s.stop_after_frames > 0 && s.stream_resumed) {
        // What is queued was filled before this release and may hold the
        // end of an earlier count: it comes back to be filled again, so the
        // first frame heard now is the next one filled.
        static_cast<void>(p.wave_out.reset(s.wave_out));
        s.stop_frame = s.frames_filled + s.stop_after_frames;
        s.stop_count = StopCount::counting;
    }
    s.stream_resumed = true;
    static_cast<void>(p.wave_out.restart(s.wave_out));
}

bool on_buffer_done(Settings& s, Platform& p, std::intptr_t header_address)
{
    // A header still queued is the device's until it hands it back: filling
    // it would overwrite sound not yet heard and queue it twice.
    WaveHeader* header = ring_header(s, header_address);
    if (!header || (header->dwFlags & WHDR_INQUEUE))
        return false;
    const auto index = static_cast<std::size_t>(header - s.wave_headers.get());
    if (index >= s.buffer_first_frames.size())
        return false;
    std::int64_t& first = s.buffer_first_frames[index];
    // Played through the count's last sounding frame (a header handed back
    // unfilled, at the priming, has no frames).
    const bool ended = s.stop_count == StopCount::counting && s.output_paused == 0 && first >= 0 &&
                       first + frames_per_buffer(s) >= s.stop_frame;
    if (ended)
        s.stop_count = StopCount::ended;
    s.done_header = header;
    first = s.frames_filled;
    fill_stream_buffer(s, header->lpData);
    static_cast<void>(p.wave_out.write(s.wave_out, header));
    return ended;
}

} // namespace tonegen
