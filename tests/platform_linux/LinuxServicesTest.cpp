#include "platform/linux/LinuxServices.h"

#include "platform/Log.h"
#include "platform/linux/LinuxPower.h"
#include "platform/linux/LinuxSystemClock.h"
#include "tasks/Fast_power.h"
#include "tests/platform_linux/PrivateBus.h"
#include "tests/support/LogCapture.h"
#include "tests/support/PrivateXvfb.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using hx::test::PrivateBus;

namespace {

using hx::test::LogCapture;

class SystemBusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { bus_ = new PrivateBus; }
    static void TearDownTestSuite()
    {
        delete bus_;
        bus_ = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(bus_->Ok()) << "the private dbus-daemon did not start";
        bus_->Refuse(false);
        seen_ = bus_->Calls().size();
    }
    // The calls that arrived during this test.
    std::vector<std::string> NewCalls() const
    {
        auto all = bus_->Calls();
        return { all.begin() + static_cast<long>(seen_), all.end() };
    }
    static PrivateBus* bus_;
    size_t seen_ = 0;
};
PrivateBus* SystemBusTest::bus_ = nullptr;

} // namespace

using LinuxPowerTest = SystemBusTest;

TEST_F(LinuxPowerTest, AsksLogindWithoutInteraction)
{
    hx::LinuxPower power;
    EXPECT_TRUE(power.PowerOff());
    EXPECT_TRUE(power.Reboot());
    EXPECT_TRUE(power.Suspend());
    EXPECT_EQ(NewCalls(),
        (std::vector<std::string> { "org.freedesktop.login1.Manager.PowerOff(false,)",
            "org.freedesktop.login1.Manager.Reboot(false,)", "org.freedesktop.login1.Manager.Suspend(false,)" }));
}

TEST_F(LinuxPowerTest, TaskActionsReachLogindOnce)
{
    const auto power = hx::CreateLinuxPower();
    hx::PowerShutdown(*power);
    hx::PowerRestart(*power);
    hx::PowerSuspend(*power);
    EXPECT_EQ(NewCalls(),
        (std::vector<std::string> { "org.freedesktop.login1.Manager.PowerOff(false,)",
            "org.freedesktop.login1.Manager.Reboot(false,)", "org.freedesktop.login1.Manager.Suspend(false,)" }));
}

TEST_F(LinuxPowerTest, ARefusalIsLoggedWithItsReason)
{
    bus_->Refuse(true);
    LogCapture log;
    const auto power = hx::CreateLinuxPower();
    hx::PowerShutdown(*power);
    EXPECT_EQ(NewCalls().size(), 1u);
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("AccessDenied"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("refused to shut down"), std::string::npos) << lines[1];
}

TEST(LinuxPowerWithoutServices, NoBusOrDisplayFailsQuietly)
{
    const std::string oldBus = std::getenv("DBUS_SYSTEM_BUS_ADDRESS") ? std::getenv("DBUS_SYSTEM_BUS_ADDRESS") : "";
    const std::string oldDisplay = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/hx-bus", 1);
    setenv("DISPLAY", ":4711", 1);
    LogCapture log;
    hx::LinuxPower power;
    EXPECT_FALSE(power.PowerOff());
    EXPECT_FALSE(power.MonitorOff());
    EXPECT_EQ(log.Lines().size(), 2u);
    oldBus.empty() ? unsetenv("DBUS_SYSTEM_BUS_ADDRESS") : setenv("DBUS_SYSTEM_BUS_ADDRESS", oldBus.c_str(), 1);
    oldDisplay.empty() ? unsetenv("DISPLAY") : setenv("DISPLAY", oldDisplay.c_str(), 1);
}

using LinuxClockTest = SystemBusTest;

// The kernel clock is never touched here: a stand-in refuses as a user without CAP_SYS_TIME.
TEST_F(LinuxClockTest, FallsBackToTimedated)
{
    int kernelCalls = 0;
    hx::LinuxSystemClock clock([&](const timespec& ts) {
        ++kernelCalls;
        EXPECT_EQ(ts.tv_sec, 1704067200);
        EXPECT_EQ(ts.tv_nsec, 500000000);
        errno = EPERM;
        return -1;
    });
    const auto t = hx::SystemTimePoint(std::chrono::milliseconds(1704067200500));
    EXPECT_TRUE(clock.SetTime(t));
    EXPECT_EQ(kernelCalls, 1);
    EXPECT_EQ(
        NewCalls(), std::vector<std::string> { "org.freedesktop.timedate1.SetTime(1704067200500000, false, false)" });
}

TEST_F(LinuxClockTest, KernelFirstAndOneLogLineWhenBothRefuse)
{
    hx::LinuxSystemClock kernelOk([](const timespec&) { return 0; });
    EXPECT_TRUE(kernelOk.SetTime(hx::SystemTimePoint {}));
    EXPECT_TRUE(NewCalls().empty());

    bus_->Refuse(true);
    LogCapture log;
    hx::LinuxSystemClock clock([](const timespec&) {
        errno = EPERM;
        return -1;
    });
    EXPECT_FALSE(clock.SetTime(hx::SystemTimePoint {}));
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("not permitted"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("not allowed"), std::string::npos) << lines[0];
}

// Xvfb has no DPMS, which is the case of a server that cannot turn its monitor off: the
// request must be refused with a log line, and Xlib must not take the process down.
TEST(LinuxMonitorOff, ServerWithoutDpmsIsARefusal)
{
    const hx::test::PrivateXvfb xvfb("64x64x24");
    if (!xvfb.Started())
        GTEST_SKIP() << "Xvfb did not start";
    const std::string oldDisplay = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    setenv("DISPLAY", xvfb.Display().c_str(), 1);
    {
        LogCapture log;
        hx::LinuxPower power;
        EXPECT_FALSE(power.MonitorOff());
        const auto lines = log.Lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find("DPMS"), std::string::npos) << lines[0];
    }
    oldDisplay.empty() ? unsetenv("DISPLAY") : setenv("DISPLAY", oldDisplay.c_str(), 1);
}
