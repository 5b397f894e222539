#include "app/Horalux_main.h"

#include "platform/Log.h"
#include "tasks/TaskSchedule.h"

#include <cstdlib>
#include <optional>

namespace hx {
namespace {

    // Test hook: a fixed, faster pacing pause for the end-to-end soak run; otherwise the
    // ticks follow the system clock's seconds.
    std::optional<std::chrono::milliseconds> PacingPause()
    {
        if (const char* env = std::getenv("HORALUX_TICK_MS"); env && *env) {
            const long ms = std::strtol(env, nullptr, 10);
            if (ms >= 1 && ms <= 10000)
                return std::chrono::milliseconds(ms);
        }
        return std::nullopt;
    }

    long long HourKey(const LocalDateTime& t)
    {
        return static_cast<long long>(EncodeDateTime({ t.year, t.month, t.day, 0, 0, 0, 0, 0 })) * 24 + t.hour;
    }

} // namespace

std::string HomePageUrl()
{
    if (const char* env = std::getenv("HORALUX_HOME_URL"); env && *env)
        return env;
    return "https://www.brightfen.com/";
}

// ---- Tfrm_clock ----

Tfrm_clock::Tfrm_clock(IPlatform& platform, KeyStore& store, ClockServices services)
    : platform_(platform)
    , store_(store)
    , services_(std::move(services))
    , window_(platform.CreateLayeredWindow("Horalux"))
    , menu_(platform.CreateContextMenu())
    , format_(platform.GetLongTimeFormat())
{
    // The window is created borderless, on top, without a taskbar button and with per-pixel
    // alpha by the platform; what is left of the create handler is the settings.
    Settings().ShowIndex = -1;
    store_.Load();
    LoadSettings(Settings(), store_, platform_.GetWorkArea().width);
    RestoreTask(Settings(), platform_.Now());

    BuildMenu();
    window_->OnMouseMove = [this](const MouseEvent& e) {
        // Only a move with the left button held starts the window manager's move: on X11 a
        // move started without a pressed button would glue the window to the pointer.
        if (e.leftDown)
            window_->BeginMove(e);
    };
    window_->OnDoubleClick = [this](const MouseEvent&) {
        if (content_)
            content_->Show();
    };
    window_->OnContextMenu = [this](const MouseEvent& e) { menu_->Popup(e); };
    platform_.OnLocaleChanged = [this] { format_ = platform_.GetLongTimeFormat(); };

    timer1_ = platform_.StartTimer(1000, [this] { Timer1Timer(); });
}

Tfrm_clock::~Tfrm_clock()
{
    platform_.StopTimer(timer1_);
    // The pacing thread reads the window and the settings: it must be gone first.
    if (pacing_)
        pacing_->Stop();
    pacing_.reset();
    SaveSettings(Settings(), store_, window_->Left(), window_->Top());
}

void Tfrm_clock::SetToolWindows(Tfrm_content* content, Tfrm_set* set, Tfrm_task* task)
{
    content_ = content;
    set_ = set;
    task_ = task;
}

void Tfrm_clock::BuildMenu()
{
    auto page = [this](int position) {
        return [this, position] {
            ShowPage(position);
            Settings().ShowIndex = position;
        };
    };
    std::vector<MenuItem> items(7);
    items[N1] = { "显示天气", false, false, page(N1) };
    items[N2] = { "星座运势", false, false, page(N2) };
    items[N3] = { "黄历信息", false, false, page(N3) };
    items[N4] = { "定时任务", true, false, [this] {
                     if (task_)
                         task_->ShowModal();
                 } };
    items[N5] = { "设置...", false, false, [this] {
                     if (set_)
                         set_->ShowModal();
                 } };
    items[N7] = { "查看更新", false, false, [this] { OpenHomePage(); } };
    items[N6] = { "退出程序", false, false, [this] { Close(); } };
    menu_->SetItems(std::move(items));
    menu_->OnPopup = [this] { menu_->SetChecked(N4, Settings().TaskArmed); };
}

void Tfrm_clock::FormShow()
{
    window_->SetPosition(Settings().FrmLeft, Settings().FrmTop);
    window_->Show();
    pacing_ = std::make_unique<TshowClock>(platform_, *window_, Settings(), format_, PacingPause());
    // The next ten minutes' pieces of the face are drawn right after the first tick.
    pacing_->SetWarmAhead(std::chrono::minutes(10));
    pacing_->Start();
    if (services_.StartFetch)
        services_.StartFetch();
    if (services_.SyncTime)
        services_.SyncTime();
}

void Tfrm_clock::Timer1Timer()
{
    TaskTrigger(Settings(), platform_);
    HourlyRefresh(ToLocal(platform_.Now()));
}

void Tfrm_clock::HourlyRefresh(const LocalDateTime& now)
{
    if (now.minute != 3)
        return;
    // Once per hour, on the first tick of its minute 3, not on every tick of that minute.
    const long long hour = HourKey(now);
    if (hour == refreshedHour_)
        return;
    refreshedHour_ = hour;
    if (services_.StartFetch)
        services_.StartFetch();
    if (Settings().CheckTime && services_.SyncTime)
        services_.SyncTime();
}

void Tfrm_clock::OnInfoArrived()
{
    if (Settings().ShowIndex >= 0)
        ShowPage(Settings().ShowIndex);
}

void Tfrm_clock::ShowPage(int page)
{
    if (!content_)
        return;
    content_->FillPage(page);
    content_->Show();
}

void Tfrm_clock::showNext()
{
    if (content_)
        ShowPage((content_->Page() + 1) % 3);
}

void Tfrm_clock::OpenHomePage() { platform_.OpenUrl(HomePageUrl()); }

void Tfrm_clock::Close() { platform_.Quit(); }

// ---- HoraluxApp ----

HoraluxApp::HoraluxApp(IPlatform& platform, ClockServices services)
    : platform_(platform)
    , store_(std::filesystem::path(platform.ConfigDir()) / "settings.conf")
    , services_(services)
{
    clock_ = std::make_unique<Tfrm_clock>(platform_, store_, std::move(services));
    content_ = std::make_unique<Tfrm_content>(platform_);
    set_ = std::make_unique<Tfrm_set>(platform_);
    task_ = std::make_unique<Tfrm_task>(platform_);
    clock_->SetToolWindows(content_.get(), set_.get(), task_.get());
    // SIGTERM, SIGINT and the session's end leave exactly as "退出程序" does.
    platform_.OnSessionEnd = [this] { clock_->Close(); };
}

HoraluxApp::~HoraluxApp()
{
    platform_.OnSessionEnd = nullptr;
    if (services_.StopAll)
        services_.StopAll();
    clock_->SetToolWindows(nullptr, nullptr, nullptr);
    task_.reset();
    set_.reset();
    content_.reset();
    clock_.reset();
}

void HoraluxApp::Run()
{
    Show();
    platform_.Run();
}

} // namespace hx
