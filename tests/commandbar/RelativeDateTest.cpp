#include "commandbar/RelativeDate.h"

#include <gtest/gtest.h>

TEST(RelativeDate, TheLargestWholeUnitSpeaks)
{
    const QDateTime now(QDate(2026, 3, 15), QTime(12, 0), Qt::UTC);
    const qint64 day = 86400;
    // 28 days back from 15 March is 15 February: a whole month, not four weeks.
    const std::pair<qint64, const char *> rows[]
        = {{-179, "2 minutes ago"},    {-45, "45 seconds ago"},      {-3600, "1 hour ago"},
           {-6 * day, "6 days ago"},   {-7 * day, "1 week ago"},     {-27 * day, "3 weeks ago"},
           {-28 * day, "1 month ago"}, {-1200 * day, "3 years ago"}, {3 * 3600, "in 3 hours"},
           {day, "in 1 day"},          {0, "in 0 seconds"}};
    for (const auto &[seconds, said] : rows)
        EXPECT_EQ(RelativeDate::text(now.addSecs(seconds), now, "en_US"), said) << said;
    EXPECT_EQ(RelativeDate::text(now.addMSecs(-400), now, "en_US"), "in 0 seconds");
    EXPECT_TRUE(RelativeDate::text(QDateTime(), now).isEmpty());
    EXPECT_TRUE(RelativeDate::text(now, QDateTime()).isEmpty());
}
