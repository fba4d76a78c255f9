#include "app/measure.h"

#include "app/output_file.h"
#include "formats/wave_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace tonegen {

namespace {

// A recording of twelve minutes; longer ones are not read into memory.
constexpr std::uintmax_t longest_recording_bytes = std::uintmax_t{12} * 60 * stream_rate * 2 + 4096;

std::string format(const char* pattern, auto... values)
{
    char text[256];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

std::variant<std::vector<std::int16_t>, std::string> read_recording(const std::string& name)
{
    const std::filesystem::path path(std::u8string(name.begin(), name.end()));
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return "cannot read the recording " + name + ": " + error.message();
    if (size > longest_recording_bytes)
        return "the recording " + name + " is longer than 12 minutes";
    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::optional<WaveImage> wave = parse_wave_image(bytes);
    if (!wave)
        return "the recording " + name + " is not a WAV file of PCM samples";
    if (!is_stream_format(wave->format))
        return "the recording " + name + " is not mono 16-bit PCM at 44100 Hz";
    std::vector<std::int16_t> samples(wave->bytes / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(wave->data[2 * i] | wave->data[2 * i + 1] << 8);
    return samples;
}

std::vector<std::int16_t> render(const std::optional<ToneSetup>& setup, std::int64_t frames)
{
    RenderOptions options;
    options.setup = setup;
    StreamRender r(options, Assets{});
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
    r.next(out.data(), out.size());
    return out;
}

// The device --device or --input names, or the default one (1); the
// message when it names none.
std::variant<int, std::string> device_named(const std::optional<std::string>& wanted,
                                            const std::function<OutputNames()>& list, std::string_view kind)
{
    const OutputNames names = list();
    if (!wanted)
        return names.names.empty() ? std::variant<int, std::string>("there is no " + std::string(kind)) : 1;
    return find_device(names.names, *wanted, names.server_names, kind);
}

} // namespace

std::string measurement_table(const Measurement& m)
{
    std::string t = format("%d s averaged; the signal starts %lld samples (%.3f s) into the recording\n\n", m.periods,
                           static_cast<long long>(m.delay), double(m.delay) / stream_rate);
    t += " tone  frequency       sent   received     gain     phase\n";
    t += "             (Hz)     (dBFS)     (dBFS)     (dB)     (deg)\n";
    for (const ToneReading& r : m.tones)
        t += format(" %4d  %9lld  %9.2f  %9.2f  %7.2f  %8.1f\n", r.tone, static_cast<long long>(r.frequency),
                    r.sent_dbfs, r.received_dbfs, r.gain_db, r.phase_deg);
    t += m.products.empty() ? "\nNo harmonic or product stands above the floor.\n"
                            : "\n product   frequency       sent   received\n"
                              "                (Hz)     (dBFS)     (dBFS)\n";
    for (const ProductReading& p : m.products)
        t += format(" %-9s %9lld  %9.2f  %9.2f\n", p.name.c_str(), static_cast<long long>(p.frequency), p.sent_dbfs,
                    p.received_dbfs);
    t += format("\nNoise floor: %.2f dBFS per bin\nTHD+N: %.2f dB\n", m.noise_floor_dbfs, m.thd_n_db);
    return t;
}

std::string measurement_csv(const Measurement& m)
{
    std::string t = "tone,frequency_hz,sent_dbfs,received_dbfs,gain_db,phase_deg\n";
    for (const ToneReading& r : m.tones)
        t += format("%d,%lld,%.3f,%.3f,%.3f,%.2f\n", r.tone, static_cast<long long>(r.frequency), r.sent_dbfs,
                    r.received_dbfs, r.gain_db, r.phase_deg);
    t += "\nproduct,frequency_hz,sent_dbfs,received_dbfs\n";
    for (const ProductReading& p : m.products)
        t += format("%s,%lld,%.3f,%.3f\n", p.name.c_str(), static_cast<long long>(p.frequency), p.sent_dbfs,
                    p.received_dbfs);
    t += "\nmeasure,value\n";
    t += format("noise_floor_dbfs_per_bin,%.3f\nthd_n_db,%.3f\ndelay_samples,%lld\nseconds_averaged,%d\n",
                m.noise_floor_dbfs, m.thd_n_db, static_cast<long long>(m.delay), m.periods);
    return t;
}

int run_measure(const std::vector<std::string>& arguments, const MeasureSystem& system, bool err_is_terminal,
                std::FILE* out, std::FILE* err)
{
    auto parsed = parse_measure_options(arguments);
    if (std::holds_alternative<CommandLineError>(parsed)) {
        std::fprintf(err, "tonegen-measure: %s\n%s\n", std::get<CommandLineError>(parsed).message.c_str(),
                     measure_usage().c_str());
        return 2;
    }
    const MeasureOptions& options = std::get<MeasureOptions>(parsed);
    if (options.help || options.version || options.list_inputs) {
        if (options.help)
            std::fputs(measure_help().c_str(), out);
        else if (options.version)
            std::fputs(version_text("tonegen-measure").c_str(), out);
        else {
            const OutputNames inputs = system.inputs();
            std::fputs(device_list(inputs.names, inputs.server_names, "input").c_str(), out);
        }
        return 0;
    }
    auto fail = [&](const std::string& message, int code) {
        std::fprintf(err, "tonegen-measure: %s\n", message.c_str());
        return code;
    };

    std::vector<std::int16_t> sent, recording;
    if (!options.wav.empty()) {
        auto read = read_recording(options.wav);
        if (std::holds_alternative<std::string>(read))
            return fail(std::get<std::string>(read), 1);
        recording = std::move(std::get<std::vector<std::int16_t>>(read));
        sent = render(options.setup, static_cast<std::int64_t>(recording.size()));
    } else {
        const auto output = device_named(options.device, system.outputs, "output device");
        const auto input = device_named(options.input, system.inputs, "input");
        for (const auto* found : {&output, &input})
            if (std::holds_alternative<std::string>(*found))
                return fail(std::get<std::string>(*found), 2);
        sent = render(options.setup, options.frames);
        ProgressBar bar(err);
        const RenderProgress progress = [&](std::int64_t done, std::int64_t total) {
            if (err_is_terminal)
                bar.show(done, total);
        };
        auto recorded = system.play_and_record(std::get<int>(output), std::get<int>(input), sent,
                                               options.frames + measure_record_margin_frames, progress);
        if (err_is_terminal)
            bar.end();
        if (std::holds_alternative<std::string>(recorded))
            return fail(std::get<std::string>(recorded), 1);
        recording = std::move(std::get<std::vector<std::int16_t>>(recorded));
    }

    ToneSetup setup{};
    if (options.setup) {
        setup = *options.setup;
    } else {
        Settings defaults{};
        apply_defaults(defaults);
        setup = setup_of(defaults);
    }
    const auto measured = measure_recording(setup, sent, recording);
    if (std::holds_alternative<std::string>(measured))
        return fail(std::get<std::string>(measured), 1);
    const Measurement& m = std::get<Measurement>(measured);
    std::fputs(measurement_table(m).c_str(), out);

    if (!options.csv.empty()) {
        const std::string text = measurement_csv(m);
        const std::string problem =
            write_file_aside(options.csv, [&](const WriteBytes& write) { write(text.data(), text.size()); });
        if (!problem.empty())
            return fail(problem, 1);
    }
    if (!options.plot.empty()) {
        auto png = system.png(measurement_plot(m));
        if (std::holds_alternative<std::string>(png))
            return fail(std::get<std::string>(png), 1);
        const auto& bytes = std::get<std::vector<unsigned char>>(png);
        const std::string problem =
            write_file_aside(options.plot, [&](const WriteBytes& write) { write(bytes.data(), bytes.size()); });
        if (!problem.empty())
            return fail(problem, 1);
    }
    return 0;
}

} // namespace tonegen
