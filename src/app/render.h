// tonegen-render: what the program plays, as a file.
//
// How it works: a Settings record of its own gets the setup and its
// normalised amplitudes, and the same fill_buffer as the live stream makes
// the same buffers (stream_buffer_frames) in the same order, from the same
// phases: the stream from its first sound, sample for sample. The test signals are mixed
// as the Linux player mixes them (signals/sound_player.h), from their first
// sample, and added to the tones with 16-bit saturation as the sound server
// adds two streams. With --stop-after the stream's own stop timer ends the
// tones from the first sample on, and the same fade ends the test signals.
// The file is written beside the name asked for and
// renamed to it only when it is complete.
#pragma once

#include "app/command_line.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tonegen {

// The stream's samples, buffer after buffer.
class StreamRender {
public:
    // `assets` holds the recordings; a recording asked for that cannot be
    // read is a failure of the constructor's `ok`.
    StreamRender(const RenderOptions& options, const Assets& assets);
    ~StreamRender();
    StreamRender(const StreamRender&) = delete;
    StreamRender& operator=(const StreamRender&) = delete;

    // Empty when the render can run, else what stops it.
    const std::string& problem() const { return problem_; }

    // The next `frames` samples.
    void next(std::int16_t* out, std::size_t frames);

private:
    struct State;
    std::unique_ptr<State> state_;
    std::string problem_;
};

// Called as the file grows: frames written so far, of how many.
using RenderProgress = std::function<void(std::int64_t written, std::int64_t total)>;

// Writes the file the options name; the message when it could not, with no
// file left under that name (nor beside it).
std::string render_file(const RenderOptions& options, const Assets& assets, const RenderProgress& progress);

// The whole command: options, help, version, the render with a progress bar
// on `err` when it is a terminal. Returns the exit code: 0 done, 1 the file
// could not be made or the command line is wrong (the message on `err`).
int run_render(const std::vector<std::string>& arguments, const Assets& assets, bool err_is_terminal,
               std::FILE* out, std::FILE* err);

} // namespace tonegen
