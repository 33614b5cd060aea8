#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cwchar>
#include <future>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "app/stop_request.h"
#include "app/timestamped_output.h"
#include "text/res_string.h"
#include "unit/captured_output.h"
#include "watcher/desktop_settle.h"
#include "watcher/item_arrivals.h"
#include "watcher/save_schedule.h"
#include "watcher/watch_command.h"
#include "watcher/window_message_filter.h"

namespace {

const HWND kDesktop = reinterpret_cast<HWND>(0x1000);
const HWND kNewDesktop = reinterpret_cast<HWND>(0x2000);

// One look at the desktop at a time, in milliseconds after the start, and the
// verdict it must give. Events come at the times of `events`.
struct Look {
    ULONGLONG at;
    HWND listView;
    int itemCount;
    DesktopSettle::Verdict verdict;
};

struct SettleCase {
    const char* name;
    std::vector<ULONGLONG> events;
    std::vector<Look> looks;
};

TEST(DesktopSettle, WaitsForAQuietDesktopAfterTheLastEvent) {
    using V = DesktopSettle::Verdict;
    const SettleCase cases[] = {
        {"no event, nothing to do", {}, {{5000, kDesktop, 3, V::Idle}}},
        {"quiet for the quiet time",
         {0},
         {{500, kDesktop, 3, V::Waiting}, {1000, kDesktop, 3, V::Settled}, {1500, kDesktop, 3, V::Idle}}},
        {"a burst is one wait, from its last event",
         {0, 300, 600, 900},
         {{1000, kDesktop, 3, V::Waiting}, {1899, kDesktop, 3, V::Waiting}, {1900, kDesktop, 3, V::Settled}}},
        {"items still arriving",
         {0},
         {{500, kDesktop, 3, V::Waiting},
          {1000, kDesktop, 5, V::Waiting},
          {1999, kDesktop, 5, V::Waiting},
          {2000, kDesktop, 5, V::Settled}}},
        {"the shell restarting: gone, then a new list view",
         {0},
         {{500, nullptr, 0, V::Waiting},
          {3000, nullptr, 0, V::Waiting},
          {3500, kNewDesktop, 0, V::Waiting},
          {4000, kNewDesktop, 8, V::Waiting},
          {4999, kNewDesktop, 8, V::Waiting},
          {5000, kNewDesktop, 8, V::Settled}}},
        {"another list view with as many items",
         {0},
         {{500, kDesktop, 3, V::Waiting}, {1000, kNewDesktop, 3, V::Waiting}, {2000, kNewDesktop, 3, V::Settled}}},
        {"a desktop that does not come back",
         {0},
         {{60000, nullptr, 0, V::Waiting}, {120000, nullptr, 0, V::NoListView}, {121000, kDesktop, 3, V::Idle}}},
    };
    for (const SettleCase& c : cases) {
        SCOPED_TRACE(c.name);
        DesktopSettle settle(1000, 120000);
        size_t nextEvent = 0;
        for (const Look& look : c.looks) {
            while (nextEvent < c.events.size() && c.events[nextEvent] <= look.at)
                settle.OnEvent(c.events[nextEvent++]);
            EXPECT_EQ(look.verdict, settle.Look(look.at, look.listView, look.itemCount)) << "at " << look.at;
        }
    }
}

// The save schedule, step by step: a look at the desktop (its arrangement a
// number, -1 when the positions could not be read) or the end of an event's
// wait with no layout stored for the display, in milliseconds after the
// watcher's start; the delay is 5 s.
enum class StepKind { Look, WaitEndNoLayout };
struct SaveStep {
    StepKind kind;
    ULONGLONG at;
    int arrangement = 0;
    SaveSchedule::Verdict verdict = SaveSchedule::Verdict::Wait;
    HWND listView = kDesktop;
    const wchar_t* display = L"one";
};
constexpr auto kSave = SaveSchedule::Verdict::Save;
SaveStep Seen(ULONGLONG at, int arrangement, SaveSchedule::Verdict verdict = SaveSchedule::Verdict::Wait) {
    return {StepKind::Look, at, arrangement, verdict};
}
SaveStep SeenIn(ULONGLONG at, int arrangement, HWND listView, const wchar_t* display,
                SaveSchedule::Verdict verdict = SaveSchedule::Verdict::Wait) {
    return {StepKind::Look, at, arrangement, verdict, listView, display};
}

struct SaveScheduleCase {
    const char* name;
    bool layoutStored;
    std::vector<SaveStep> steps;
};

// The end-to-end tests show the delay after moves, events and at the start;
// these are the states of the desktop that cannot be staged there.
TEST(SaveSchedule, StartsTheDelayAgainWhenTheDesktopIsNotTheSame) {
    const SaveScheduleCase cases[] = {
        {"no layout for the display after an event's wait",
         true,
         {Seen(0, 1), {StepKind::WaitEndNoLayout, 2000}, Seen(6999, 1), Seen(7000, 1, kSave)}},
        {"a list view missing or unreadable starts it again, and what comes back is taken as it is",
         false,
         {Seen(0, 1), SeenIn(2000, 0, nullptr, L"one"), Seen(4000, -1), Seen(6000, 2), Seen(10999, 2),
          Seen(11000, 2, kSave), Seen(13000, 2), Seen(14000, -1), Seen(16000, 3), Seen(60000, 3)}},
        {"another list view",
         true,
         {Seen(0, 1), Seen(1000, 2), SeenIn(3000, 2, kNewDesktop, L"one"), SeenIn(7999, 2, kNewDesktop, L"one"),
          SeenIn(8000, 2, kNewDesktop, L"one", kSave), SeenIn(9000, 4, kDesktop, L"one"),
          SeenIn(60000, 4, kDesktop, L"one")}},
        {"another display configuration",
         false,
         {Seen(0, 1), SeenIn(3000, 1, kDesktop, L"two"), SeenIn(7999, 1, kDesktop, L"two"),
          SeenIn(8000, 1, kDesktop, L"two", kSave)}},
    };
    for (const SaveScheduleCase& c : cases) {
        SCOPED_TRACE(c.name);
        SaveSchedule schedule(5000);
        schedule.Begin(0, c.layoutStored);
        for (const SaveStep& step : c.steps) {
            if (step.kind == StepKind::WaitEndNoLayout) {
                schedule.Begin(step.at, false);
                continue;
            }
            DesktopLook seen;
            seen.listView = step.listView;
            seen.read = step.arrangement >= 0;
            if (seen.read) seen.positions = {{step.arrangement, 0}, {0, 75 * step.arrangement}};
            seen.displayName = step.display;
            EXPECT_EQ(step.verdict, schedule.Look(step.at, seen)) << "at " << step.at;
        }
    }
}

// The items of a list view as "text/data" words, and which of `now` appeared.
struct ArrivalCase {
    const char* name;
    std::vector<const wchar_t*> before;
    std::vector<const wchar_t*> now;
    std::vector<int> appeared;
};

std::vector<ItemTag> Tags(const std::vector<const wchar_t*>& words) {
    std::vector<ItemTag> tags;
    for (const wchar_t* word : words) {
        ItemTag tag;
        const wchar_t* slash = wcschr(word, L'/');
        tag.text.Assign(std::wstring(word, slash).c_str());
        tag.data = wcstoull(slash + 1, nullptr, 10);
        tags.push_back(tag);
    }
    return tags;
}

TEST(ItemArrivals, OnlyItemsInsertedSinceTheLastLookAppear) {
    const ArrivalCase cases[] = {
        {"nothing changed (a drag keeps tag and order)", {L"a/1", L"b/2", L"c/3"}, {L"a/1", L"b/2", L"c/3"}, {}},
        {"items deleted only", {L"a/1", L"b/2", L"c/3"}, {L"a/1", L"c/3"}, {}},
        {"a new item in the middle", {L"a/1", L"c/3"}, {L"a/1", L"n/9", L"c/3"}, {1}},
        {"the last item made again, new data", {L"a/1", L"b/2"}, {L"a/1", L"b/7"}, {1}},
        {"made again with its old data, to the end", {L"x/1", L"c/2", L"d/3"}, {L"c/2", L"d/3", L"x/1"}, {2}},
        {"several made again at once", {L"a/1", L"b/2", L"c/3", L"d/4"}, {L"b/2", L"d/4", L"a/5", L"c/6"}, {2, 3}},
        {"a twin of an item added", {L"t/0", L"u/0"}, {L"t/0", L"u/0", L"t/0"}, {2}},
        {"the first look after a start", {}, {L"a/1", L"b/2"}, {0, 1}},
    };
    for (const ArrivalCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.appeared, AppearedItems(Tags(c.before), Tags(c.now)));
    }
}

TEST(TimestampedOutput, EveryLineOfEachStreamBeginsWithTheLocalTime) {
    CapturedOutput captured;
    {
        TimestampedOutput output;
        PrintText(OutputStream::Out, L"one\ntwo ");
        PrintText(OutputStream::Err, L"error\n");
        PrintText(OutputStream::Out, L"still two\n\nfour");
        output.EndOpenLines();
        PrintText(OutputStream::Out, L"five\n");
    }
    PrintText(OutputStream::Out, L"after\n");
    const std::wstring stamp = L"\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} ";
    EXPECT_TRUE(std::regex_match(captured.out, std::wregex(stamp + L"one\n" + stamp + L"two still two\n" + stamp +
                                                           L"\n" + stamp + L"four\n" + stamp + L"five\nafter\n")))
        << captured.out.c_str();
    EXPECT_TRUE(std::regex_match(captured.err, std::wregex(stamp + L"error\n")));
}

// The watcher in this process, against no desktop at all: the ways to stop it
// that cannot be sent to a console under Wine. Each ends it promptly with 0.
class WatcherStop : public ::testing::Test {
protected:
    void SetUp() override {
        SetResourceModule(GetModuleHandleW(nullptr));
        ClearStopRequest();
    }
    // A stop request lasts for the rest of a process; the other tests of this
    // one go on.
    void TearDown() override { ClearStopRequest(); }

    // Starts the watcher on a thread of its own and waits for its window.
    HWND Start() {
        finished = std::async(std::launch::async, [] { return RunWatchCommand({WatchMode::Console, 1}); });
        for (int tries = 0; tries < 600; ++tries) {
            if (HWND window = FindWindowW(L"KelvaneWatcher", nullptr)) return window;
            if (finished.wait_for(std::chrono::milliseconds(50)) == std::future_status::ready) break;
        }
        ADD_FAILURE() << "the watcher's window did not appear";
        return nullptr;
    }

    void ExpectStopped() {
        ASSERT_EQ(std::future_status::ready, finished.wait_for(std::chrono::seconds(30))) << "the watcher runs on";
        EXPECT_EQ(0, finished.get());
        EXPECT_EQ(nullptr, FindWindowW(L"KelvaneWatcher", nullptr)) << "its window stays";
    }

    CapturedOutput output;
    std::future<int> finished;
};

TEST_F(WatcherStop, TheEndOfTheSession) {
    const HWND window = Start();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(TRUE, SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF)) << "the watcher lets it end";
    SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    ExpectStopped();
}

// The watcher's window lets the shell's restart through the integrity filter,
// which a watcher run as administrator needs to hear it.
TEST_F(WatcherStop, TheShellsRestartPassesTheIntegrityFilter) {
    struct RecordingFilter : WindowMessageFilter {
        bool Allow(HWND window, UINT message) override {
            allowed.push_back({window, message});
            return true;
        }
        std::vector<std::pair<HWND, UINT>> allowed;
    } filter;
    const WindowMessageFilter::Scope installed(&filter);
    const HWND window = Start();
    ASSERT_NE(nullptr, window);
    RequestStop();
    ExpectStopped();
    // Read once the watcher's thread has ended.
    const std::vector<std::pair<HWND, UINT>> expected = {{window, RegisterWindowMessageW(L"TaskbarCreated")}};
    EXPECT_EQ(expected, filter.allowed);
}

TEST_F(WatcherStop, TheConsoleControlHandler) {
    for (DWORD event : {CTRL_C_EVENT, CTRL_BREAK_EVENT, CTRL_CLOSE_EVENT}) {
        SCOPED_TRACE(event);
        ClearStopRequest();
        ASSERT_NE(nullptr, Start());
        EXPECT_EQ(TRUE, StopOnConsoleSignal(event)) << "the signal is handled, not left to end the process";
        ExpectStopped();
    }
}

}  // namespace
