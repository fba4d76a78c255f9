// A sound server for the Linux audio layer's tests: sinks that the test reads
// by hand on its own thread, that it can make fail, and a server that can
// refuse new streams. A sink can keep what it reads queued before playing
// it, as a real server does, and reports what it has played to a feed that
// follows the play. No sound server and no clock is involved, except the
// keeper's retry timer, which the server sets short.
#pragma once

#include "platform/qt/qt_sound_sink.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tonegen::qt::testing {

class FakeSoundServer;

class FakeSink final : public SoundSink {
public:
    FakeSink(FakeSoundServer& server, std::string device, std::function<void()> failed)
        : server_(server), device_(std::move(device)), failed_(std::move(failed))
    {
    }
    ~FakeSink() override { close(); }

    bool open(SoundFeed& feed, bool paused) override;
    void set_paused(bool paused) override { paused_ = paused; }
    void flush() override
    {
        ++flushes;
        queued_.clear();
    }
    void wake() override { ++wakes; }
    // What it holds is read again from the frame it plays next.
    void rewrite() override
    {
        if (!feed_ || queued_.empty() || !feed_->rewind(queued_.size() * 2))
            return;
        const std::size_t got = feed_->read(reinterpret_cast<char*>(queued_.data()), queued_.size() * 2);
        queued_.resize(got / 2);
    }
    void close() override;

    // What the server plays next: nothing while held. It first tops its
    // queue up from the feed to the frames it keeps ahead (the server's
    // `ahead_frames`) and these, then plays these from it and tells the feed
    // what it still holds.
    std::vector<std::int16_t> pull(std::size_t frames)
    {
        if (!feed_ || paused_)
            return {};
        const std::size_t wanted = ahead_frames() + frames;
        if (queued_.size() < wanted) {
            std::vector<std::int16_t> in(wanted - queued_.size());
            const std::size_t got = feed_->read(reinterpret_cast<char*>(in.data()), in.size() * 2);
            queued_.insert(queued_.end(), in.begin(), in.begin() + static_cast<std::ptrdiff_t>(got / 2));
        }
        const auto played = static_cast<std::ptrdiff_t>(std::min(frames, queued_.size()));
        std::vector<std::int16_t> out(queued_.begin(), queued_.begin() + played);
        queued_.erase(queued_.begin(), queued_.begin() + played);
        if (feed_->follows_play())
            static_cast<void>(feed_->played(queued_.size() * 2));
        return out;
    }
    // The server went away: the sink says so, as a real one does, on "its thread".
    void fail() { failed_(); }

    bool paused() const { return paused_; }
    const std::string& device() const { return device_; }
    int flushes = 0;
    int wakes = 0;

private:
    std::size_t ahead_frames() const;

    FakeSoundServer& server_;
    const std::string device_;
    const std::function<void()> failed_;
    SoundFeed* feed_ = nullptr;
    bool paused_ = false;
    std::vector<std::int16_t> queued_; // read from the feed, not yet played
};

class FakeSoundServer final : public SoundServer {
public:
    std::vector<SoundOutput> devices{{"out", true, "Out"}};
    bool refuse = false;       // new streams are refused (no server)
    std::size_t ahead_frames = 0; // what a sink keeps read ahead of what it plays
    int attempts = 0;          // opens tried
    std::vector<bool> opened_paused; // each stream opened, held or not
    FakeSink* current = nullptr;     // the open stream, if any

    std::vector<SoundOutput> outputs() override { return devices; }
    std::unique_ptr<SoundSink> make_sink(const std::string& device, const char* /*stream_name*/,
                                         StreamBuffer /*buffer*/, std::function<void()> failed) override
    {
        return std::make_unique<FakeSink>(*this, device, std::move(failed));
    }
    std::chrono::milliseconds retry_interval() const override { return std::chrono::milliseconds(20); }
};

inline bool FakeSink::open(SoundFeed& feed, bool paused)
{
    ++server_.attempts;
    if (server_.refuse)
        return false;
    feed_ = &feed;
    paused_ = paused;
    server_.opened_paused.push_back(paused);
    server_.current = this;
    return true;
}

inline std::size_t FakeSink::ahead_frames() const
{
    return server_.ahead_frames;
}

inline void FakeSink::close()
{
    feed_ = nullptr;
    queued_.clear();
    if (server_.current == this)
        server_.current = nullptr;
}

} // namespace tonegen::qt::testing
