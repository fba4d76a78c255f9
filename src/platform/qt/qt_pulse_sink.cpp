// How it works: see qt_pulse_sink.h. Every libpulse call on a stream is made
// with its main loop locked: on the loop's own thread (the callbacks) it
// already is, on the GUI thread the sink locks it.
#include "platform/qt/qt_pulse_sink.h"

#include "platform/wave_out_port.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QList>
#include <QMediaDevices>

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <utility>

namespace tonegen::qt {

namespace {

constexpr std::uint32_t frame_bytes = 2; // one mono 16-bit frame
constexpr std::uint32_t ms_bytes(std::uint32_t ms)
{
    return stream_rate * ms / 1000 * frame_bytes;
}

// What the stream keeps queued at the server, sink included. Pause (a cork),
// reset (a flush) and close act at the server at once, so this length does
// not delay them; what it buys is slack on a loaded machine: the loop refills
// a request's length at a time, and the rest must last until it has run.
// A change of the tones is heard this much later on top of the ring.
constexpr std::uint32_t target_bytes = ms_bytes(400);
// How far the buffer falls before the server asks for more: one wake-up of
// the loop per request, about ten a second.
constexpr std::uint32_t request_bytes = ms_bytes(100);
constexpr pa_usec_t open_limit_usec = 2 * PA_USEC_PER_SEC;

class PulseSink final : public SoundSink {
public:
    PulseSink(std::string device, const char* stream_name, std::function<void()> failed)
        : device_(std::move(device)), stream_name_(stream_name), failed_(std::move(failed))
    {
    }
    ~PulseSink() override { close(); }
    PulseSink(const PulseSink&) = delete;
    PulseSink& operator=(const PulseSink&) = delete;

    bool open(SoundFeed& feed, bool paused) override
    {
        close();
        feed_ = &feed;
        paused_ = paused;
        loop_ = pa_threaded_mainloop_new();
        if (!loop_)
            return false;
        if (pa_threaded_mainloop_start(loop_) < 0) {
            pa_threaded_mainloop_free(loop_);
            loop_ = nullptr;
            return false;
        }
        pa_threaded_mainloop_lock(loop_);
        const bool opened = connect(paused);
        pa_threaded_mainloop_unlock(loop_);
        if (!opened)
            close();
        return opened;
    }

    void set_paused(bool paused) override
    {
        with_stream([&] {
            paused_ = paused;
            unref(pa_stream_cork(stream_, paused ? 1 : 0, nullptr, nullptr));
            if (!paused) {
                fill_writable();
                // A stream that had run dry starts again without waiting for a full buffer.
                unref(pa_stream_trigger(stream_, nullptr, nullptr));
            }
        });
    }

    void flush() override
    {
        with_stream([&] { unref(pa_stream_flush(stream_, nullptr, nullptr)); });
    }

    void wake() override
    {
        with_stream([&] { fill_writable(); });
    }

    void close() override
    {
        if (!loop_)
            return;
        pa_threaded_mainloop_lock(loop_);
        ready_ = false;
        if (stream_) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            static_cast<void>(pa_stream_disconnect(stream_));
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        if (context_) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
            context_ = nullptr;
        }
        pa_threaded_mainloop_unlock(loop_);
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
        feed_ = nullptr;
    }

private:
    static void unref(pa_operation* op)
    {
        if (op)
            pa_operation_unref(op);
    }

    template <typename F>
    void with_stream(F&& f)
    {
        if (!loop_)
            return;
        pa_threaded_mainloop_lock(loop_);
        if (ready_ && pa_stream_get_state(stream_) == PA_STREAM_READY)
            f();
        pa_threaded_mainloop_unlock(loop_);
    }

    // Loop locked. Connection, then stream, each waited for up to the limit.
    bool connect(bool paused)
    {
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
        context_ = pa_context_new(api, "tonegen");
        if (!context_)
            return false;
        pa_context_set_state_callback(context_, &PulseSink::on_context_state, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;

        timeval deadline{};
        pa_timeval_add(pa_gettimeofday(&deadline), open_limit_usec);
        timed_out_ = false;
        pa_time_event* limit = api->time_new(api, &deadline, &PulseSink::on_limit, this);
        const bool ready = wait_context() && start_stream(paused) && wait_stream();
        api->time_free(limit);
        ready_ = ready;
        return ready;
    }

    bool wait_context()
    {
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context_);
            if (state == PA_CONTEXT_READY)
                return true;
            if (!PA_CONTEXT_IS_GOOD(state) || timed_out_)
                return false;
            pa_threaded_mainloop_wait(loop_);
        }
    }

    bool start_stream(bool paused)
    {
        const pa_sample_spec spec{PA_SAMPLE_S16LE, stream_rate, 1};
        stream_ = pa_stream_new(context_, stream_name_, &spec, nullptr);
        if (!stream_)
            return false;
        pa_stream_set_state_callback(stream_, &PulseSink::on_stream_state, this);
        pa_stream_set_write_callback(stream_, &PulseSink::on_request, this);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.tlength = target_bytes;
        attr.prebuf = static_cast<std::uint32_t>(-1);
        attr.minreq = request_bytes;
        attr.fragsize = static_cast<std::uint32_t>(-1);
        auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | (paused ? PA_STREAM_START_CORKED : 0));
        return pa_stream_connect_playback(stream_, device_.c_str(), &attr, flags, nullptr, nullptr) == 0;
    }

    bool wait_stream()
    {
        for (;;) {
            const pa_stream_state_t state = pa_stream_get_state(stream_);
            if (state == PA_STREAM_READY)
                return true;
            if (!PA_STREAM_IS_GOOD(state) || timed_out_)
                return false;
            pa_threaded_mainloop_wait(loop_);
        }
    }

    void fill_writable()
    {
        const std::size_t writable = pa_stream_writable_size(stream_);
        if (writable != static_cast<std::size_t>(-1))
            fill(writable);
    }

    // Loop locked: writes up to `bytes` bytes from the feed, in the blocks
    // the server's memory pool hands out, until the feed has no more. Held,
    // the feed is not read at all, as a paused device reads no header: the
    // server's request waits for the resume.
    void fill(std::size_t bytes)
    {
        if (paused_)
            return;
        while (bytes >= frame_bytes) {
            void* data = nullptr;
            std::size_t room = bytes;
            if (pa_stream_begin_write(stream_, &data, &room) < 0 || !data)
                return;
            room -= room % frame_bytes;
            const std::size_t got = room == 0 ? 0 : feed_->read(static_cast<char*>(data), room);
            if (got == 0) {
                static_cast<void>(pa_stream_cancel_write(stream_));
                return;
            }
            if (pa_stream_write(stream_, data, got, nullptr, 0, PA_SEEK_RELATIVE) < 0)
                return;
            bytes -= std::min(bytes, got);
            if (got < room)
                return;
        }
    }

    void report_failure()
    {
        if (!ready_ || told_)
            return;
        told_ = true;
        if (failed_)
            failed_();
    }

    static void on_context_state(pa_context* context, void* self_)
    {
        auto* self = static_cast<PulseSink*>(self_);
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
            self->report_failure();
        pa_threaded_mainloop_signal(self->loop_, 0);
    }

    static void on_stream_state(pa_stream* stream, void* self_)
    {
        auto* self = static_cast<PulseSink*>(self_);
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
            self->report_failure();
        pa_threaded_mainloop_signal(self->loop_, 0);
    }

    static void on_request(pa_stream* /*stream*/, std::size_t bytes, void* self_)
    {
        static_cast<PulseSink*>(self_)->fill(bytes);
    }

    static void on_limit(pa_mainloop_api* /*api*/, pa_time_event* /*event*/, const timeval* /*when*/, void* self_)
    {
        auto* self = static_cast<PulseSink*>(self_);
        self->timed_out_ = true;
        pa_threaded_mainloop_signal(self->loop_, 0);
    }

    const std::string device_;
    const char* const stream_name_;
    const std::function<void()> failed_;
    SoundFeed* feed_ = nullptr;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    bool ready_ = false;     // loop locked
    bool paused_ = false;    // loop locked
    bool told_ = false;      // loop locked
    bool timed_out_ = false; // loop locked
};

QAudioFormat stream_format()
{
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(stream_rate));
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

} // namespace

std::vector<SoundOutput> PulseSoundServer::outputs()
{
    QList<QAudioDevice> devices = QMediaDevices::audioOutputs();
    const QAudioDevice preferred = QMediaDevices::defaultAudioOutput();
    const auto it = std::find(devices.begin(), devices.end(), preferred);
    if (it != devices.end())
        static_cast<void>(std::rotate(devices.begin(), it, it + 1));
    const QAudioFormat format = stream_format();
    std::vector<SoundOutput> result;
    for (const QAudioDevice& d : devices)
        result.push_back({d.id().toStdString(), d.isFormatSupported(format), d.description().toStdString()});
    return result;
}

std::unique_ptr<SoundSink> PulseSoundServer::make_sink(const std::string& device, const char* stream_name,
                                                       std::function<void()> failed)
{
    return std::make_unique<PulseSink>(device, stream_name, std::move(failed));
}

} // namespace tonegen::qt
