#include "recorder/PcmBacklog.h"

#include <gtest/gtest.h>

namespace {

TEST(PcmBacklogTest, KeepsWhatIsNotReleasedAndHandsItOnFromAnyOffset)
{
    PcmBacklog backlog;
    backlog.append("abcd");
    backlog.append("");
    backlog.append("efg");
    backlog.append("hijkl");
    EXPECT_EQ(backlog.size(), 12);

    backlog.releaseBefore(5); // inside the second buffer: it stays, from "f" on
    EXPECT_EQ(backlog.begin(), 5);
    backlog.releaseBefore(2); // never back
    EXPECT_EQ(backlog.begin(), 5);

    // offset, most bytes, what is handed on: never more than one buffer at once
    const std::tuple<qint64, qint64, const char*> reads[] = {
        {5, 100, "fg"}, {6, 1, "g"}, {7, 3, "hij"}, {11, 100, "l"}, {4, 100, ""}, {12, 100, ""}, {8, 0, ""},
    };
    for (const auto& [offset, most, expected] : reads) {
        EXPECT_EQ(backlog.next(offset, most), QByteArrayView(expected)) << offset << " " << most;
    }

    backlog.releaseBefore(100);
    EXPECT_EQ(backlog.begin(), 12);
    EXPECT_EQ(backlog.size(), 0);
    backlog.append("mn");
    EXPECT_EQ(backlog.next(12, 100), QByteArrayView("mn")) << "offsets go on after everything was released";
    backlog.clear();
    backlog.append("x");
    EXPECT_EQ(backlog.next(0, 1), QByteArrayView("x"));
}

} // namespace
