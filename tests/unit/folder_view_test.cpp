#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "desktop/folder_view_calibration.h"
#include "desktop/folder_view_thread.h"

namespace {

TEST(FolderViewCalibration, OnlyOneOffsetForEveryIconAgrees) {
    struct Case {
        const char* name;
        std::vector<PositionPair> pairs;
        CalibrationVerdict verdict;
        POINT offset;
    };
    const Case cases[] = {
        {"nothing read", {}, CalibrationVerdict::Unanswered, {0, 0}},
        {"the same places", {{true, {21, 2}, {21, 2}}, {true, {96, 77}, {96, 77}}}, CalibrationVerdict::Agrees, {0, 0}},
        {"one offset, negative parts too",
         {{true, {11, 40}, {21, 2}}, {true, {-10, 115}, {0, 77}}, {true, {86, 40}, {96, 2}}},
         CalibrationVerdict::Agrees,
         {-10, 38}},
        {"one icon alone", {{true, {500, 7}, {21, 2}}}, CalibrationVerdict::Agrees, {479, 5}},
        {"offsets that differ in x",
         {{true, {21, 2}, {21, 2}}, {true, {97, 77}, {96, 77}}},
         CalibrationVerdict::Disagrees,
         {0, 0}},
        {"offsets that differ in y",
         {{true, {21, 2}, {21, 2}}, {true, {96, 76}, {96, 77}}},
         CalibrationVerdict::Disagrees,
         {0, 0}},
        {"another item at the index",
         {{true, {21, 2}, {21, 2}}, {false, {96, 77}, {96, 77}}},
         CalibrationVerdict::Disagrees,
         {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Calibration calibration = JudgePositions(c.pairs);
        EXPECT_EQ(c.verdict, calibration.verdict);
        EXPECT_EQ(c.offset.x, calibration.offset.x);
        EXPECT_EQ(c.offset.y, calibration.offset.y);
    }
}

// A job that counts its runs and, when told, waits until released: a shell
// that does not answer. It keeps a handle to the thread it last ran on.
class CountingJob : public FolderViewJob {
public:
    explicit CountingJob(HANDLE release = nullptr) : release_(release) {}
    ~CountingJob() override {
        if (thread != nullptr) CloseHandle(thread);
    }
    void Run(IFolderView* view) override {
        sawView = view != nullptr;
        if (thread == nullptr) thread = OpenThread(SYNCHRONIZE, FALSE, GetCurrentThreadId());
        if (release_ != nullptr) WaitForSingleObject(release_, INFINITE);
        InterlockedIncrement(&runs);
    }
    LONG runs = 0;
    bool sawView = false;
    HANDLE thread = nullptr;

private:
    HANDLE release_;
};

// Wine's own shell answers the lookup of the desktop's folder view (its view
// refuses the calls that matter, which these jobs do not make).
TEST(FolderViewThread, RunsJobsUntilOneOverrunsThenRefusesAtOnce) {
    const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const auto answered = std::make_shared<CountingJob>();
    const auto hanging = std::make_shared<CountingJob>(release);
    const auto later = std::make_shared<CountingJob>();
    {
        FolderViewThread thread(kFolderViewBudgetMilliseconds);
        ASSERT_TRUE(thread.Run(answered));
        EXPECT_EQ(1, answered->runs);
        EXPECT_TRUE(answered->sawView);
        EXPECT_TRUE(thread.Run(answered)) << "one thread serves the restore's jobs in turn";
        EXPECT_EQ(2, answered->runs);

        EXPECT_FALSE(thread.Run(hanging)) << "the budget ran out";
        EXPECT_FALSE(thread.Run(later));
        // The destructor does not wait for the abandoned thread.
    }
    EXPECT_EQ(0, hanging->runs) << "still in its call";
    EXPECT_EQ(0, later->runs) << "never given to the abandoned thread";
    // The abandoned thread ends its job when the shell answers at last, and
    // then ends itself, releasing what it holds.
    SetEvent(release);
    ASSERT_NE(nullptr, hanging->thread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hanging->thread, 30000)) << "the abandoned thread waits on";
    EXPECT_EQ(1, hanging->runs);
    EXPECT_EQ(0, later->runs);
    CloseHandle(release);
}

// With no time left a job is refused before it is handed over: nothing keeps
// it to run later.
TEST(FolderViewThread, NoJobIsHandedOverOnceTheBudgetIsSpent) {
    auto job = std::make_shared<CountingJob>();
    const std::weak_ptr<CountingJob> handedOver = job;
    {
        FolderViewThread thread(0);
        EXPECT_FALSE(thread.Run(job));
    }
    job.reset();
    EXPECT_TRUE(handedOver.expired()) << "the thread holds the job";
}

}  // namespace
