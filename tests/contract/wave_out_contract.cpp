// The wave-out contract's bodies; see wave_out_contract.h.
#include "contract/wave_out_contract.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

namespace tonegen::contract {

namespace {

constexpr WaveFormat stream_format{WAVE_FORMAT_PCM, 1, stream_rate, stream_rate * 2, 2, 16, 0};
constexpr std::uint32_t done_flags = WHDR_DONE | WHDR_PREPARED | WHDR_INQUEUE;
// Notices of a device that plays are waited for this many headers' time at most.
constexpr std::size_t patience_headers = 60;
// A device whose sound system came back is waited for this long at most: a
// look a second, two quiet ones to see a stall, and the opening.
constexpr std::size_t comeback_frames = 12 * stream_rate;

} // namespace

bool ask_sound_server(const char* request)
{
    const char* folder = std::getenv("TONEGEN_SOUND_SERVER_CONTROL");
    if (!folder || !*folder)
        return false;
#ifdef _WIN32
    const std::string path = std::string("Z:") + folder + "/" + request; // wine's drive of the Unix root
#else
    const std::string path = std::string(folder) + "/" + request;
#endif
    FILE* asked = std::fopen(path.c_str(), "w");
    if (!asked)
        return false;
    std::fclose(asked);
    // The script takes the file away once it has done what it asks.
    for (int i = 0; i < 600; ++i) {
        FILE* waiting = std::fopen(path.c_str(), "r");
        if (!waiting)
            return true;
        std::fclose(waiting);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void WaveOutContract::SetUp()
{
    rig = GetParam()();
    port = &rig->port();
    WindowingPort& w = rig->windowing();
    static_cast<void>(w.load_control_font("Arial", 8));
    window = w.open_window("wave-out contract", 10, 10, 100, 50);
    ASSERT_NE(window, 0u);
    w.set_message_handler([this](WindowHandle win, unsigned message, std::uintptr_t, std::intptr_t lparam) {
        if (message == MM_WOM_DONE)
            notices.push_back({win, message, lparam, rig->played_at_most()});
    });
    samples.assign(header_count, std::vector<std::int16_t>(header_frames));
    headers.assign(header_count, WaveHeader{});
    for (std::size_t k = 0; k < header_count; ++k) {
        for (std::size_t i = 0; i < header_frames; ++i)
            samples[k][i] = static_cast<std::int16_t>(k * header_frames + i);
        headers[k].lpData = reinterpret_cast<char*>(samples[k].data());
        headers[k].dwBufferLength = static_cast<std::uint32_t>(header_frames * 2);
    }
}

void WaveOutContract::TearDown()
{
    close_all();
    rig->windowing().destroy_window(window);
}

MmResult WaveOutContract::open()
{
    return port->open(&handle, 0, stream_format, window, 0, CALLBACK_WINDOW);
}

void WaveOutContract::await(std::size_t count)
{
    for (std::size_t step = 0; notices.size() < count && step < patience_headers * 4; ++step)
        rig->run(header_frames / 4);
}

std::vector<WaveHeader*> WaveOutContract::handed_back() const
{
    std::vector<WaveHeader*> out;
    for (const Notice& n : notices)
        out.push_back(reinterpret_cast<WaveHeader*>(n.lparam));
    return out;
}

void WaveOutContract::close_all()
{
    if (handle == 0)
        return;
    static_cast<void>(port->reset(handle));
    await(0);
    for (WaveHeader& h : headers) {
        if (h.dwFlags & WHDR_PREPARED)
            static_cast<void>(port->unprepare_header(handle, &h));
    }
    static_cast<void>(port->close(handle));
    handle = 0;
}

// A format the device does not play and a device it does not have are
// refused, and leave no handle.
TEST_P(WaveOutContract, OpenRefusesAnUnknownFormatAndAMissingDevice)
{
    const unsigned devices = port->get_num_devs();
    ASSERT_GE(devices, 1u);
    WaveFormat unknown = stream_format;
    unknown.wFormatTag = 0x1234;
    WaveOutHandle h = 0;
    EXPECT_EQ(port->open(&h, 0, unknown, window, 0, CALLBACK_WINDOW | WAVE_FORMAT_DIRECT), mm_bad_format);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(port->open(&h, devices, stream_format, window, 0, CALLBACK_WINDOW), mm_bad_device_id);
    EXPECT_EQ(h, 0u);
    ASSERT_EQ(port->open(&h, 0, stream_format, window, 0, CALLBACK_WINDOW | WAVE_FORMAT_DIRECT), mm_no_error);
    EXPECT_NE(h, 0u);
    EXPECT_EQ(port->close(h), mm_no_error);
}

// prepare marks a header prepared; write queues it (in the queue, not done);
// once played it is done and out of the queue, still prepared; unprepare
// takes the mark off. Misuse is refused: writing an unprepared header or
// one still queued, unpreparing one still queued.
TEST_P(WaveOutContract, HeaderFlagsFollowPrepareWriteDoneAndUnprepare)
{
    ASSERT_EQ(open(), mm_no_error);
    WaveHeader& h = headers[0];
    EXPECT_NE(port->write(handle, &h), mm_no_error) << "an unprepared header was queued";
    EXPECT_EQ(h.dwFlags & WHDR_INQUEUE, 0u);
    ASSERT_EQ(port->pause(handle), mm_no_error);
    ASSERT_EQ(port->prepare_header(handle, &h), mm_no_error);
    EXPECT_EQ(h.dwFlags & done_flags, WHDR_PREPARED);
    ASSERT_EQ(port->write(handle, &h), mm_no_error);
    EXPECT_EQ(h.dwFlags & done_flags, WHDR_PREPARED | WHDR_INQUEUE);
    EXPECT_NE(port->write(handle, &h), mm_no_error) << "a queued header was queued again";
    EXPECT_EQ(port->unprepare_header(handle, &h), mm_still_playing);
    EXPECT_EQ(h.dwFlags & done_flags, WHDR_PREPARED | WHDR_INQUEUE);

    ASSERT_EQ(port->restart(handle), mm_no_error);
    await(1);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(h.dwFlags & done_flags, WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(port->unprepare_header(handle, &h), mm_no_error);
    EXPECT_EQ(h.dwFlags & WHDR_PREPARED, 0u);
}

// Each finished header comes back as one MM_WOM_DONE to the callback window,
// lParam its address, in the order written; the samples play in that order.
// A header comes back only once the device has played its last sample, not
// when the device has merely taken it into buffers of its own, so the ring
// of headers holds exactly what is still to be heard: header k's notice
// never comes before the device can have played k + 1 headers.
TEST_P(WaveOutContract, HandsBackEveryHeaderInOrderByMessageToTheWindowOnceItHasBeenPlayed)
{
    ASSERT_EQ(open(), mm_no_error);
    for (WaveHeader& h : headers) {
        ASSERT_EQ(port->prepare_header(handle, &h), mm_no_error);
        ASSERT_EQ(port->write(handle, &h), mm_no_error);
    }
    await(header_count);
    ASSERT_EQ(notices.size(), header_count);
    for (std::size_t k = 0; k < header_count; ++k) {
        EXPECT_EQ(notices[k].window, window);
        EXPECT_EQ(notices[k].lparam, reinterpret_cast<std::intptr_t>(&headers[k])) << "notice " << k;
        EXPECT_EQ(headers[k].dwFlags & done_flags, WHDR_PREPARED | WHDR_DONE);
        EXPECT_GE(notices[k].played_at_most, (k + 1) * header_frames)
            << "header " << k << " came back before the device can have played it";
    }
    if (const auto played = rig->played()) {
        std::vector<std::int16_t> written;
        for (const auto& s : samples)
            written.insert(written.end(), s.begin(), s.end());
        ASSERT_GE(played->size(), written.size());
        EXPECT_TRUE(std::equal(written.begin(), written.end(), played->begin()));
    }
}

// Paused, the device keeps what is queued, however long it is given; restart
// plays it all, in order.
TEST_P(WaveOutContract, PauseHoldsTheQueueAndRestartPlaysItOn)
{
    ASSERT_EQ(open(), mm_no_error);
    ASSERT_EQ(port->pause(handle), mm_no_error);
    for (WaveHeader& h : headers) {
        ASSERT_EQ(port->prepare_header(handle, &h), mm_no_error);
        ASSERT_EQ(port->write(handle, &h), mm_no_error);
    }
    rig->run(header_frames * (header_count + 2));
    EXPECT_TRUE(notices.empty()) << notices.size() << " headers came back while paused";
    for (const WaveHeader& h : headers)
        EXPECT_EQ(h.dwFlags & done_flags, WHDR_PREPARED | WHDR_INQUEUE);

    ASSERT_EQ(port->restart(handle), mm_no_error);
    await(header_count);
    EXPECT_EQ(handed_back(), (std::vector<WaveHeader*>{&headers[0], &headers[1], &headers[2], &headers[3]}));
}

// reset hands back every queued header at once, in order, done and out of
// the queue, paused or not; a close is refused while any is queued and
// succeeds once none is.
TEST_P(WaveOutContract, ResetHandsBackEveryQueuedHeaderAndCloseWaitsForIt)
{
    ASSERT_EQ(open(), mm_no_error);
    ASSERT_EQ(port->pause(handle), mm_no_error);
    for (WaveHeader& h : headers) {
        ASSERT_EQ(port->prepare_header(handle, &h), mm_no_error);
        ASSERT_EQ(port->write(handle, &h), mm_no_error);
    }
    if (rig->close_refused_while_queued()) {
        EXPECT_EQ(port->close(handle), mm_still_playing);
    }
    ASSERT_EQ(port->reset(handle), mm_no_error);
    for (const WaveHeader& h : headers)
        EXPECT_EQ(h.dwFlags & done_flags, WHDR_PREPARED | WHDR_DONE);
    await(header_count);
    EXPECT_EQ(handed_back(), (std::vector<WaveHeader*>{&headers[0], &headers[1], &headers[2], &headers[3]}));
    for (WaveHeader& h : headers)
        EXPECT_EQ(port->unprepare_header(handle, &h), mm_no_error);
    EXPECT_EQ(port->close(handle), mm_no_error);
    handle = 0;
}

// A device whose sound system dies comes back once the system is started
// again, and plays on; nothing is heard twice; a device paused when its
// system died stays paused after the return, however long it is given,
// until it is restarted. The body plays as the program does: each header,
// once back, is filled with the next samples of one counting stream and
// written again, so that where the rig hears the device the samples only
// ever count on (a gap is what the dead system held), and nowhere does a
// header come back more often than it was written.
TEST_P(WaveOutContract, ADeviceThatDiesComesBackNothingHeardTwiceAndAPauseKept)
{
    port = &rig->kept_port();
    ASSERT_EQ(open(), mm_no_error);
    std::uint16_t next = 0;
    std::map<const WaveHeader*, int> written, back;
    const auto fill_and_write = [&](WaveHeader& h) {
        auto* s = reinterpret_cast<std::int16_t*>(h.lpData);
        for (std::size_t i = 0; i < header_frames; ++i)
            s[i] = static_cast<std::int16_t>(next++);
        ++written[&h];
        EXPECT_EQ(port->write(handle, &h), mm_no_error);
    };
    // Plays for `frames` at most, until `count` notices in all have come.
    std::size_t seen = 0;
    const auto play = [&](std::size_t frames, std::size_t count) {
        for (std::size_t f = 0; f < frames && notices.size() < count; f += header_frames / 4) {
            rig->run(header_frames / 4);
            for (; seen < notices.size(); ++seen) {
                auto* h = reinterpret_cast<WaveHeader*>(notices[seen].lparam);
                ++back[h];
                fill_and_write(*h);
            }
        }
    };
    for (WaveHeader& h : headers) {
        ASSERT_EQ(port->prepare_header(handle, &h), mm_no_error);
        fill_and_write(h);
    }
    play(patience_headers * header_frames, 2);
    ASSERT_GE(notices.size(), 2u) << "the device does not play";

    if (!rig->kill_sound_system())
        GTEST_SKIP() << "this rig cannot make the sound system die";
    play(3 * stream_rate, SIZE_MAX);
    rig->revive_sound_system();
    std::size_t before = notices.size();
    play(comeback_frames, before + header_count + 1);
    EXPECT_GT(notices.size(), before + header_count) << "the device did not come back after its sound system";

    ASSERT_EQ(port->pause(handle), mm_no_error);
    const std::size_t heard = rig->played() ? rig->played()->size() : 0;
    before = notices.size();
    ASSERT_TRUE(rig->kill_sound_system());
    play(2 * stream_rate, SIZE_MAX);
    rig->revive_sound_system();
    play(3 * stream_rate, SIZE_MAX);
    EXPECT_EQ(notices.size(), before) << "headers came back while paused";
    if (const auto played = rig->played()) {
        EXPECT_EQ(played->size(), heard) << "the device played while paused";
    }
    ASSERT_EQ(port->restart(handle), mm_no_error);
    play(comeback_frames, before + header_count + 1);
    EXPECT_GT(notices.size(), before + header_count) << "the device did not play on after its pause";

    for (const auto& [header, count] : back)
        EXPECT_LE(count, written[header]) << "a header came back more often than it was written";
    if (const auto played = rig->played()) {
        for (std::size_t i = 1; i < played->size(); ++i) {
            const auto step = static_cast<std::uint16_t>((*played)[i] - (*played)[i - 1]);
            ASSERT_TRUE(step >= 1 && step < 0x8000) << "sample " << i << " was heard before";
        }
    }
}

} // namespace tonegen::contract
