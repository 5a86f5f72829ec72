#include <gtest/gtest.h>

#include "core/calls/CallFiles.h"
#include "core/support/AppError.h"

using namespace parlaro;

namespace {

CallFields found(int n) {
    return {"ann", "07-Dec-2026", "14:03:22", n, "", "/calls/x" + QString::number(n) + ".wav"};
}

QList<int32_t> numbers(const CallCollection& calls) {
    QList<int32_t> n;
    for (const CallRecord& c : calls)
        n << c.iCall;
    return n;
}

}  // namespace

TEST(CallCollection, AddWrapsTheKeyAndInsertsWhereAsked) {
    CallCollection calls;
    QString key = "5";
    CallRecord& c = calls.Add(5, "ann", "07-Dec-2026", "14:03:22", 95, "note", "/c/x.wav", -1, key);
    EXPECT_EQ(key, "#5#");
    EXPECT_EQ(c.CallDate, QDate(2026, 12, 7));
    EXPECT_EQ(c.CallTime, QTime(14, 3, 22));
    QString k2 = "6";
    calls.Add(6, "bob", "2026-12-08", "9:05:00", 1, "", "/c/y.wav", 1, k2);
    EXPECT_EQ(numbers(calls), (QList<int32_t>{6, 5}));
    EXPECT_EQ(calls.Item(1).LoginName, "bob");
    EXPECT_EQ(calls.Item("#5#").LoginName, "ann");
    EXPECT_EQ(&calls.Item("#5#"), &c);  // records stay put when others are inserted

    QString same = "5";
    EXPECT_THROW(calls.Add(7, "x", "07-Dec-2026", "14:03:22", 1, "", "", -1, same), AppError);
    QString bad = "8";
    EXPECT_THROW(calls.Add(8, "x", "07-Foo-2026", "14:03:22", 1, "", "", -1, bad), AppError);
    QString far = "9";
    EXPECT_THROW(calls.Add(9, "x", "07-Dec-2026", "14:03:22", 1, "", "", 5, far), AppError);
    EXPECT_EQ(calls.Count(), 2);
    EXPECT_THROW(calls.Item(3), AppError);
    EXPECT_THROW(calls.Item("#7#"), AppError);

    calls.Remove("#6#");
    EXPECT_EQ(numbers(calls), QList<int32_t>{5});
    calls.Remove(1);
    EXPECT_EQ(calls.Count(), 0);
}

TEST(CallCollection, NumberingOfSearchResultsAndOfNewCalls) {
    CallCollection calls;
    EXPECT_EQ(calls.maxKey(), "0");
    CallRecord recorded;
    recorded.LoginName = "ann";
    recorded.CallDate = QDate(2026, 12, 8);
    recorded.CallTime = QTime(10, 0, 0);
    EXPECT_EQ(AddRecordedCall(calls, recorded).iCall, 1);
    EXPECT_NO_THROW(GetCall(calls, "#1#"));

    CallCollection search;
    for (int i = 0; i < 5; ++i)
        AddFoundCall(search, found(i));
    EXPECT_EQ(numbers(search), (QList<int32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(search.maxKey(), "5");
    EXPECT_EQ(AddRecordedCall(search, recorded).iCall, 6);
    EXPECT_EQ(AddRecordedCall(search, recorded).iCall, 7);
    EXPECT_EQ(numbers(search), (QList<int32_t>{7, 6, 1, 2, 3, 4, 5}));
    EXPECT_EQ(GetCall(search, "#6#").CallDate, QDate(2026, 12, 8));

    auto owned = std::make_unique<CallCollection>();
    AddFoundCall(*owned, found(1));
    EmptyCollection(owned);
    EXPECT_EQ(owned, nullptr);
    EmptyCollection(owned);  // no collection: nothing to do
}
