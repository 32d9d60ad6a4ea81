#include "commandbar/RelativeDate.h"

#include <gtest/gtest.h>

namespace {

const QDateTime now(QDate(2026, 3, 15), QTime(12, 0), Qt::UTC);

QString said(const QDateTime &date)
{
    return RelativeDate::text(date, now, QStringLiteral("en_US"));
}

} // namespace

TEST(RelativeDate, TheLargestWholeUnitSpeaks)
{
    EXPECT_EQ(said(now.addSecs(-2 * 60)), QStringLiteral("2 minutes ago"));
    EXPECT_EQ(said(now.addSecs(-(2 * 60 + 59))), QStringLiteral("2 minutes ago"));
    EXPECT_EQ(said(now.addSecs(-45)), QStringLiteral("45 seconds ago"));
    EXPECT_EQ(said(now.addSecs(-3600)), QStringLiteral("1 hour ago"));
    EXPECT_EQ(said(now.addDays(-1)), QStringLiteral("1 day ago"));
    EXPECT_EQ(said(now.addDays(-6)), QStringLiteral("6 days ago"));
    EXPECT_EQ(said(now.addDays(-7)), QStringLiteral("1 week ago"));
    EXPECT_EQ(said(now.addDays(-20)), QStringLiteral("2 weeks ago"));
    EXPECT_EQ(said(now.addMonths(-1)), QStringLiteral("1 month ago"));
    EXPECT_EQ(said(now.addYears(-3).addDays(-40)), QStringLiteral("3 years ago"));
}

TEST(RelativeDate, FutureDatesAndTheSameInstant)
{
    EXPECT_EQ(said(now.addSecs(3 * 3600)), QStringLiteral("in 3 hours"));
    EXPECT_EQ(said(now.addDays(1)), QStringLiteral("in 1 day"));
    EXPECT_EQ(said(now), QStringLiteral("in 0 seconds"));
    EXPECT_EQ(said(now.addMSecs(-400)), QStringLiteral("in 0 seconds"));
}

TEST(RelativeDate, MonthsFollowTheCalendar)
{
    // 28 days back from 15 March is 15 February: a whole month, not four weeks.
    EXPECT_EQ(said(now.addDays(-28)), QStringLiteral("1 month ago"));
    EXPECT_EQ(said(now.addDays(-27)), QStringLiteral("3 weeks ago"));
}

TEST(RelativeDate, InvalidDatesSayNothing)
{
    EXPECT_TRUE(RelativeDate::text(QDateTime(), now).isEmpty());
    EXPECT_TRUE(RelativeDate::text(now, QDateTime()).isEmpty());
}
