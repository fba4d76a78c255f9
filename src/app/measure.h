// tonegen-measure: what a device did to a setup's tones.
//
// How it works: the setup's samples are those tonegen-render writes (the
// live stream's from its first sound). Live, the platform plays them on an
// output while it records an input for as long and a margin more (the
// way through the device takes time); offline, a WAV file is the
// recording and the render is as long as it. The core's analysis
// (analysis/multitone.h) measures the recording against the samples sent;
// the readings go to the terminal as a table, and to a CSV file and a
// picture if asked, each written aside and renamed when complete.
#pragma once

#include "analysis/measure_plot.h"
#include "app/render.h"
#include "app/start_up.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace tonegen {

// Recorded beyond what is played, for the way through the device.
constexpr std::int64_t measure_record_margin_frames = stream_rate * 3 / 2;

// What the platform does for the measure tool.
struct MeasureSystem {
    // The outputs and the inputs, each as --list-devices numbers them.
    std::function<OutputNames()> outputs;
    std::function<OutputNames()> inputs;
    // Plays `sent` on the output numbered `output` while it records
    // `record_frames` frames of the input numbered `input` (both counted
    // from 1 as listed), calling `progress` with the frames recorded. The
    // recording, or why there is none.
    std::function<std::variant<std::vector<std::int16_t>, std::string>(
        int output, int input, std::span<const std::int16_t> sent, std::int64_t record_frames,
        const RenderProgress& progress)>
        play_and_record;
    // The picture as a PNG file's bytes, or why there is none.
    std::function<std::variant<std::vector<unsigned char>, std::string>(const PlotPicture&)> png;
};

// The readings as the terminal shows them, and as the CSV file holds them.
std::string measurement_table(const Measurement& m);
std::string measurement_csv(const Measurement& m);

// The whole command. Returns the exit code: 0 measured, 1 nothing measured
// (the reason on `err`), 2 a command line that cannot run.
int run_measure(const std::vector<std::string>& arguments, const MeasureSystem& system, bool err_is_terminal,
                std::FILE* out, std::FILE* err);

} // namespace tonegen
