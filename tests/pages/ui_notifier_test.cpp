// Workers' news to the window: each worker's news runs in the order it was posted, news still
// queued for the same record is not queued twice, a flood of news leaves room for other events
// between slices, and closing drops what waits.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "pages/common/ui_notifier.h"
#include "tests/common/qt_test_base.h"
#include "tests/common/wait_until.h"

namespace quillet::pages {
namespace {

class UiNotifierTest : public test::QtTestBase {};

bool RunEventsUntil(const std::function<bool()>& cond) {
    return test::WaitUntil(
        [&] {
            QCoreApplication::processEvents();
            return cond();
        },
        std::chrono::seconds(60));
}

TEST_F(UiNotifierTest, EachWorkersNewsRunsInItsOrder) {
    constexpr int kWorkers = 16, kEach = 200;
    UiNotifier notifier;
    std::vector<std::vector<int>> seen(kWorkers);  // written on the window's thread only
    std::atomic<int> ran{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < kEach; ++i) {
                notifier.Post(static_cast<uint64_t>(i), &seen[w], [&, w, i] {
                    seen[w].push_back(i);
                    ++ran;
                });
            }
        });
    }
    for (std::thread& t : workers)
        t.join();
    EXPECT_TRUE(RunEventsUntil([&] { return ran == kWorkers * kEach; }));
    for (const std::vector<int>& news : seen) {
        ASSERT_EQ(news.size(), static_cast<size_t>(kEach));
        for (int i = 0; i < kEach; ++i)
            EXPECT_EQ(news[i], i);
    }
}

TEST_F(UiNotifierTest, NewsStillQueuedForARecordIsNotQueuedAgain) {
    UiNotifier notifier;
    int record = 0, ran = 0;
    for (int i = 0; i < 3; ++i)
        notifier.Post(7, &record, [&] { ++ran; });
    notifier.Post(8, &record, [&] { ++ran; });  // another key: other news
    EXPECT_TRUE(RunEventsUntil([&] { return ran == 2; }));
    notifier.Post(7, &record, [&] { ++ran; });  // once run, news of the record is new again
    EXPECT_TRUE(RunEventsUntil([&] { return ran == 3; }));
}

TEST_F(UiNotifierTest, AFloodOfNewsLeavesRoomForOtherEvents) {
    // Each piece of news takes at least a millisecond, so a few fill a slice.
    constexpr int kNews = 50;
    UiNotifier notifier;
    int ran = 0, ranBeforeOther = -1;
    for (int i = 0; i < kNews; ++i) {
        notifier.Post(static_cast<uint64_t>(i), &notifier, [&] {
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1);
            while (std::chrono::steady_clock::now() < until) {
            }
            ++ran;
        });
    }
    QMetaObject::invokeMethod(
        &notifier, [&] { ranBeforeOther = ran; }, Qt::QueuedConnection);
    EXPECT_TRUE(RunEventsUntil([&] { return ran == kNews; }));
    EXPECT_GE(ranBeforeOther, 1);
    EXPECT_LT(ranBeforeOther, kNews);
}

TEST_F(UiNotifierTest, ClosingDropsWaitingAndLaterNews) {
    UiNotifier notifier;
    int ran = 0;
    notifier.Post(1, &ran, [&] { ++ran; });
    notifier.Close();
    notifier.Post(2, &ran, [&] { ++ran; });
    EXPECT_TRUE(notifier.IsClosed());
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(ran, 0);
}

}  // namespace
}  // namespace quillet::pages
