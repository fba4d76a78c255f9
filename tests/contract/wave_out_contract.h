// The wave-out port's contract, written once (wave_out_contract.cpp) and run
// against every implementation: the fake device, the Linux emulation over a
// fake sound server, and the system's waveOut under wine. Each platform's
// runner supplies a WaveOutRig: the port, a windowing port whose window
// receives the completion notices, and the passing of the device's time.
//
// The bodies never count on a device's pace: they let it play until the
// notices they wait for have come (or a generous limit has passed), and
// show that a held device returns nothing by letting it play several
// headers' worth of time. What they know of how far the device has played
// is at most what the rig heard or, where it hears nothing, the time passed.
#pragma once

#include "platform/wave_out_port.h"
#include "platform/windowing_port.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tonegen::contract {

class WaveOutRig {
public:
    virtual ~WaveOutRig() = default;
    virtual WaveOutPort& port() = 0;
    virtual WindowingPort& windowing() = 0;
    // Lets the device play about `frames` frames (at least one header's worth
    // where it plays whole headers) and delivers the window messages that
    // are due.
    virtual void run(std::size_t frames) = 0;
    // Every sample the device has played so far, where the rig can hear it.
    virtual std::optional<std::vector<std::int16_t>> played() = 0;
    // The most frames the device can have played since the rig was made:
    // what the rig heard, or where it cannot hear it, the time that has
    // passed (no device plays faster than its rate).
    virtual std::size_t played_at_most() = 0;
    // False where the system is known to close a device with headers still
    // queued (the program never asks it to: it resets first).
    virtual bool close_refused_while_queued() { return true; }

    // The device as the program plays through it, with what opens it again
    // when its sound system dies (the Windows program's wrapper); the
    // device itself where it keeps its stream by itself.
    virtual WaveOutPort& kept_port() { return port(); }
    // The sound system behind the device dies at once, as in a crash; false
    // where the rig cannot make it (the clause is then skipped).
    virtual bool kill_sound_system() { return false; }
    // It is started again.
    virtual void revive_sound_system() {}
};

// Asks the private sound server of with_sound_server.sh to die ("kill") or
// start again ("start") and waits until it has; false outside that script.
bool ask_sound_server(const char* request);

using WaveOutRigMaker = std::unique_ptr<WaveOutRig> (*)();

struct Notice {
    WindowHandle window;
    unsigned message;
    std::intptr_t lparam;
    std::size_t played_at_most; // the rig's bound when the notice was handled
};

class WaveOutContract : public ::testing::TestWithParam<WaveOutRigMaker> {
protected:
    static constexpr std::size_t header_frames = 2205; // 50 ms
    static constexpr std::size_t header_count = 4;

    void SetUp() override;
    void TearDown() override;

    MmResult open();
    // Plays until `count` notices in all have come, or the limit has passed.
    void await(std::size_t count);
    // The headers the notices named, in order.
    std::vector<WaveHeader*> handed_back() const;
    // Resets, unprepares and closes whatever the body left open.
    void close_all();

    std::unique_ptr<WaveOutRig> rig;
    WaveOutPort* port = nullptr;
    WindowHandle window = 0;
    WaveOutHandle handle = 0;
    std::vector<Notice> notices;
    // Headers of distinct samples: header k holds k * header_frames + i.
    std::vector<std::vector<std::int16_t>> samples;
    std::vector<WaveHeader> headers;
};

} // namespace tonegen::contract
