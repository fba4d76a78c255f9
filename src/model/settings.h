// The Settings record: every piece of state the program has, in one place.
//
// One global instance (`settings`), zero at process start, filled once by
// `apply_defaults` during start-up and then read and written directly by
// every part of the program on the GUI thread. Nothing of it is ever saved.
// Operations take the record by reference so that tests make their own.
//
// Only the GUI thread touches it: the wave-out device reports finished
// buffers by window messages handled inside event waits, so a buffer fill
// never overlaps a change of the Tone bank and no field needs a lock.
#pragma once

#include "platform/sound_player_port.h"
#include "platform/wave_out_port.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tonegen {

constexpr int tone_slots = 20;

// One slot of the Tone bank. Tone k owns frequency field k, gain scroll bar
// 20 + k and gain label 120 + k (model/controls.h).
struct Tone {
    std::int64_t frequency;  // Hz, 22..22050       default 80..20000  writer: on_frequency_event
    float gain;              // 0..1, bar / 100     default 0.44f      writer: on_gain_event
    float amplitude;         // peak, sample units  0 until computed   writer: normalise_gains
    double phase;            // radians, 0..2 pi    0                  writer: fill_buffer
    double phase_step;       // radians per frame, working value of one fill
    double sample_value;     // sine of phase, working value of one frame
};

// One recording loaded into the test-signal player, under its sound number.
struct Sound {
    SoundBufferHandle buffer;
    long volume;       // as read right after loading
    std::int32_t peak; // the recording's largest sample magnitude, measured when loaded
    double rms;        // and its RMS, in sample units
};

// The test-signal player's own state (signals/sound_player.h works on it).
struct SoundPlayer {
    bool ready = false;                   // brought up             init_sound_effects
    // The device object was made but its set-up failed: the player stays
    // unavailable for the rest of the run.
    bool device_failed = false;           //                        init_sound_effects
    std::array<long, 101> volume_table{}; // per cent -> attenuation + 10000, filled once
    std::map<int, Sound> sounds;          // by sound number        load_sound
};

// What one control says beyond its caption: its tooltip, and the name and
// value that assistive technology reads out (ui/control_texts.h makes them).
struct ControlText {
    int control;
    std::string tooltip;
    std::string accessible_name;
    // Empty where the control's own state says it all (the toggles).
    std::string accessible_value;
};

// Where the stop timer stands: not counting (no timer, or a pause cancelled
// the count), counting toward stop_frame, or ended there (the stream is
// silent from stop_frame on until the next release of ON/OFF).
enum class StopCount { off, counting, ended };

struct Settings {
    Tone tones[tone_slots];          //                                      the Tone bank

    // Stream format and geometry.
    std::int64_t sample_rate;        // frames per second    default stream_rate
    std::int64_t channel_count;      // always mono          default 1
    std::int64_t bytes_per_sample;   // 16-bit samples       default 2
    std::int64_t tone_count;         // N of the mix         default 20
    std::int64_t buffer_count;       // buffers in the ring  default 8
    std::int64_t buffer_bytes;       // bytes of one buffer  0; open_stream: channel_count * 2 * stream_buffer_frames
    std::int64_t device_number;      // counted from 1       default 1

    // Switch states, 0 or 1, from the toggles' pressed state.
    std::int64_t output_paused;      // ON/OFF pressed       default 1      writer: toggle_output
    std::int64_t sweep_on;           //                      default 0      writer: sweep toggle
    std::int64_t pink_on;            //                      default 0      writer: pink toggle
    // The sweep's sample being heard, as its player last said while it played.
    std::int64_t sweep_heard;        //                      0              writer: follow_sweep

    std::int64_t about_choice;       // last About box result  0           writer: start-up, About toggle

    // Layout start values, used while the main window is built.
    std::int64_t label_x;            // x of the frequency column  default 18
    std::int64_t gain_x;             // x of the gain column       default 126
    std::int64_t row_y;              // y of the first row frame   default 33; advanced while building
    std::int64_t gain_max;           // top of every gain bar      default 100

    // Output stream objects, owned by the stream.
    WaveOutHandle wave_out;          // the open device, 0 when none        writer: open_stream
    WaveFormat wave_format;          // filled at each open                 writer: open_stream
    std::unique_ptr<WaveHeader[]> wave_headers; // buffer_count headers     apply_defaults
    std::unique_ptr<char[]> audio_block;        // buffer_count * buffer_bytes  open_stream
    WaveHeader* done_header;         // named by the latest completion      on_buffer_done
    bool device_open;                // the device was opened and not yet closed
    // The stop timer (--stop-after), counted in the stream's own frames so
    // that the render makes the same samples (audio/stream.h says how).
    std::int64_t stop_after_frames;  // sounding time, 0: no timer  default 0  writer: start-up
    std::int64_t frames_filled;      // frames filled since the stream opened  fill_stream_buffer
    std::vector<std::int64_t> buffer_first_frames; // per header, its first frame, -1 unfilled  on_buffer_done
    StopCount stop_count;            // the timer's state        off           writer: the stream
    std::int64_t stop_frame;         // the count's first silent frame         writer: the stream
    bool stream_resumed;             // released since it opened               set_output_paused

    SoundPlayer player;              // the test-signal player              init_sound_effects

    // The texts each control shows now, as last sent to the platform, so
    // that only the ones that change are sent again.
    std::map<int, ControlText> shown_texts; // by control, empty at start    show_control_texts
};

// The program's one record.
extern Settings settings;

// Writes every default above and allocates the zero-filled wave headers.
// Computes no amplitudes: the first normalisation runs at the first refresh
// of the controls.
void apply_defaults(Settings& s);

} // namespace tonegen
