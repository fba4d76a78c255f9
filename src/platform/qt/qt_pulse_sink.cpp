// How it works: see qt_pulse_sink.h. Every libpulse call on a stream is made
// with its main loop locked: on the loop's own thread (the callbacks) it
// already is, on the GUI thread the sink locks it.
#include "platform/qt/qt_pulse_sink.h"

#include "platform/wave_out_port.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace tonegen::qt {

namespace {

constexpr std::uint32_t frame_bytes = 2; // one mono 16-bit frame
constexpr std::uint32_t ms_bytes(std::uint32_t ms)
{
    return stream_rate * ms / 1000 * frame_bytes;
}
// Whole frames, rounded up: what a latency may still hold.
std::uint64_t usec_bytes_up(pa_usec_t usec)
{
    return (usec * stream_rate + PA_USEC_PER_SEC - 1) / PA_USEC_PER_SEC * frame_bytes;
}
pa_usec_t bytes_usec(std::uint64_t bytes)
{
    return bytes / frame_bytes * PA_USEC_PER_SEC / stream_rate;
}

constexpr pa_usec_t open_limit_usec = 2 * PA_USEC_PER_SEC;
// A point the feed wants to hear about is looked at this long after the
// server should have played it, so that one look mostly finds it played.
constexpr pa_usec_t report_lateness_usec = 2 * PA_USEC_PER_MSEC;
// A rewrite starts this far beyond where the server can have read to when
// its answer left, on top of twice the time answers take to come: the time
// the loop may take before the new bytes are on their way, and their way.
constexpr pa_usec_t rewrite_margin_usec = 40 * PA_USEC_PER_MSEC;

class PulseSink final : public SoundSink {
public:
    PulseSink(std::string device, const char* stream_name, StreamBuffer buffer, std::function<void()> failed)
        : device_(std::move(device)), stream_name_(stream_name), buffer_(buffer), failed_(std::move(failed))
    {
    }
    ~PulseSink() override { close(); }
    PulseSink(const PulseSink&) = delete;
    PulseSink& operator=(const PulseSink&) = delete;

    bool open(SoundFeed& feed, bool paused) override
    {
        close();
        feed_ = &feed;
        follows_play_ = feed.follows_play();
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
        if (opened)
            follow_play();
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
                follow_play();
            }
        });
    }

    void flush() override
    {
        with_stream([&] { unref(pa_stream_flush(stream_, nullptr, nullptr)); });
    }

    void wake() override
    {
        with_stream([&] {
            fill_writable();
            follow_play();
        });
    }

    void rewrite() override
    {
        with_stream([&] {
            if (rewrite_asking_)
                return; // the answer on its way serves this call too
            pa_operation* op = pa_stream_update_timing_info(stream_, &PulseSink::on_rewrite_timing, this);
            if (!op)
                return;
            rewrite_asking_ = true;
            pa_operation_unref(op);
        });
    }

    void close() override
    {
        if (!loop_)
            return;
        pa_threaded_mainloop_lock(loop_);
        ready_ = false;
        if (timer_) {
            pa_threaded_mainloop_get_api(loop_)->time_free(timer_);
            timer_ = nullptr;
        }
        timer_set_ = false;
        asking_ = false;
        rewrite_asking_ = false;
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
        // Queued at the server, sink included: pause (a cork), reset (a
        // flush) and close act there at once whatever its length.
        attr.tlength = ms_bytes(buffer_.queued_ms);
        attr.prebuf = static_cast<std::uint32_t>(-1);
        // One wake-up of the loop per request.
        attr.minreq = ms_bytes(buffer_.request_ms);
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
    // server's request waits for the resume. When the feed comes up short,
    // what it gave is played without waiting for the buffer to fill first
    // (it may be all there is until a header comes back).
    void fill(std::size_t bytes)
    {
        if (paused_)
            return;
        bool wrote = false;
        bool short_read = false;
        while (bytes >= frame_bytes) {
            void* data = nullptr;
            std::size_t room = bytes;
            if (pa_stream_begin_write(stream_, &data, &room) < 0 || !data)
                break;
            room -= room % frame_bytes;
            const std::size_t got = room == 0 ? 0 : feed_->read(static_cast<char*>(data), room);
            if (got == 0) {
                static_cast<void>(pa_stream_cancel_write(stream_));
                short_read = true;
                break;
            }
            if (pa_stream_write(stream_, data, got, nullptr, 0, PA_SEEK_RELATIVE) < 0)
                break;
            wrote = true;
            bytes -= std::min(bytes, got);
            if (got < room) {
                short_read = true;
                break;
            }
        }
        if (wrote && short_read)
            unref(pa_stream_trigger(stream_, nullptr, nullptr));
    }

    // The sink latency the stream's buffer asks for: the server keeps about
    // half of what is left after two requests in its sink, the rest queued.
    std::uint64_t asked_sink_bytes() const
    {
        const std::uint32_t queued = ms_bytes(buffer_.queued_ms), requests = 2 * ms_bytes(buffer_.request_ms);
        return queued > requests ? (queued - requests) / 2 : 0;
    }

    // Loop locked. Keeps the feed told: asks the server where its playing
    // stands unless an answer or a timer is already on its way. Not while
    // held: nothing is played then.
    void follow_play()
    {
        if (!follows_play_ || paused_ || timer_set_ || asking_)
            return;
        pa_operation* op = pa_stream_update_timing_info(stream_, &PulseSink::on_timing, this);
        if (!op)
            return;
        asking_ = true;
        pa_operation_unref(op);
    }

    // Loop locked, with the server's answer in: tells the feed what is still
    // to be played and sets the timer to the next point it wants.
    void report_played()
    {
        const pa_timing_info* t = pa_stream_get_timing_info(stream_);
        if (!t || t->write_index_corrupt || t->read_index_corrupt) {
            // The answer was asked for before a flush: ask again.
            follow_play();
            return;
        }
        // Written and not yet read by the server, and read but still in the
        // sink: all of the sink's latency while the stream plays; once it has
        // run dry, what is left of it after what the sink has played since.
        // The time the answer took is not counted, so the feed hears of a
        // sample late rather than early.
        std::int64_t unplayed = t->write_index - t->read_index;
        if (unplayed < 0)
            unplayed = 0;
        const std::uint64_t in_sink = usec_bytes_up(t->sink_usec);
        const auto since_underrun = static_cast<std::uint64_t>(std::max<std::int64_t>(t->since_underrun, 0));
        unplayed += static_cast<std::int64_t>(t->playing ? in_sink : in_sink - std::min(in_sink, since_underrun));
        const std::size_t wait = feed_->played(static_cast<std::size_t>(unplayed));
        if (wait == 0)
            return;
        pa_context* context = pa_stream_get_context(stream_);
        const pa_usec_t when = pa_rtclock_now() + bytes_usec(wait) + report_lateness_usec;
        if (!timer_)
            timer_ = pa_context_rttime_new(context, when, &PulseSink::on_timer, this);
        else
            pa_context_rttime_restart(context, timer_, when);
        timer_set_ = timer_ != nullptr;
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
        auto* self = static_cast<PulseSink*>(self_);
        self->fill(bytes);
        self->follow_play();
    }

    static void on_timing(pa_stream* /*stream*/, int success, void* self_)
    {
        auto* self = static_cast<PulseSink*>(self_);
        self->asking_ = false;
        if (success && self->ready_ && !self->paused_)
            self->report_played();
    }

    // Loop locked, with the server's answer in: the feed goes back from what
    // has been written to where the server cannot have read to before the
    // new bytes arrive (what is being heard, the sink's latency at most
    // ahead of it, and the margin), and the bytes from there are written
    // again over what the server holds.
    void write_over()
    {
        const pa_timing_info* t = pa_stream_get_timing_info(stream_);
        if (!t || t->write_index_corrupt || t->read_index_corrupt)
            return;
        // What the sink holds may grow to its latency before the bytes
        // arrive: the one the server gave the stream, or where it reports
        // more (PipeWire's pulse layer gives its longest cycle), the one the
        // stream asked for.
        const std::uint64_t in_sink = usec_bytes_up(t->sink_usec);
        const std::uint64_t sink_at_most =
            std::max(in_sink, std::min(usec_bytes_up(t->configured_sink_usec), asked_sink_bytes()));
        const std::uint64_t margin = usec_bytes_up(rewrite_margin_usec + 2 * t->transport_usec);
        const std::int64_t heard = t->read_index - static_cast<std::int64_t>(t->playing ? in_sink : 0);
        const std::int64_t from =
            std::max(t->read_index, heard + static_cast<std::int64_t>(sink_at_most + margin));
        if (from >= t->write_index)
            return; // the feed has not read beyond it: the change is heard from there already
        std::size_t left = static_cast<std::size_t>(t->write_index - from);
        left -= left % frame_bytes;
        if (left == 0 || !feed_->rewind(left))
            return;
        bool first = true;
        while (left > 0) {
            void* data = nullptr;
            std::size_t room = left;
            if (pa_stream_begin_write(stream_, &data, &room) < 0 || !data)
                return;
            room -= room % frame_bytes;
            const std::size_t got = room == 0 ? 0 : feed_->read(static_cast<char*>(data), room);
            if (got == 0) {
                static_cast<void>(pa_stream_cancel_write(stream_));
                return;
            }
            if (pa_stream_write(stream_, data, got, nullptr, first ? from : 0,
                                first ? PA_SEEK_ABSOLUTE : PA_SEEK_RELATIVE) < 0)
                return;
            first = false;
            left -= std::min(left, got);
        }
    }

    static void on_rewrite_timing(pa_stream* /*stream*/, int success, void* self_)
    {
        auto* self = static_cast<PulseSink*>(self_);
        self->rewrite_asking_ = false;
        if (success && self->ready_ && !self->paused_)
            self->write_over();
    }

    static void on_timer(pa_mainloop_api* /*api*/, pa_time_event* /*event*/, const timeval* /*when*/, void* self_)
    {
        auto* self = static_cast<PulseSink*>(self_);
        self->timer_set_ = false;
        if (self->ready_)
            self->follow_play();
    }

    static void on_limit(pa_mainloop_api* /*api*/, pa_time_event* /*event*/, const timeval* /*when*/, void* self_)
    {
        auto* self = static_cast<PulseSink*>(self_);
        self->timed_out_ = true;
        pa_threaded_mainloop_signal(self->loop_, 0);
    }

    const std::string device_;
    const char* const stream_name_;
    const StreamBuffer buffer_;
    const std::function<void()> failed_;
    SoundFeed* feed_ = nullptr;
    bool follows_play_ = false;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_time_event* timer_ = nullptr; // loop locked; made at the first report
    bool ready_ = false;     // loop locked
    bool paused_ = false;    // loop locked
    bool told_ = false;      // loop locked
    bool timed_out_ = false; // loop locked
    bool timer_set_ = false; // loop locked
    bool asking_ = false;    // loop locked: a timing update is on its way
    bool rewrite_asking_ = false; // loop locked: one for a rewrite is
};

// The server's outputs (its sinks) or inputs (its sources, the sinks'
// monitors among them), asked for on a connection of this call's own.
class DeviceQuery {
public:
    explicit DeviceQuery(bool sources) : sources_(sources), loop_(pa_mainloop_new()) {}
    ~DeviceQuery()
    {
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        if (loop_)
            pa_mainloop_free(loop_);
    }
    DeviceQuery(const DeviceQuery&) = delete;
    DeviceQuery& operator=(const DeviceQuery&) = delete;

    // The devices in the server's order and the default one's name; false
    // when no server answers within the limit.
    bool run()
    {
        if (!loop_)
            return false;
        pa_mainloop_api* api = pa_mainloop_get_api(loop_);
        context_ = pa_context_new(api, "tonegen");
        if (!context_ || pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        timeval deadline{};
        pa_timeval_add(pa_gettimeofday(&deadline), open_limit_usec);
        pa_time_event* limit = api->time_new(api, &deadline, &DeviceQuery::on_limit, this);
        const bool answered = wait([this] {
            const pa_context_state_t state = pa_context_get_state(context_);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        }) && pa_context_get_state(context_) == PA_CONTEXT_READY && ask() && wait([this] { return pending_ == 0; });
        api->time_free(limit);
        return answered && !failed_;
    }

    std::vector<SoundOutput> devices;
    std::string default_device;

private:
    bool ask()
    {
        pa_operation* info = pa_context_get_server_info(context_, &DeviceQuery::on_server, this);
        pa_operation* list = sources_ ? pa_context_get_source_info_list(context_, &DeviceQuery::on_source, this)
                                      : pa_context_get_sink_info_list(context_, &DeviceQuery::on_sink, this);
        for (pa_operation* op : {info, list}) {
            if (op) {
                ++pending_;
                pa_operation_unref(op);
            }
        }
        return info && list;
    }

    template <typename Done>
    bool wait(Done done)
    {
        while (!done()) {
            if (timed_out_ || pa_mainloop_iterate(loop_, 1, nullptr) < 0)
                return false;
        }
        return true;
    }

    static void on_server(pa_context* /*context*/, const pa_server_info* info, void* self_)
    {
        auto* self = static_cast<DeviceQuery*>(self_);
        const char* name = info ? (self->sources_ ? info->default_source_name : info->default_sink_name) : nullptr;
        if (name)
            self->default_device = name;
        --self->pending_;
    }

    // One device of the list, or its end (`info` null).
    void listed(const char* name, const char* description, int eol)
    {
        if (eol != 0) {
            failed_ = failed_ || eol < 0;
            --pending_;
            return;
        }
        // The server converts a stream to any device's own format and rate.
        devices.push_back({name ? name : "", true, description ? description : ""});
    }

    static void on_sink(pa_context* /*context*/, const pa_sink_info* info, int eol, void* self)
    {
        static_cast<DeviceQuery*>(self)->listed(info ? info->name : nullptr, info ? info->description : nullptr, eol);
    }

    static void on_source(pa_context* /*context*/, const pa_source_info* info, int eol, void* self)
    {
        static_cast<DeviceQuery*>(self)->listed(info ? info->name : nullptr, info ? info->description : nullptr, eol);
    }

    static void on_limit(pa_mainloop_api* /*api*/, pa_time_event* /*event*/, const timeval* /*when*/, void* self_)
    {
        static_cast<DeviceQuery*>(self_)->timed_out_ = true;
    }

    const bool sources_;
    pa_mainloop* loop_;
    pa_context* context_ = nullptr;
    int pending_ = 0;
    bool failed_ = false;
    bool timed_out_ = false;
};

} // namespace

namespace {

std::vector<SoundOutput> devices(bool sources)
{
    DeviceQuery query(sources);
    if (!query.run())
        return {};
    std::vector<SoundOutput> result = std::move(query.devices);
    const auto preferred = std::find_if(result.begin(), result.end(),
                                        [&](const SoundOutput& o) { return o.device == query.default_device; });
    if (preferred != result.end())
        static_cast<void>(std::rotate(result.begin(), preferred, preferred + 1));
    return result;
}

} // namespace

std::vector<SoundOutput> PulseSoundServer::outputs()
{
    return devices(false);
}

std::vector<SoundOutput> PulseSoundServer::inputs()
{
    return devices(true);
}

OutputNames names_of(const std::vector<SoundOutput>& devices)
{
    OutputNames out;
    for (const SoundOutput& device : devices) {
        out.names.push_back(device.description.empty() ? device.device : device.description);
        out.server_names.push_back(device.device);
    }
    return out;
}

std::unique_ptr<SoundSink> PulseSoundServer::make_sink(const std::string& device, const char* stream_name,
                                                       StreamBuffer buffer, std::function<void()> failed)
{
    return std::make_unique<PulseSink>(device, stream_name, buffer, std::move(failed));
}

} // namespace tonegen::qt
