#include "platform/RunLoop.h"

#include "platform/MainThread.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

namespace dossiva {
namespace {

using namespace std::chrono_literals;

// Generous: the tests never wait for it unless something is broken.
constexpr auto kPatience = 20s;

TEST(RunLoopTest, RunsTasksFromOtherThreadsOnItsOwnThreadInOrder)
{
    RunLoop loop;
    const auto loopThread = std::this_thread::get_id();
    constexpr int kProducers = 3;
    constexpr int kTasksEach = 200;
    std::vector<std::vector<int>> seen(kProducers); // touched only on the loop's thread
    int ran = 0;
    bool allOnLoopThread = true;

    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < kTasksEach; ++i) {
                MainThread::post([&, p, i] {
                    allOnLoopThread = allOnLoopThread && std::this_thread::get_id() == loopThread;
                    seen[p].push_back(i);
                    ++ran;
                });
            }
        });
    }
    const bool finished = loop.runUntil([&ran] { return ran == kProducers * kTasksEach; }, kPatience);
    for (auto& producer : producers) {
        producer.join();
    }
    ASSERT_TRUE(finished);
    EXPECT_TRUE(allOnLoopThread);
    std::vector<int> inOrder(kTasksEach);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    for (int p = 0; p < kProducers; ++p) {
        EXPECT_EQ(seen[p], inOrder) << "producer " << p;
    }
}

TEST(RunLoopTest, ReturnsFalseWhenTimeRunsOut)
{
    RunLoop loop;
    int ran = 0;
    loop.post([&ran] { ++ran; });
    EXPECT_FALSE(loop.runUntil([] { return false; }, 30ms));
    EXPECT_EQ(ran, 1); // what was queued still ran
}

struct StopCase {
    const char* what;
    int doneAfter; // done() holds once this many tasks ran
    int expectedRan;
};

TEST(RunLoopTest, StopsAsSoonAsDoneHolds)
{
    const std::vector<StopCase> cases = {
        {"already done: nothing runs", 0, 0},
        {"done after the first task", 1, 1},
        {"done after the second task", 2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RunLoop loop;
        int ran = 0;
        for (int i = 0; i < 3; ++i) {
            loop.post([&ran] { ++ran; });
        }
        EXPECT_TRUE(loop.runUntil([&] { return ran >= c.doneAfter; }, kPatience));
        EXPECT_EQ(ran, c.expectedRan);
        loop.runPending(); // the rest stayed queued
        EXPECT_EQ(ran, 3);
    }
}

TEST(RunLoopTest, TasksMayPostMoreTasks)
{
    RunLoop loop;
    std::vector<std::string> order;
    MainThread::post([&order] {
        order.push_back("outer");
        MainThread::post([&order] { order.push_back("inner"); });
    });
    MainThread::post([&order] { order.push_back("second"); });
    EXPECT_TRUE(loop.runUntil([&order] { return order.size() == 3; }, kPatience));
    EXPECT_EQ(order, (std::vector<std::string>{"outer", "second", "inner"}));
}

TEST(RunLoopTest, RunPendingRunsOnlyWhatWasQueued)
{
    RunLoop loop;
    int ran = 0;
    loop.post([&] {
        ++ran;
        loop.post([&ran] { ++ran; });
    });
    loop.runPending();
    EXPECT_EQ(ran, 1);
    loop.runPending();
    EXPECT_EQ(ran, 2);
}

TEST(RunLoopTest, InstallsAndUninstallsItselfAsThePoster)
{
    EXPECT_FALSE(MainThread::hasPoster());
    {
        RunLoop loop;
        EXPECT_TRUE(MainThread::hasPoster());
    }
    EXPECT_FALSE(MainThread::hasPoster());

    // With no poster a task cannot run; it is dropped and the drop logged.
    const test::LogCapture log;
    bool ran = false;
    MainThread::post([&ran] { ran = true; });
    EXPECT_FALSE(ran);
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_TRUE(log.mentions("no poster"));
}

} // namespace
} // namespace dossiva
