// A QAudioSink running on a thread of its own, pulling from a QIODevice.
//
// How it works: start() starts the thread, then makes the feed (through the
// factory it is given) and the sink on that thread and lets the sink pull.
// The sink and the feed are touched on that thread only; the owner reaches
// them by queueing functions onto it, waiting for them (run_and_wait) or not
// (run_later). stop() deletes both there, which drops the sound server's
// stream at once, and ends the thread.
#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <functional>
#include <utility>

class QAudioSink;
class QIODevice;

namespace tonegen::qt {

class AudioThread {
public:
    explicit AudioThread(const QString& name);
    ~AudioThread();
    AudioThread(const AudioThread&) = delete;
    AudioThread& operator=(const AudioThread&) = delete;

    // False when the sound server refuses the stream.
    bool start(const QAudioDevice& device, const QAudioFormat& format, qsizetype buffer_bytes,
               const std::function<QIODevice*()>& make_feed);
    void stop();
    bool running() const { return thread_.isRunning(); }

    // Only from functions run on the thread.
    QAudioSink* sink() const { return sink_; }
    QIODevice* feed() const { return feed_; }

    template <typename F>
    void run_and_wait(F&& f)
    {
        static_cast<void>(QMetaObject::invokeMethod(&anchor_, std::forward<F>(f), Qt::BlockingQueuedConnection));
    }

    template <typename F>
    void run_later(F&& f)
    {
        static_cast<void>(QMetaObject::invokeMethod(&anchor_, std::forward<F>(f), Qt::QueuedConnection));
    }

private:
    QThread thread_;
    QObject anchor_; // target of the queued functions, on the thread
    QIODevice* feed_ = nullptr;
    QAudioSink* sink_ = nullptr;
};

} // namespace tonegen::qt
