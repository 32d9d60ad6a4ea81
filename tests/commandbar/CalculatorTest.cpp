#include "commandbar/Calculator.h"

#include <gtest/gtest.h>

TEST(Calculator, ValuesNoValueForMalformedInputOverflowOrDeepNestingAndTheirFormatting)
{
    const std::pair<const char *, double> rows[]
        = {{"2+3*4", 14},  {"(2+3)*4", 20},     {"10-4-3", 3},
           {"64/4/2", 8},  {"--3", 3},          {"+-3", -3},
           {"-2*3", -6},   {"2*-3", -6},        {"-(2+3)", -5},
           {"2 x 3", 6},   {"2x3", 6},          {"2×3", 6},
           {"9÷4", 2.25},  {"1 000 + 1", 1001}, {"\t1\u00A0+\u30002\n", 3},
           {"7%3", 1},     {"-7%3", -1},        {"7%-3", 1},
           {"7.5%2", 1.5}, {"0/5", 0},          {".5", 0.5},
           {"5.", 5}};
    for (const auto &[text, value] : rows)
        EXPECT_EQ(Calculator::evaluate(QString::fromUtf8(text)), value) << text;
    // Upper-case X, division by a literal or computed zero, malformed input, other scripts.
    for (const char *text : {"2X3", "1/0",  "1/(2-2)", "1/-0", "5%0", "0/0",   "",   "   ", "2*(3",
                             "2)",  "(",    "()",      "2+",   "*2",  "1.2.3", ".",  "1e3", "2^10",
                             "abc", "2 3)", "3!",      "٣+1",  "½",   "1½",    "五", "𝟙+1", "1²"})
        EXPECT_FALSE(Calculator::evaluate(QString::fromUtf8(text))) << text;

    // Overflow and nesting too deep for the stack; fifty levels are fine.
    const QString open = "(", close = ")";
    EXPECT_FALSE(Calculator::evaluate(QStringLiteral("9").repeated(400)));
    EXPECT_FALSE(Calculator::evaluate("1" + QStringLiteral("0").repeated(308) + "*10"));
    EXPECT_FALSE(Calculator::evaluate(open.repeated(200000) + "1" + close.repeated(200000)));
    EXPECT_FALSE(Calculator::evaluate(QStringLiteral("-").repeated(200000) + "1"));
    EXPECT_EQ(Calculator::evaluate(open.repeated(50) + "1" + close.repeated(50)), 1);

    // Shown with ten significant digits, plain up to fifteen integer digits, no negative zero.
    const std::pair<double, const char *> formatted[]
        = {{0.1 + 0.2, "0.3"},        {0x1p-30, "9.313225746e-10"},  {-0.0, "0"},
           {123456.5, "123456.5"},    {1e15 - 1, "999999999999999"}, {1e15, "1e+15"},
           {1.0 / 3, "0.3333333333"}, {1 - 1e15, "-999999999999999"}};
    for (const auto &[value, shown] : formatted)
        EXPECT_EQ(Calculator::format(value), shown) << shown;
}
