#include "nettime/Clock_Time.h"
#include "nettime/Fast_net.h"
#include "nettime/NetTimeSync.h"
#include "platform/Log.h"
#include "platform/headless/HeadlessPlatform.h"
#include "tests/nettime/NtpPeers.h"
#include "tests/support/LogCapture.h"

#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <gtest/gtest.h>

using namespace std::chrono;
using hx::test::GoodReply;
using hx::test::ScriptedDatagram;
using hx::test::UdpResponder;

namespace {

constexpr uint32_t kSecs2024 = 3913056000u; // 2024-01-01 00:00:00 UTC

// Sets TZ for one test and puts the old value back.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* tz)
    {
        if (const char* old = std::getenv("TZ"))
            old_ = old, had_ = true;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        if (had_)
            setenv("TZ", old_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string old_;
    bool had_ = false;
};

std::string Text(const hx::LocalDateTime& l)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", l.year, l.month, l.day, l.hour, l.minute,
        l.second, l.millisecond);
    return buf;
}

using hx::test::LogCapture;

} // namespace

TEST(NtpToLocal, ConvertsWithTheZonesRealOffsetAndEras)
{
    struct Case {
        uint32_t seconds, fraction;
        const char* zone;
        const char* local;
    } cases[] = {
        // Read unsigned: the value is above 2^31.
        { kSecs2024, 0x80000000u, "CST-8", "2024-01-01 08:00:00.500" },
        // Cut to whole milliseconds, never rounded up to the next second.
        { kSecs2024, 0xFFFFFFFFu, "CST-8", "2024-01-01 08:00:00.999" },
        // 2024-07-01 00:00 UTC in summer: UTC+2, not the zone's standard UTC+1.
        { kSecs2024 + 182u * 86400u, 0, "CET-1CEST,M3.5.0,M10.5.0/3", "2024-07-01 02:00:00.000" },
        { kSecs2024, 0, "CET-1CEST,M3.5.0,M10.5.0/3", "2024-01-01 01:00:00.000" },
        // Era 1 starts at 2036-02-07 06:28:16 UTC; the last second of era 0's upper half
        // is 2^31 seconds after 1900 and still belongs to era 0.
        { 0u, 0, "UTC0", "2036-02-07 06:28:16.000" },
        { 0x7FFFFFFFu, 0, "UTC0", "2104-02-26 09:42:23.000" },
        { 0x80000000u, 0, "UTC0", "1968-01-20 03:14:08.000" },
    };
    for (const auto& c : cases) {
        ZoneGuard zone(c.zone);
        EXPECT_EQ(Text(hx::DecodeDateTime(hx::NtpToLocal(c.seconds, c.fraction))), c.local)
            << c.seconds << " in " << c.zone;
    }
}

TEST(ParseNtpServer, DefaultOverrideAndPort)
{
    unsetenv("HORALUX_NTP_SERVER");
    EXPECT_EQ(hx::ParseNtpServer("")->host, hx::kDefaultNtpServer);
    EXPECT_EQ(hx::ParseNtpServer("")->port, 123);
    setenv("HORALUX_NTP_SERVER", "127.0.0.1:5123", 1);
    EXPECT_EQ(hx::ParseNtpServer("")->host, "127.0.0.1");
    EXPECT_EQ(hx::ParseNtpServer("")->port, 5123);
    // An explicit name wins over the environment.
    EXPECT_EQ(hx::ParseNtpServer("time.example")->host, "time.example");
    EXPECT_EQ(hx::ParseNtpServer("time.example")->port, 123);
    unsetenv("HORALUX_NTP_SERVER");
    for (const char* bad : { "host:", "host:0", "host:65536", "host:12x", ":123" })
        EXPECT_FALSE(hx::ParseNtpServer(bad)) << bad;
}

TEST(QueryNetTime, RealExchangeWithChrony)
{
    hx::test::ChronyServer chrony;
    ASSERT_TRUE(chrony.Start()) << "chronyd did not start";
    const auto before = system_clock::now();
    const double local = hx::QueryNetTime(chrony.Address());
    ASSERT_NE(local, 0);
    // chronyd serves this machine's own clock.
    const double expected = hx::ToDateTime(before);
    EXPECT_NEAR(local, expected, 2.0 / 86400);
}

TEST(QueryNetTime, RequestCarriesAFreshRandomTransmitTime)
{
    UdpResponder server([](const std::vector<uint8_t>& req) {
        return std::vector<ScriptedDatagram> { { GoodReply(req, kSecs2024, 0) } };
    });
    ZoneGuard zone("UTC0");
    EXPECT_EQ(Text(hx::DecodeDateTime(hx::QueryNetTime(server.Address()))), "2024-01-01 00:00:00.000");
    EXPECT_NE(hx::QueryNetTime(server.Address()), 0);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto& r : requests) {
        ASSERT_EQ(r.size(), 48u);
        EXPECT_EQ(r[0], 0x1B);
        EXPECT_EQ(std::vector<uint8_t>(r.begin() + 1, r.begin() + 40), std::vector<uint8_t>(39, 0));
    }
    EXPECT_NE(std::vector<uint8_t>(requests[0].begin() + 40, requests[0].end()),
        std::vector<uint8_t>(requests[1].begin() + 40, requests[1].end()));
}

// Each row is a datagram the query must not believe. The responder sends it first and a good
// reply right after: the query must skip it and take the good one's time.
TEST(QueryNetTime, IgnoresBrokenAndHostileReplies)
{
    using Mutate = std::function<ScriptedDatagram(const std::vector<uint8_t>& req)>;
    const uint32_t bad = kSecs2024 + 86400; // a day off: believing it would show
    auto mutated = [bad](std::function<void(std::vector<uint8_t>&)> change) {
        return [bad, change](const std::vector<uint8_t>& req) {
            auto r = GoodReply(req, bad, 0);
            change(r);
            return ScriptedDatagram { r };
        };
    };
    struct Row {
        const char* name;
        Mutate datagram;
    } rows[] = {
        { "47 bytes", mutated([](auto& r) { r.resize(47); }) },
        { "empty", mutated([](auto& r) { r.clear(); }) },
        { "mode 3 (a client)", mutated([](auto& r) { r[0] = 0x23; }) },
        { "mode 5 (broadcast)", mutated([](auto& r) { r[0] = 0x25; }) },
        { "leap indicator 3", mutated([](auto& r) { r[0] = 0xE4; }) },
        { "stratum 0 (kiss of death)", mutated([](auto& r) { r[1] = 0; }) },
        { "stratum 16", mutated([](auto& r) { r[1] = 16; }) },
        { "transmit 0", mutated([](auto& r) { std::fill(r.begin() + 40, r.end(), 0); }) },
        { "originate not ours", mutated([](auto& r) { r[31] ^= 1; }) },
        { "originate 0", mutated([](auto& r) { std::fill(r.begin() + 24, r.begin() + 32, 0); }) },
        { "from another port",
            [bad](const auto& req) {
                return ScriptedDatagram { GoodReply(req, bad, 0), ScriptedDatagram::OtherPort };
            } },
        { "from another address",
            [bad](const auto& req) {
                return ScriptedDatagram { GoodReply(req, bad, 0), ScriptedDatagram::OtherAddress };
            } },
    };
    ZoneGuard zone("UTC0");
    for (const auto& row : rows) {
        UdpResponder server([&row](const std::vector<uint8_t>& req) {
            return std::vector<ScriptedDatagram> { row.datagram(req), { GoodReply(req, kSecs2024, 0) } };
        });
        LogCapture log;
        const auto result = hx::QueryNetInstant(server.Address(), milliseconds(1000));
        ASSERT_TRUE(result) << row.name;
        EXPECT_EQ(result->instant, hx::NtpToInstant(kSecs2024, 0)) << row.name;
        const auto lines = log.Lines();
        ASSERT_EQ(lines.size(), 1u) << row.name;
        EXPECT_NE(lines[0].find("ignored 1 datagram"), std::string::npos) << lines[0];
    }
}

TEST(QueryNetTime, FailsWithZeroAtItsBound)
{
    // A silent server, one that only sends forgeries, and a name that does not resolve.
    UdpResponder silent(nullptr);
    UdpResponder forger([](const std::vector<uint8_t>& req) {
        auto r = GoodReply(req, kSecs2024, 0);
        r[24] ^= 0xFF;
        return std::vector<ScriptedDatagram> { { r }, { r, ScriptedDatagram::OtherPort } };
    });
    for (const std::string& server : { silent.Address(), forger.Address(), std::string("no-such-host.invalid") }) {
        LogCapture log;
        const auto start = steady_clock::now();
        EXPECT_FALSE(hx::QueryNetInstant(server, milliseconds(300))) << server;
        EXPECT_LT(steady_clock::now() - start, milliseconds(1300)) << server;
        EXPECT_FALSE(log.Lines().empty()) << server;
    }
    EXPECT_EQ(silent.Requests().size(), 1u);
}

namespace {

class RecordingClock final : public hx::ISystemClock {
public:
    bool SetTime(hx::SystemTimePoint t) override
    {
        std::lock_guard lock(mutex);
        calls.push_back(t);
        return accept;
    }
    std::mutex mutex;
    std::vector<hx::SystemTimePoint> calls;
    bool accept = true;
};

} // namespace

TEST(ApplyNetTime, SetsTheInstantOfTheLocalValueAndSkipsZero)
{
    RecordingClock clock;
    EXPECT_FALSE(hx::ApplyNetTime(0, clock));
    EXPECT_TRUE(clock.calls.empty());
    ZoneGuard zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const uint32_t summer = kSecs2024 + 182u * 86400u + 3600u;
    EXPECT_TRUE(hx::ApplyNetTime(hx::NtpToLocal(summer, 0x80000000u), clock));
    ASSERT_EQ(clock.calls.size(), 1u);
    EXPECT_EQ(clock.calls[0], hx::NtpToInstant(summer, 0x80000000u));
    clock.accept = false;
    EXPECT_FALSE(hx::ApplyNetTime(hx::NtpToLocal(summer, 0), clock));
}

TEST(NetTimeSync, QueriesOffTheUiThreadAndAppliesOnIt)
{
    UdpResponder server([](const std::vector<uint8_t>& req) {
        return std::vector<ScriptedDatagram> { { GoodReply(req, kSecs2024, 0) } };
    });
    hx::headless::HeadlessPlatform platform;
    hx::NetTimeSync sync;
    ASSERT_TRUE(sync.Start(platform, server.Address()));
    // The UI thread sees the result only as posted work.
    EXPECT_TRUE(platform.ClockRecorder().Calls().empty());
    const auto until = steady_clock::now() + seconds(2);
    while (platform.ClockRecorder().Calls().empty() && steady_clock::now() < until)
        platform.WaitAndRunPending(milliseconds(50));
    ASSERT_EQ(platform.ClockRecorder().Calls().size(), 1u);
    // The server's time plus the moments the hand-over took.
    const auto set = platform.ClockRecorder().Calls()[0];
    EXPECT_GE(set, hx::NtpToInstant(kSecs2024, 0));
    EXPECT_LT(set, hx::NtpToInstant(kSecs2024, 0) + milliseconds(500));
    // Right after a success the pool is not asked again.
    EXPECT_FALSE(sync.Start(platform, server.Address()));
    sync.minInterval = milliseconds(0);
    EXPECT_TRUE(sync.Start(platform, server.Address()));
    sync.Stop();
}

TEST(NetTimeSync, OneQueryAtATimeAndStopEndsASilentWait)
{
    UdpResponder silent(nullptr);
    hx::headless::HeadlessPlatform platform;
    hx::NetTimeSync sync;
    ASSERT_TRUE(sync.Start(platform, silent.Address()));
    EXPECT_FALSE(sync.Start(platform, silent.Address()));
    EXPECT_TRUE(sync.Running());
    const auto start = steady_clock::now();
    sync.Stop();
    EXPECT_LT(steady_clock::now() - start, milliseconds(500));
    EXPECT_FALSE(sync.Running());
    EXPECT_FALSE(platform.WaitAndRunPending(milliseconds(0)));
    EXPECT_TRUE(platform.ClockRecorder().Calls().empty());
}
