// How it works: see qt_sink_keeper.h.
#include "platform/qt/qt_sink_keeper.h"

#include <QMetaObject>

#include <cstdio>
#include <utility>

namespace tonegen::qt {

SinkKeeper::SinkKeeper(SoundServer& server, std::string device, const char* stream_name, StreamBuffer buffer,
                       SoundFeed& feed)
    : server_(server), device_(std::move(device)), stream_name_(stream_name), buffer_(buffer), feed_(feed)
{
    retry_timer_.setInterval(server.retry_interval());
    QObject::connect(&retry_timer_, &QTimer::timeout, &anchor_, [this] { retry(); });
}

SinkKeeper::~SinkKeeper()
{
    close();
}

bool SinkKeeper::try_open()
{
    ++attempts_;
    const unsigned generation = ++generation_;
    // The notice crosses to the GUI thread; one that arrives after the keeper
    // has gone, or for a sink already replaced, is dropped.
    auto sink = server_.make_sink(device_, stream_name_, buffer_, [this, generation] {
        static_cast<void>(QMetaObject::invokeMethod(
            &anchor_, [this, generation] { on_failed(generation); }, Qt::QueuedConnection));
    });
    if (!sink || !sink->open(feed_, paused_))
        return false;
    sink_ = std::move(sink);
    return true;
}

bool SinkKeeper::open(bool paused)
{
    close();
    paused_ = paused;
    if (!try_open())
        return false;
    wanted_ = true;
    return true;
}

void SinkKeeper::keep_open(bool paused)
{
    if (wanted_) {
        set_paused(paused);
        return;
    }
    paused_ = paused;
    wanted_ = true;
    if (!try_open()) {
        std::fprintf(stderr, "%s: no sound server; trying again every second\n", stream_name_);
        reported_ = true;
        retry_timer_.start();
    }
}

void SinkKeeper::set_paused(bool paused)
{
    paused_ = paused;
    if (sink_)
        sink_->set_paused(paused);
}

void SinkKeeper::flush()
{
    if (sink_)
        sink_->flush();
}

void SinkKeeper::wake()
{
    if (sink_)
        sink_->wake();
}

void SinkKeeper::rewrite()
{
    if (sink_)
        sink_->rewrite();
}

void SinkKeeper::close()
{
    retry_timer_.stop();
    wanted_ = false;
    reported_ = false;
    ++generation_;
    if (sink_) {
        sink_->close();
        sink_.reset();
    }
}

void SinkKeeper::on_failed(unsigned generation)
{
    if (generation != generation_ || !sink_)
        return;
    sink_->close();
    sink_.reset();
    if (!reported_) {
        std::fprintf(stderr, "%s: the sound server went away; trying again every second\n", stream_name_);
        std::fflush(stderr);
        reported_ = true;
    }
    retry_timer_.start();
}

void SinkKeeper::retry()
{
    if (!wanted_ || sink_) {
        retry_timer_.stop();
        return;
    }
    if (!try_open())
        return;
    retry_timer_.stop();
    reported_ = false;
    std::fprintf(stderr, "%s: playing again\n", stream_name_);
    std::fflush(stderr);
}

} // namespace tonegen::qt
