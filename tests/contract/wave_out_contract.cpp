// The wave-out contract's bodies; see wave_out_contract.h.
#include "contract/wave_out_contract.h"

namespace tonegen::contract {

namespace {

constexpr WaveFormat stream_format{WAVE_FORMAT_PCM, 1, stream_rate, stream_rate * 2, 2, 16, 0};
constexpr std::uint32_t done_flags = WHDR_DONE | WHDR_PREPARED | WHDR_INQUEUE;
// Notices of a device that plays are waited for this many headers' time at most.
constexpr std::size_t patience_headers = 60;

} // namespace

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

} // namespace tonegen::contract
