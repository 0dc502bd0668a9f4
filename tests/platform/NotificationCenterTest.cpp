#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dossiva {
namespace {

TEST(NotificationCenterTest, DeliversInTheOrderObserversWereAddedWithSenderAndPayload)
{
    NotificationCenter center;
    const int poster = 0;
    std::vector<std::string> heard;
    std::vector<ObserverToken> tokens;
    for (const char* who : {"first", "second", "third"}) {
        tokens.push_back(
            center.observe<std::int64_t>(kSortingTypeChangedNotification, nullptr,
                                         [&, who](const std::int64_t& index, const void* sender) {
                                             heard.push_back(std::string(who) + " " + std::to_string(index) +
                                                             (sender == &poster ? "" : "?"));
                                         }));
    }
    center.post(kSortingTypeChangedNotification, &poster, std::int64_t{3});
    EXPECT_EQ(heard, (std::vector<std::string>{"first 3", "second 3", "third 3"}));
}

TEST(NotificationCenterTest, FiltersByNameAndPoster)
{
    const int listTable = 0;
    const int preferences = 0;
    NotificationCenter center;
    std::vector<std::string> heard;
    const auto note = [&heard](const char* what) {
        return [&heard, what](const std::int64_t&, const void*) { heard.push_back(what); };
    };
    const ObserverToken any =
        center.observe<std::int64_t>(kSortingTypeChangedNotification, nullptr, note("any"));
    const ObserverToken only =
        center.observe<std::int64_t>(kSortingTypeChangedNotification, &listTable, note("list table only"));
    const ObserverToken edit = center.observe<std::int64_t>(kEditDateNotification, nullptr, note("edit"));
    struct Case {
        NotificationKind<std::int64_t> kind;
        const void* poster;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {kSortingTypeChangedNotification, nullptr, {"any"}},
        {kSortingTypeChangedNotification, &listTable, {"any", "list table only"}},
        {kSortingTypeChangedNotification, &preferences, {"any"}},
        {kSortingTypeChangedNotificationFromListTable, &listTable, {}},
        {kEditDateNotification, &preferences, {"edit"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind.name);
        heard.clear();
        center.post(c.kind, c.poster, std::int64_t{0});
        EXPECT_EQ(heard, c.expected);
    }
}

TEST(NotificationCenterTest, AnObserverHearsWhileItsTokenLives)
{
    NotificationCenter center;
    int calls = 0;
    ObserverToken token = center.observe<NoPayload>(kDBChangedNotification, nullptr,
                                                    [&calls](const NoPayload&, const void*) { ++calls; });
    center.post(kDBChangedNotification, nullptr);
    ObserverToken moved = std::move(token);
    token.reset(); // the moved-from token holds nothing
    center.post(kDBChangedNotification, nullptr);
    moved.reset();
    moved.reset(); // twice is harmless
    center.post(kDBChangedNotification, nullptr);
    EXPECT_EQ(calls, 2);
}

TEST(NotificationCenterTest, ObserversMayChangeTheListDuringDelivery)
{
    NotificationCenter center;
    std::vector<std::string> heard;
    ObserverToken first;
    ObserverToken second;
    ObserverToken newcomer;
    first = center.observe<NoPayload>(kDBChangedNotification, nullptr, [&](const NoPayload&, const void*) {
        heard.push_back("first");
        // Removes itself and the next one, and adds a newcomer.
        first.reset();
        second.reset();
        newcomer = center.observe<NoPayload>(
            kDBChangedNotification, nullptr,
            [&heard](const NoPayload&, const void*) { heard.push_back("newcomer"); });
    });
    second =
        center.observe<NoPayload>(kDBChangedNotification, nullptr,
                                  [&heard](const NoPayload&, const void*) { heard.push_back("second"); });
    const ObserverToken third =
        center.observe<NoPayload>(kDBChangedNotification, nullptr,
                                  [&heard](const NoPayload&, const void*) { heard.push_back("third"); });

    center.post(kDBChangedNotification, nullptr);
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "third"}));

    heard.clear();
    center.post(kDBChangedNotification, nullptr);
    EXPECT_EQ(heard, (std::vector<std::string>{"third", "newcomer"}));
}

TEST(NotificationCenterTest, AHandlerMayPostAgain)
{
    NotificationCenter center;
    std::vector<std::string> heard;
    const ObserverToken db =
        center.observe<NoPayload>(kDBChangedNotification, nullptr, [&](const NoPayload&, const void*) {
            heard.push_back("db");
            center.post(kEditDateNotification, nullptr, std::int64_t{5});
        });
    const ObserverToken edit = center.observe<std::int64_t>(
        kEditDateNotification, nullptr,
        [&heard](const std::int64_t& date, const void*) { heard.push_back("edit " + std::to_string(date)); });
    center.post(kDBChangedNotification, nullptr);
    EXPECT_EQ(heard, (std::vector<std::string>{"db", "edit 5"}));
}

} // namespace
} // namespace dossiva
