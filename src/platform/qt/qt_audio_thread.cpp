#include "platform/qt/qt_audio_thread.h"

#include <QAudioSink>
#include <QIODevice>

namespace tonegen::qt {

AudioThread::AudioThread(const QString& name)
{
    anchor_.moveToThread(&thread_);
    thread_.setObjectName(name);
}

AudioThread::~AudioThread()
{
    stop();
}

bool AudioThread::start(const QAudioDevice& device, const QAudioFormat& format, qsizetype buffer_bytes,
                        const std::function<QIODevice*()>& make_feed)
{
    thread_.start();
    bool started = false;
    run_and_wait([&] {
        feed_ = make_feed();
        static_cast<void>(feed_->open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        sink_ = new QAudioSink(device, format);
        sink_->setBufferSize(buffer_bytes);
        sink_->start(feed_);
        started = sink_->error() == QAudio::NoError && sink_->state() != QAudio::StoppedState;
    });
    return started;
}

void AudioThread::stop()
{
    if (!thread_.isRunning())
        return;
    run_and_wait([this] {
        delete sink_; // disconnects the stream: queued sound ends here
        sink_ = nullptr;
        delete feed_;
        feed_ = nullptr;
    });
    thread_.quit();
    static_cast<void>(thread_.wait());
}

} // namespace tonegen::qt
