#include "commandbar/Calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

std::optional<double> eval(const char *text)
{
    return Calculator::evaluate(QString::fromUtf8(text));
}

// The formatted value, or "none" when there is none.
QString shown(const char *text)
{
    const std::optional<double> v = eval(text);
    return v ? Calculator::format(*v) : QStringLiteral("none");
}

} // namespace

TEST(Calculator, PrecedenceAssociativityAndSigns)
{
    EXPECT_EQ(eval("2+3*4"), 14);
    EXPECT_EQ(eval("(2+3)*4"), 20);
    EXPECT_EQ(eval("10-4-3"), 3);
    EXPECT_EQ(eval("64/4/2"), 8);
    EXPECT_EQ(eval("--3"), 3);
    EXPECT_EQ(eval("+-3"), -3);
    EXPECT_EQ(eval("-2*3"), -6);
    EXPECT_EQ(eval("2*-3"), -6);
    EXPECT_EQ(eval("-(2+3)"), -5);
}

TEST(Calculator, MultiplySignsAndWhiteSpace)
{
    EXPECT_EQ(eval("2 x 3"), 6);
    EXPECT_EQ(eval("2x3"), 6);
    EXPECT_EQ(eval("2×3"), 6);
    EXPECT_EQ(eval("9÷4"), 2.25);
    EXPECT_EQ(eval("1 000 + 1"), 1001);
    // Tabs, newlines and the Unicode spaces (no-break, ideographic) all vanish.
    EXPECT_EQ(eval("\t1\u00A0+\u30002\n"), 3);
    EXPECT_FALSE(eval("2X3")) << "only the lower-case x multiplies";
}

TEST(Calculator, RemainderKeepsTheDividendsSign)
{
    EXPECT_EQ(eval("7%3"), 1);
    EXPECT_EQ(eval("-7%3"), -1);
    EXPECT_EQ(eval("7%-3"), 1);
    EXPECT_EQ(eval("7.5%2"), 1.5);
}

TEST(Calculator, DivisionOrRemainderByZeroGivesNothing)
{
    EXPECT_FALSE(eval("1/0"));
    EXPECT_FALSE(eval("1/(2-2)"));
    EXPECT_FALSE(eval("1/-0"));
    EXPECT_FALSE(eval("5%0"));
    EXPECT_FALSE(eval("0/0"));
    EXPECT_EQ(eval("0/5"), 0);
}

TEST(Calculator, MalformedInputGivesNothing)
{
    for (const char *text : {"", "   ", "2*(3", "2)", "(", "()", "2+", "*2", "1.2.3", ".", "1e3",
                             "2^10", "abc", "2 3)", "3!"})
        EXPECT_FALSE(eval(text)) << text;
    EXPECT_EQ(eval(".5"), 0.5);
    EXPECT_EQ(eval("5."), 5);
}

TEST(Calculator, NumbersOfOtherScriptsFailWithoutCrashing)
{
    // Numeric characters join the number run, but only ASCII digits convert.
    EXPECT_FALSE(eval("٣+1")); // ARABIC-INDIC DIGIT THREE
    EXPECT_FALSE(eval("½"));
    EXPECT_FALSE(eval("1½"));
    EXPECT_FALSE(eval("五"));
    EXPECT_FALSE(eval("𝟙+1")); // outside the Basic Multilingual Plane
    EXPECT_FALSE(eval("1²"));
}

TEST(Calculator, OverflowIsNoValue)
{
    EXPECT_FALSE(Calculator::evaluate(QStringLiteral("9").repeated(400)));
    EXPECT_FALSE(Calculator::evaluate(QStringLiteral("1") + QStringLiteral("0").repeated(308)
                                      + QStringLiteral("*10")));
}

TEST(Calculator, DeepNestingFailsInsteadOfExhaustingTheStack)
{
    const qsizetype depth = 200000;
    EXPECT_FALSE(Calculator::evaluate(QStringLiteral("(").repeated(depth) + QStringLiteral("1")
                                      + QStringLiteral(")").repeated(depth)));
    EXPECT_FALSE(Calculator::evaluate(QStringLiteral("-").repeated(depth) + QStringLiteral("1")));
    // Ordinary nesting still works.
    EXPECT_EQ(Calculator::evaluate(QStringLiteral("(").repeated(50) + QStringLiteral("1")
                                   + QStringLiteral(")").repeated(50)),
              1);
}

TEST(Calculator, Formatting)
{
    EXPECT_EQ(shown("0.1+0.2"), QStringLiteral("0.3"));
    EXPECT_EQ(shown("10/4"), QStringLiteral("2.5"));
    EXPECT_EQ(shown("1/3"), QStringLiteral("0.3333333333"));
    EXPECT_EQ(shown("-0"), QStringLiteral("0"));
    EXPECT_EQ(shown("0*-1"), QStringLiteral("0"));
    EXPECT_EQ(shown("-7"), QStringLiteral("-7"));
    EXPECT_EQ(shown("999999999999999"), QStringLiteral("999999999999999"));
    EXPECT_EQ(shown("1000000000000000"), QStringLiteral("1e+15"));
    EXPECT_EQ(shown("10000000000000000"), QStringLiteral("1e+16"));
    EXPECT_EQ(shown("-999999999999999"), QStringLiteral("-999999999999999"));
    EXPECT_EQ(shown("1/1024/1024/1024"), QStringLiteral("9.313225746e-10"));
    EXPECT_EQ(Calculator::format(123456.5), QStringLiteral("123456.5"));
}
