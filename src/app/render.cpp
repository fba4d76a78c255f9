#include "app/render.h"

#include "app/output_file.h"
#include "audio/stream.h"
#include "formats/wave_file.h"
#include "signals/sound_player.h"
#include "synth/synth.h"

#include <optional>

namespace tonegen {

namespace {

constexpr std::size_t buffer_frames = stream_buffer_frames; // one buffer of the live stream's ring

// A recording being looped: its 16-bit samples and where it stands.
struct Loop {
    const unsigned char* data = nullptr;
    std::size_t samples = 0;
    std::size_t position = 0;

    double next(double gain)
    {
        if (position == samples)
            position = 0;
        const auto sample = static_cast<std::int16_t>(data[2 * position] | data[2 * position + 1] << 8);
        ++position;
        return sample * gain;
    }
};

std::optional<Loop> loop_of(std::span<const unsigned char> image)
{
    const std::optional<WaveImage> wave = parse_wave_image(image);
    if (!wave || !is_stream_format(wave->format) || wave->bytes < 2)
        return std::nullopt;
    return Loop{wave->data, wave->bytes / 2, 0};
}

std::int16_t saturated_sum(std::int32_t a, std::int32_t b)
{
    const std::int32_t sum = a + b;
    return static_cast<std::int16_t>(sum > INT16_MAX ? INT16_MAX : sum < INT16_MIN ? INT16_MIN : sum);
}

} // namespace

struct StreamRender::State {
    Settings settings{};
    std::vector<char> buffer = std::vector<char>(buffer_frames * 2);
    std::size_t used = buffer_frames; // frames of `buffer` already handed out
    std::int64_t frame = 0;           // of the stream, the next handed out
    std::vector<Loop> loops;          // in the order the program loads them: sweep, pink
    double gain = 0.0;
};

StreamRender::StreamRender(const RenderOptions& options, const Assets& assets) : state_(std::make_unique<State>())
{
    Settings& s = state_->settings;
    apply_defaults(s);
    if (options.setup)
        load_setup(s, *options.setup);
    normalise_gains(s);
    s.wave_format.nBlockAlign = 2;
    s.buffer_bytes = static_cast<std::int64_t>(buffer_frames * 2);
    s.stop_after_frames = options.stop_after_seconds * stream_rate;
    start_frame_count(s);

    fill_volume_table(s.player);
    state_->gain = linear_gain(volume_attenuation(s.player, test_signal_volume));
    const std::pair<bool, std::span<const unsigned char>> wanted[] = {{options.sweep, assets.sweep},
                                                                      {options.pink, assets.pink}};
    for (const auto& [on, image] : wanted) {
        if (!on)
            continue;
        if (const std::optional<Loop> loop = loop_of(image))
            state_->loops.push_back(*loop);
        else
            problem_ = "a test signal carried by the program cannot be read";
    }
}

StreamRender::~StreamRender() = default;

void StreamRender::next(std::int16_t* out, std::size_t frames)
{
    State& st = *state_;
    for (std::size_t i = 0; i < frames; ++i) {
        if (st.used == buffer_frames) {
            fill_stream_buffer(st.settings, st.buffer.data());
            st.used = 0;
        }
        const unsigned char* b = reinterpret_cast<const unsigned char*>(st.buffer.data()) + 2 * st.used++;
        const auto tone = static_cast<std::int16_t>(b[0] | b[1] << 8);
        const double fade = stop_fade_gain(st.settings, st.frame++);
        if (st.loops.empty()) {
            out[i] = tone;
            continue;
        }
        double sum = 0.0;
        for (Loop& loop : st.loops)
            sum += loop.next(st.gain);
        // The stop timer ends the test signals with the tones' own fade.
        out[i] = saturated_sum(tone, mixed_sample(fade == 1.0 ? sum : sum * fade));
    }
}

std::string render_file(const RenderOptions& options, const Assets& assets, const RenderProgress& progress)
{
    StreamRender render(options, assets);
    if (!render.problem().empty())
        return render.problem();

    return write_file_aside(options.output, [&](const WriteBytes& write) {
        const std::array<unsigned char, 44> head = wave_file_head(static_cast<std::uint32_t>(options.frames));
        if (!write(head.data(), head.size()))
            return;
        std::vector<std::int16_t> samples(buffer_frames);
        std::vector<unsigned char> bytes(buffer_frames * 2);
        for (std::int64_t done = 0; done < options.frames;) {
            const auto n = static_cast<std::size_t>(std::min<std::int64_t>(buffer_frames, options.frames - done));
            render.next(samples.data(), n);
            for (std::size_t i = 0; i < n; ++i) {
                const auto v = static_cast<std::uint16_t>(samples[i]);
                bytes[2 * i] = static_cast<unsigned char>(v & 0xFF);
                bytes[2 * i + 1] = static_cast<unsigned char>(v >> 8);
            }
            if (!write(bytes.data(), 2 * n))
                return;
            done += static_cast<std::int64_t>(n);
            if (progress)
                progress(done, options.frames);
        }
    });
}

int run_render(const std::vector<std::string>& arguments, const Assets& assets, bool err_is_terminal,
               std::FILE* out, std::FILE* err)
{
    auto parsed = parse_render_options(arguments);
    if (std::holds_alternative<CommandLineError>(parsed)) {
        std::fprintf(err, "tonegen-render: %s\n%s\n", std::get<CommandLineError>(parsed).message.c_str(),
                     render_usage().c_str());
        return 1;
    }
    const RenderOptions& options = std::get<RenderOptions>(parsed);
    if (options.help) {
        std::fputs(render_help().c_str(), out);
        return 0;
    }
    if (options.version) {
        std::fputs(version_text("tonegen-render").c_str(), out);
        return 0;
    }

    ProgressBar shown(err);
    const RenderProgress bar = [&](std::int64_t written, std::int64_t total) { shown.show(written, total); };
    // Worth a bar only when it lasts: more than ten seconds of sound.
    const bool with_bar = err_is_terminal && options.frames > std::int64_t{10} * stream_rate;
    const std::string problem = render_file(options, assets, with_bar ? bar : RenderProgress{});
    if (!problem.empty()) {
        shown.end();
        std::fprintf(err, "tonegen-render: %s\n", problem.c_str());
        return 1;
    }
    return 0;
}

} // namespace tonegen
