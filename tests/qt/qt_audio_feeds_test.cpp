// The Linux audio layer without a sound server: the header queue and the
// test-signal mix read by hand, and the wave-out emulation over sinks that
// fail and a server that refuses and comes back.
#include "fake_sound_server.h"
#include "audio/stream.h"
#include "platform/qt/qt_sound_player.h"
#include "platform/qt/qt_wave_out.h"
#include "platform/qt/qt_windowing.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

// Every allocation of the test program is counted, so that a test can show
// that a read path makes none.
namespace {
std::atomic<long> allocations{0};
}
void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace tonegen::qt {
namespace {

using testing::FakeSoundServer;

// A header whose samples count up from `first`.
struct TestHeader {
    std::vector<std::int16_t> samples;
    WaveHeader header{};

    TestHeader(std::int16_t first, std::size_t count) : samples(count)
    {
        for (std::size_t i = 0; i < count; ++i)
            samples[i] = static_cast<std::int16_t>(first + static_cast<std::int16_t>(i));
        header.lpData = reinterpret_cast<char*>(samples.data());
        header.dwBufferLength = static_cast<std::uint32_t>(count * 2);
    }
};

std::vector<std::int16_t> read_frames(SoundFeed& feed, std::size_t frames)
{
    std::vector<std::int16_t> out(frames);
    const std::size_t got = feed.read(reinterpret_cast<char*>(out.data()), frames * 2);
    out.resize(got / 2);
    return out;
}

std::vector<std::int16_t> count_up(std::int16_t from, std::size_t count)
{
    return TestHeader(from, count).samples;
}

struct HeaderFeedTest : ::testing::Test {
    std::vector<WaveHeader*> handed_back;
    HeaderFeed feed{[this](WaveHeader* h) { handed_back.push_back(h); }};

    void queue(TestHeader& h, bool* woken = nullptr)
    {
        bool w = false;
        ASSERT_EQ(feed.prepare(&h.header), mm_no_error);
        ASSERT_EQ(feed.queue(&h.header, &w), mm_no_error);
        if (woken)
            *woken = w;
    }
};

// Reads of any length, odd byte counts included, give the queued samples in
// order; each header is handed back once, when the server reports its last
// byte played, however much of what was read it still holds (nothing, part
// of a header, more than two headers); what the feed answers is how far off
// the oldest queued header's end is.
TEST_F(HeaderFeedTest, ReadsHeadersInOrderAndHandsEachBackOnceItsLastByteIsPlayed)
{
    struct Case {
        std::size_t frames_per_read;
        std::size_t held; // frames the server keeps of what it has read
    };
    const Case cases[] = {{1, 0}, {7, 0}, {100, 0}, {101, 0}, {333, 0}, {1000, 0}, {7, 50}, {101, 400}, {1000, 650}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.frames_per_read << " frames a read, " << c.held << " held");
        handed_back.clear();
        TestHeader a(0, 300), b(300, 1), c3(301, 500);
        queue(a);
        queue(b);
        queue(c3);
        const std::size_t ends[] = {300, 301, 801};
        std::vector<std::int16_t> got;
        std::vector<std::size_t> handed_back_after; // frames played when each came back
        std::size_t played = 0;
        while (played < 801) {
            const auto part = read_frames(feed, c.frames_per_read);
            got.insert(got.end(), part.begin(), part.end());
            // Past the end the server plays out what it holds, a read's length at a time.
            const std::size_t held = part.empty() ? (got.size() - played) - std::min(got.size() - played, c.frames_per_read)
                                                  : std::min(c.held, got.size());
            played = got.size() - held;
            const std::size_t wait = feed.played(held * 2);
            while (handed_back_after.size() < handed_back.size())
                handed_back_after.push_back(played);
            const std::size_t next = handed_back.size();
            EXPECT_EQ(wait, next < 3 ? (ends[next] - played) * 2 : 0) << "after " << played << " frames played";
        }
        EXPECT_EQ(got, count_up(0, 801));
        ASSERT_EQ(handed_back, (std::vector<WaveHeader*>{&a.header, &b.header, &c3.header}));
        for (const TestHeader* h : {&a, &b, &c3}) {
            EXPECT_EQ(h->header.dwFlags & (WHDR_DONE | WHDR_INQUEUE | WHDR_PREPARED), WHDR_DONE | WHDR_PREPARED);
        }
        // Not before its last byte is played: within one read of it.
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_GE(handed_back_after[i], ends[i]);
            EXPECT_LT(handed_back_after[i], ends[i] + c.frames_per_read);
        }
        EXPECT_TRUE(feed.empty());
    }
}

// A dry queue reads short, then nothing, and the reader is woken by the next
// header and only then.
TEST_F(HeaderFeedTest, DryQueueReadsShortAndTheNextHeaderWakesTheReader)
{
    TestHeader a(0, 100), b(100, 100), c(200, 100);
    bool woken = true;
    queue(a, &woken);
    EXPECT_FALSE(woken);
    EXPECT_EQ(read_frames(feed, 150), count_up(0, 100));
    EXPECT_TRUE(read_frames(feed, 10).empty());
    queue(b, &woken);
    EXPECT_TRUE(woken);
    queue(c, &woken);
    EXPECT_FALSE(woken) << "only the first header after a short read wakes";
    EXPECT_EQ(read_frames(feed, 200), count_up(100, 200));
}

// reset: every queued header back in order, the partly read one first; the
// next header plays from its first sample.
TEST_F(HeaderFeedTest, HandBackAllReturnsEveryQueuedHeaderInOrder)
{
    TestHeader a(0, 100), b(100, 100), c(200, 100), d(1000, 50);
    queue(a);
    queue(b);
    queue(c);
    EXPECT_EQ(read_frames(feed, 130).size(), 130u);
    feed.hand_back_all();
    EXPECT_EQ(handed_back, (std::vector<WaveHeader*>{&a.header, &b.header, &c.header}));
    EXPECT_TRUE(feed.empty());
    for (const TestHeader* h : {&a, &b, &c})
        EXPECT_EQ(h->header.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    EXPECT_TRUE(read_frames(feed, 10).empty());
    bool woken = false;
    queue(d, &woken);
    EXPECT_TRUE(woken);
    EXPECT_EQ(read_frames(feed, 50), count_up(1000, 50));
}

TEST_F(HeaderFeedTest, RefusesUnpreparedAndQueuedHeadersAndUnpreparingQueuedOnes)
{
    TestHeader a(0, 10);
    bool woken = false;
    EXPECT_EQ(feed.queue(&a.header, &woken), mm_error);
    queue(a);
    EXPECT_EQ(feed.queue(&a.header, &woken), mm_still_playing);
    EXPECT_EQ(feed.unprepare(&a.header), mm_still_playing);
    EXPECT_EQ(read_frames(feed, 10).size(), 10u);
    static_cast<void>(feed.played(2));
    EXPECT_EQ(feed.unprepare(&a.header), mm_still_playing) << "read whole, not yet played";
    static_cast<void>(feed.played(0));
    EXPECT_EQ(feed.unprepare(&a.header), mm_no_error);
    EXPECT_EQ(a.header.dwFlags & WHDR_PREPARED, 0u);
}

// More headers than the queue first has room for, queued while it is read
// and played.
TEST_F(HeaderFeedTest, KeepsOrderWhileTheQueueGrows)
{
    std::vector<std::unique_ptr<TestHeader>> headers;
    for (int i = 0; i < 40; ++i)
        headers.push_back(std::make_unique<TestHeader>(static_cast<std::int16_t>(i * 10), 10));
    std::vector<std::int16_t> got;
    for (int i = 0; i < 40; ++i) {
        queue(*headers[static_cast<std::size_t>(i)]);
        if (i % 3 == 0) {
            const auto part = read_frames(feed, 7);
            got.insert(got.end(), part.begin(), part.end());
            static_cast<void>(feed.played(6));
        }
    }
    const auto rest = read_frames(feed, 400);
    got.insert(got.end(), rest.begin(), rest.end());
    static_cast<void>(feed.played(0));
    EXPECT_EQ(got, count_up(0, 400));
    ASSERT_EQ(handed_back.size(), 40u);
    for (std::size_t i = 0; i < 40; ++i)
        EXPECT_EQ(handed_back[i], &headers[i]->header);
}

TEST_F(HeaderFeedTest, ReadingAndPlayingAllocateNothing)
{
    std::vector<std::unique_ptr<TestHeader>> headers;
    for (int i = 0; i < 8; ++i) {
        headers.push_back(std::make_unique<TestHeader>(0, stream_buffer_frames));
        queue(*headers.back());
    }
    handed_back.reserve(16);
    std::vector<char> out(35280);
    const long before = allocations.load();
    std::size_t total = 0;
    for (int i = 0; i < 20; ++i) {
        total += feed.read(out.data(), out.size() - 2 * static_cast<std::size_t>(i));
        static_cast<void>(feed.played(100));
    }
    static_cast<void>(feed.played(0));
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_EQ(total, 8u * stream_buffer_frames * 2);
    EXPECT_EQ(handed_back.size(), 8u);
}

// The mix: every playing buffer at its gain, summed as doubles in handle
// order, rounded to nearest (ties to even) and held within 16 bits; looping
// buffers wrap, others stop at their end.
TEST(MixFeed, MixesPlayingBuffersAtTheirGainsWithRoundingAndLimits)
{
    struct Case {
        const char* name;
        std::vector<std::int16_t> a;
        double gain_a;
        bool loop_a;
        std::vector<std::int16_t> b;
        double gain_b;
        bool b_playing;
        std::size_t frames;
        std::vector<std::int16_t> expected;
    };
    const Case cases[] = {
        {"one buffer as recorded, then silence", {100, -200, 300}, 1.0, false, {}, 0.0, false, 5, {100, -200, 300, 0, 0}},
        {"a looping buffer wraps", {1, 2, 3}, 1.0, true, {}, 0.0, false, 7, {1, 2, 3, 1, 2, 3, 1}},
        {"halves round to even", {1, 3, 5, -1, -3}, 0.5, false, {}, 0.0, false, 5, {0, 2, 2, 0, -2}},
        {"two buffers add", {1000, 1000}, 0.5, true, {10, 20}, 1.0, true, 4, {510, 520, 510, 520}},
        {"the sum is held within 16 bits", {30000, -30000}, 1.0, false, {30000, -30000}, 1.0, true, 2, {32767, -32768}},
        {"a silent buffer adds nothing", {7, 7}, 1.0, true, {9, 9}, 0.0, true, 2, {7, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SoundBuffers buffers;
        buffers.by_handle[1] = SoundBuffer{c.a, 0, c.gain_a, 0, true, c.loop_a};
        if (!c.b.empty())
            buffers.by_handle[2] = SoundBuffer{c.b, 0, c.gain_b, 0, c.b_playing, true};
        MixFeed feed(buffers);
        EXPECT_EQ(read_frames(feed, c.frames), c.expected);
        EXPECT_EQ(buffers.by_handle[1].playing, c.loop_a || c.frames <= c.a.size());
    }
}

// Long reads go through the mix in blocks: the same samples as one sample
// at a time, and no allocation.
TEST(MixFeed, LongReadsEqualShortOnesAndAllocateNothing)
{
    std::vector<std::int16_t> ramp(5000);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<std::int16_t>(i * 13 % 20000 - 10000);
    SoundBuffers long_reads, short_reads;
    for (SoundBuffers* b : {&long_reads, &short_reads}) {
        b->by_handle[1] = SoundBuffer{ramp, -796, 0.40004, 0, true, true};
        b->by_handle[2] = SoundBuffer{std::vector<std::int16_t>(777, 1234), 0, 0.7, 0, true, true};
    }
    MixFeed long_feed(long_reads), short_feed(short_reads);
    std::vector<std::int16_t> out(17640 * 3);
    const long before = allocations.load();
    std::size_t got = 0;
    for (std::size_t i = 0; i < 3; ++i)
        got += long_feed.read(reinterpret_cast<char*>(out.data() + i * 17640), 17640 * 2);
    EXPECT_EQ(allocations.load() - before, 0);
    ASSERT_EQ(got, out.size() * 2);
    std::vector<std::int16_t> one_by_one;
    for (std::size_t i = 0; i < out.size(); ++i)
        one_by_one.push_back(read_frames(short_feed, 1).at(0));
    EXPECT_EQ(out, one_by_one);
}

// The wave-out emulation over the fake server: the header queue as the
// program drives it, MM_WOM_DONE through the real Qt message queue.
class QtWaveOutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = windowing.open_window("wave-out test", 0, 0, 10, 10);
        ASSERT_NE(window, 0u);
        windowing.set_message_handler([this](WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
            if (m == MM_WOM_DONE && w == window && wp == 0)
                done.push_back(reinterpret_cast<WaveHeader*>(lp));
        });
    }
    void TearDown() override { windowing.destroy_window(window); }

    MmResult open()
    {
        return wave_out.open(&handle, 0, format, window, 0, CALLBACK_WINDOW);
    }
    void write(TestHeader& h)
    {
        ASSERT_EQ(wave_out.prepare_header(handle, &h.header), mm_no_error);
        ASSERT_EQ(wave_out.write(handle, &h.header), mm_no_error);
    }
    static void deliver() { QCoreApplication::processEvents(); }
    // Lets the keeper's retry timer run for about `ms` milliseconds.
    static void wait_ms(int ms) { QTest::qWait(ms); }

    static constexpr WaveFormat format{WAVE_FORMAT_PCM, 1, stream_rate, stream_rate * 2, 2, 16, 0};
    QtWindowing windowing;
    FakeSoundServer server;
    QtWaveOut wave_out{windowing, server};
    WindowHandle window = 0;
    WaveOutHandle handle = 0;
    std::vector<WaveHeader*> done;
};

TEST_F(QtWaveOutTest, OpenChecksTheDeviceTheFormatAndTheServer)
{
    struct Case {
        const char* name;
        std::vector<SoundOutput> devices;
        unsigned device_id;
        WaveFormat format;
        bool refuse;
        MmResult expected;
    };
    WaveFormat stereo = format;
    stereo.nChannels = 2;
    const Case cases[] = {
        {"no server, no device", {}, 0, format, false, mm_bad_device_id},
        {"device past the last", {{"out", true, "Out"}}, 1, format, false, mm_bad_device_id},
        {"a format other than the stream's", {{"out", true, "Out"}}, 0, stereo, false, mm_bad_format},
        {"a device that would convert", {{"out", false, "Out"}}, 0, format, false, mm_bad_format},
        {"the server refuses the stream", {{"out", true, "Out"}}, 0, format, true, mm_error},
        {"the second device", {{"out", true, "Out"}, {"other", true, "Other"}}, 1, format, false, mm_no_error},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.devices = c.devices;
        server.refuse = c.refuse;
        WaveOutHandle h = 1;
        EXPECT_EQ(wave_out.open(&h, c.device_id, c.format, window, 0, CALLBACK_WINDOW), c.expected);
        EXPECT_EQ(h == 0, c.expected != mm_no_error);
        if (c.expected == mm_no_error) {
            ASSERT_NE(server.current, nullptr);
            EXPECT_EQ(server.current->device(), c.devices[c.device_id].device);
            EXPECT_EQ(wave_out.close(h), mm_no_error);
            EXPECT_EQ(server.current, nullptr);
        }
    }
    EXPECT_EQ(server.attempts, 2) << "a stream is asked for only once device and format are right";
}

// The server goes away while a header plays and comes back: one line on
// standard error, a new stream tried about every retry interval (never in a
// busy loop), opened held because pause came meanwhile, and the samples on
// from the next unread one; the headers are handed back in order throughout.
TEST_F(QtWaveOutTest, FailingSinkIsReopenedAndPlaysOnFromTheNextUnreadSample)
{
    ASSERT_EQ(open(), mm_no_error);
    TestHeader a(0, 100), b(100, 100), c(200, 100);
    write(a);
    write(b);
    write(c);
    ASSERT_EQ(server.current->pull(150), count_up(0, 150));
    deliver();
    EXPECT_EQ(done, std::vector<WaveHeader*>{&a.header});

    ::testing::internal::CaptureStderr();
    server.refuse = true;
    server.current->fail();
    deliver();
    EXPECT_EQ(server.current, nullptr) << "the failed stream is closed";
    const int attempts_before = server.attempts;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.attempts - attempts_before >= 3; }, 5000)) << "no retries";
    // The retry interval is 20 ms here; a timer may fire up to 5 % early.
    const int tries = server.attempts - attempts_before;
    EXPECT_LE(tries, clock.elapsed() / 19 + 1) << "retrying faster than every 20 ms";
    EXPECT_EQ(wave_out.pause(handle), mm_no_error);

    server.refuse = false;
    ASSERT_TRUE(QTest::qWaitFor([this] { return server.current != nullptr; }, 2000));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "tonegen tones: the sound server went away; trying again every second\n"
                    "tonegen tones: playing again\n");
    EXPECT_EQ(server.opened_paused, (std::vector<bool>{false, true}));
    EXPECT_TRUE(server.current->pull(10).empty()) << "held until restart";
    const int attempts_back = server.attempts;
    wait_ms(100);
    EXPECT_EQ(server.attempts, attempts_back) << "tries on after the stream is back";

    EXPECT_EQ(wave_out.restart(handle), mm_no_error);
    EXPECT_EQ(server.current->pull(150), count_up(150, 150));
    deliver();
    EXPECT_EQ(done, (std::vector<WaveHeader*>{&a.header, &b.header, &c.header}));
    EXPECT_EQ(wave_out.close(handle), mm_no_error);
}

// While no server is there the program can still stop: reset hands back
// every queued header in order and close ends the retries.
TEST_F(QtWaveOutTest, ResetAndCloseWorkWhileTheServerIsAway)
{
    ASSERT_EQ(open(), mm_no_error);
    TestHeader a(0, 100), b(100, 100), c(200, 100);
    write(a);
    write(b);
    write(c);
    ASSERT_EQ(server.current->pull(50).size(), 50u);
    server.refuse = true;
    ::testing::internal::CaptureStderr();
    server.current->fail();
    deliver();
    wait_ms(50);
    EXPECT_EQ(wave_out.close(handle), mm_still_playing);
    EXPECT_EQ(wave_out.reset(handle), mm_no_error);
    deliver();
    EXPECT_EQ(done, (std::vector<WaveHeader*>{&a.header, &b.header, &c.header}));
    for (TestHeader* h : {&a, &b, &c})
        EXPECT_EQ(wave_out.unprepare_header(handle, &h->header), mm_no_error);
    EXPECT_EQ(wave_out.close(handle), mm_no_error);
    const int attempts = server.attempts;
    wait_ms(100);
    EXPECT_EQ(server.attempts, attempts) << "retries after close";
    static_cast<void>(::testing::internal::GetCapturedStderr());
}

// The test-signal player holds a stream only while something plays, and
// one that was playing when the server went away plays on when it is back.
TEST(QtSoundPlayerStream, OpensOnlyWhilePlayingAndComesBackAfterAFailure)
{
    FakeSoundServer server;
    QtSoundPlayer player(server);
    ASSERT_TRUE(player.load_library());
    ASSERT_TRUE(player.create_device());
    ASSERT_TRUE(player.set_up_device());
    const WaveFormat format{WAVE_FORMAT_PCM, 1, stream_rate, stream_rate * 2, 2, 16, 0};
    const SoundBufferHandle sweep = player.create_buffer(format, 8, static_buffer_flags);
    const SoundBufferHandle pink = player.create_buffer(format, 8, static_buffer_flags);
    const std::int16_t sweep_samples[] = {1, 2, 3, 4}, pink_samples[] = {10, 20, 30, 40};
    ASSERT_TRUE(player.copy_into(sweep, reinterpret_cast<const unsigned char*>(sweep_samples), 8));
    ASSERT_TRUE(player.copy_into(pink, reinterpret_cast<const unsigned char*>(pink_samples), 8));
    EXPECT_EQ(server.attempts, 0) << "a stream before anything plays";

    player.play(sweep, true);
    ASSERT_NE(server.current, nullptr);
    player.play(pink, true);
    EXPECT_EQ(server.current->pull(3), (std::vector<std::int16_t>{11, 22, 33}));
    player.stop(pink);
    EXPECT_NE(server.current, nullptr) << "the sweep still plays";

    ::testing::internal::CaptureStderr();
    server.refuse = true;
    server.current->fail();
    QCoreApplication::processEvents();
    EXPECT_EQ(server.current, nullptr);
    QTest::qWait(60);
    server.refuse = false;
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.current != nullptr; }, 2000));
    static_cast<void>(::testing::internal::GetCapturedStderr());
    EXPECT_EQ(server.current->pull(3), (std::vector<std::int16_t>{4, 1, 2})) << "on from where it stood";

    player.stop(sweep);
    EXPECT_EQ(server.current, nullptr) << "a stream while nothing plays";
    EXPECT_FALSE(player.streaming());
    const int attempts = server.attempts;
    QTest::qWait(60);
    EXPECT_EQ(server.attempts, attempts);
}

// Where a playing buffer stands is what the server has played of the mix,
// carried on by the time since, not what the mix has read ahead.
TEST(QtSoundPlayerStream, APlayingBufferSaysTheSampleHeardNotTheOneMixed)
{
    FakeSoundServer server;
    server.ahead_frames = 20000;
    QtSoundPlayer player(server);
    ASSERT_TRUE(player.load_library() && player.create_device() && player.set_up_device());
    const WaveFormat format{WAVE_FORMAT_PCM, 1, stream_rate, stream_rate * 2, 2, 16, 0};
    const SoundBufferHandle sweep = player.create_buffer(format, 2 * stream_rate, static_buffer_flags);
    player.play(sweep, true);
    std::uint32_t byte = 1;
    ASSERT_TRUE(player.get_current_position(sweep, byte));
    EXPECT_EQ(byte, 0u) << "nothing heard yet";
    static_cast<void>(server.current->pull(3000));
    ASSERT_TRUE(player.get_current_position(sweep, byte));
    EXPECT_GE(byte / 2, 3000u);
    EXPECT_LT(byte / 2, 3000u + stream_rate / 20) << "the mix is 20000 frames ahead";
}

// A recording started, stopped or started again while another plays is
// heard from the next frame the server plays, not after the 0.4 s it holds
// read ahead, and the other goes on unbroken.
TEST(QtSoundPlayerStream, AChangeWhileAnotherPlaysIsHeardAtOnceAndTheOtherGoesOn)
{
    FakeSoundServer server;
    server.ahead_frames = 17640;
    QtSoundPlayer player(server);
    ASSERT_TRUE(player.load_library() && player.create_device() && player.set_up_device());
    const WaveFormat format{WAVE_FORMAT_PCM, 1, stream_rate, stream_rate * 2, 2, 16, 0};
    const std::vector<std::int16_t> sweep_samples = count_up(0, 1000), pink_samples = count_up(3000, 500);
    const SoundBufferHandle sweep = player.create_buffer(format, 2000, static_buffer_flags);
    const SoundBufferHandle pink = player.create_buffer(format, 1000, static_buffer_flags);
    ASSERT_TRUE(player.copy_into(sweep, reinterpret_cast<const unsigned char*>(sweep_samples.data()), 2000));
    ASSERT_TRUE(player.copy_into(pink, reinterpret_cast<const unsigned char*>(pink_samples.data()), 1000));
    // As the program starts a recording.
    const auto start = [&](SoundBufferHandle b) {
        player.stop(b);
        player.set_position(b, 0);
        player.set_volume(b, 0);
        player.play(b, true);
    };
    const auto pull = [&](std::size_t frames) { return server.current->pull(frames); };

    start(sweep);
    ASSERT_NE(server.current, nullptr);
    EXPECT_EQ(pull(100), count_up(0, 100));
    start(pink);
    EXPECT_EQ(pull(3), (std::vector<std::int16_t>{100 + 3000, 101 + 3001, 102 + 3002})) << "the noise joins at once";
    player.stop(pink);
    EXPECT_EQ(pull(3), count_up(103, 3)) << "the noise stops at once";
    start(pink);
    EXPECT_EQ(pull(2), (std::vector<std::int16_t>{106 + 3000, 107 + 3001}));
    start(sweep);
    EXPECT_EQ(pull(2), (std::vector<std::int16_t>{0 + 3002, 1 + 3003})) << "the sweep from its start at once";
}

} // namespace
} // namespace tonegen::qt
