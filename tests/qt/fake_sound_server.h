// A sound server for the Linux audio layer's tests: sinks that the test reads
// by hand on its own thread, that it can make fail, and a server that can
// refuse new streams. No sound server and no clock is involved, except the
// keeper's retry timer, which the server sets short.
#pragma once

#include "platform/qt/qt_sound_sink.h"

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
    void flush() override { ++flushes; }
    void wake() override { ++wakes; }
    void close() override;

    // What the server would take now: nothing while held.
    std::vector<std::int16_t> pull(std::size_t frames)
    {
        std::vector<std::int16_t> out(frames);
        if (!feed_ || paused_)
            return {};
        const std::size_t got = feed_->read(reinterpret_cast<char*>(out.data()), frames * 2);
        out.resize(got / 2);
        return out;
    }
    // The server went away: the sink says so, as a real one does, on "its thread".
    void fail() { failed_(); }

    bool paused() const { return paused_; }
    const std::string& device() const { return device_; }
    int flushes = 0;
    int wakes = 0;

private:
    FakeSoundServer& server_;
    const std::string device_;
    const std::function<void()> failed_;
    SoundFeed* feed_ = nullptr;
    bool paused_ = false;
};

class FakeSoundServer final : public SoundServer {
public:
    std::vector<SoundOutput> devices{{"out", true, "Out"}};
    bool refuse = false;       // new streams are refused (no server)
    int attempts = 0;          // opens tried
    std::vector<bool> opened_paused; // each stream opened, held or not
    FakeSink* current = nullptr;     // the open stream, if any

    std::vector<SoundOutput> outputs() override { return devices; }
    std::unique_ptr<SoundSink> make_sink(const std::string& device, const char* /*stream_name*/,
                                         std::function<void()> failed) override
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

inline void FakeSink::close()
{
    feed_ = nullptr;
    if (server_.current == this)
        server_.current = nullptr;
}

} // namespace tonegen::qt::testing
