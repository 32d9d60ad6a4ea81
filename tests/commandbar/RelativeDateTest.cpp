#include "commandbar/RelativeDate.h"

#include <gtest/gtest.h>

TEST(RelativeDate, TheLargestWholeUnitSpeaks)
{
    const QDateTime now(QDate(2026, 3, 15), QTime(12, 0), Qt::UTC);
    // 28 days back from 15 March is 15 February: a whole month, not four weeks.
    const std::pair<QDateTime, const char *> rows[]
        = {{now.addSecs(-120), "2 minutes ago"},
           {now.addSecs(-179), "2 minutes ago"},
           {now.addSecs(-45), "45 seconds ago"},
           {now.addSecs(-3600), "1 hour ago"},
           {now.addDays(-1), "1 day ago"},
           {now.addDays(-6), "6 days ago"},
           {now.addDays(-7), "1 week ago"},
           {now.addDays(-20), "2 weeks ago"},
           {now.addDays(-27), "3 weeks ago"},
           {now.addDays(-28), "1 month ago"},
           {now.addMonths(-1), "1 month ago"},
           {now.addYears(-3).addDays(-40), "3 years ago"},
           {now.addSecs(3 * 3600), "in 3 hours"},
           {now.addDays(1), "in 1 day"},
           {now, "in 0 seconds"},
           {now.addMSecs(-400), "in 0 seconds"}};
    for (const auto &[date, said] : rows)
        EXPECT_EQ(RelativeDate::text(date, now, "en_US"), said) << said;
    EXPECT_TRUE(RelativeDate::text(QDateTime(), now).isEmpty());
    EXPECT_TRUE(RelativeDate::text(now, QDateTime()).isEmpty());
}
