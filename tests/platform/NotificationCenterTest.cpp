#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace dossiva {
namespace {

TEST(NotificationCenterTest, DeliversInTheOrderObserversWereAdded)
{
    NotificationCenter center;
    std::vector<std::string> heard;
    for (const char* who : {"first", "second", "third"}) {
        center.addObserver(kDBChangedNotification, nullptr,
                           [&heard, who](const Notification&) { heard.push_back(who); });
    }
    center.post(kDBChangedNotification);
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "second", "third"}));
}

struct FilterCase {
    const char* postedName;
    const void* poster;
    std::vector<std::string> expected;
};

TEST(NotificationCenterTest, FiltersByNameAndPoster)
{
    const int listTable = 0;
    const int preferences = 0;
    NotificationCenter center;
    std::vector<std::string> heard;
    center.addObserver(kSortingTypeChangedNotification, nullptr,
                       [&heard](const Notification&) { heard.push_back("any poster"); });
    center.addObserver(kSortingTypeChangedNotification, &listTable,
                       [&heard](const Notification&) { heard.push_back("list table only"); });
    center.addObserver(kEditDateNotification, nullptr,
                       [&heard](const Notification&) { heard.push_back("edit"); });

    const std::vector<FilterCase> cases = {
        {kSortingTypeChangedNotification, nullptr, {"any poster"}},
        {kSortingTypeChangedNotification, &listTable, {"any poster", "list table only"}},
        {kSortingTypeChangedNotification, &preferences, {"any poster"}},
        {kSortingTypeChangedNotificationFromListTable, &listTable, {}},
        {kEditDateNotification, &preferences, {"edit"}},
        {"SortingTypeChanged", nullptr, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.postedName);
        heard.clear();
        center.post(c.postedName, c.poster);
        EXPECT_EQ(heard, c.expected);
    }
}

TEST(NotificationCenterTest, CarriesNameObjectAndPayload)
{
    NotificationCenter center;
    const int poster = 0;
    Notification received;
    center.addObserver(kSortingTypeChangedNotification, nullptr,
                       [&received](const Notification& notification) { received = notification; });
    center.post(kSortingTypeChangedNotification, &poster, 3);
    EXPECT_EQ(received.name, kSortingTypeChangedNotification);
    EXPECT_EQ(received.object, &poster);
    ASSERT_TRUE(received.payload.has_value());
    EXPECT_EQ(std::any_cast<int>(received.payload), 3);
}

TEST(NotificationCenterTest, RemovedObserversHearNothing)
{
    NotificationCenter center;
    int calls = 0;
    const auto id =
        center.addObserver(kDBChangedNotification, nullptr, [&calls](const Notification&) { ++calls; });
    center.post(kDBChangedNotification);
    center.removeObserver(id);
    center.removeObserver(id); // twice is harmless
    center.post(kDBChangedNotification);
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenterTest, ObserversMayChangeTheListDuringDelivery)
{
    NotificationCenter center;
    std::vector<std::string> heard;
    NotificationCenter::ObserverId second = 0;
    NotificationCenter::ObserverId first = 0;
    first = center.addObserver(kDBChangedNotification, nullptr, [&](const Notification&) {
        heard.push_back("first");
        // Removes itself and the next one, and adds a newcomer.
        center.removeObserver(first);
        center.removeObserver(second);
        center.addObserver(kDBChangedNotification, nullptr,
                           [&heard](const Notification&) { heard.push_back("newcomer"); });
    });
    second = center.addObserver(kDBChangedNotification, nullptr,
                                [&heard](const Notification&) { heard.push_back("second"); });
    center.addObserver(kDBChangedNotification, nullptr,
                       [&heard](const Notification&) { heard.push_back("third"); });

    center.post(kDBChangedNotification);
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "third"}));

    heard.clear();
    center.post(kDBChangedNotification);
    EXPECT_EQ(heard, (std::vector<std::string>{"third", "newcomer"}));
}

TEST(NotificationCenterTest, AHandlerMayPostAgain)
{
    NotificationCenter center;
    std::vector<std::string> heard;
    center.addObserver(kDBChangedNotification, nullptr, [&](const Notification&) {
        heard.push_back("db");
        center.post(kEditDateNotification);
    });
    center.addObserver(kEditDateNotification, nullptr,
                       [&heard](const Notification&) { heard.push_back("edit"); });
    center.post(kDBChangedNotification);
    EXPECT_EQ(heard, (std::vector<std::string>{"db", "edit"}));
}

TEST(NotificationCenterTest, DefaultCenterIsOneInstance)
{
    EXPECT_EQ(&NotificationCenter::defaultCenter(), &NotificationCenter::defaultCenter());
    int calls = 0;
    const auto id = NotificationCenter::defaultCenter().addObserver(
        kDBBackgroundChangedNotification, nullptr, [&calls](const Notification&) { ++calls; });
    NotificationCenter::defaultCenter().post(kDBBackgroundChangedNotification);
    NotificationCenter::defaultCenter().removeObserver(id);
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenterTest, ThreadsMayObserveAndPostAtOnce)
{
    NotificationCenter center;
    std::atomic<int> delivered{0};
    const auto steady = center.addObserver(kDBChangedNotification, nullptr,
                                           [&delivered](const Notification&) { ++delivered; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&center] {
            for (int i = 0; i < 500; ++i) {
                const auto id =
                    center.addObserver(kDBChangedNotification, nullptr, [](const Notification&) {});
                center.post(kDBChangedNotification);
                center.removeObserver(id);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    center.removeObserver(steady);
    EXPECT_EQ(delivered.load(), 4 * 500);
}

} // namespace
} // namespace dossiva
