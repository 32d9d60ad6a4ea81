#pragma once

#include <QString>

#include <optional>

// The arithmetic of "=" queries: + - * / % over doubles, parentheses and unary signs. Every
// character is one token; there is no lexer, no exponent, no power and no function.
namespace Calculator {

// The value of the expression; nothing when it does not parse in full, divides by zero or is
// not finite.
std::optional<double> evaluate(const QString &expression);

// A whole number below 10^15 in magnitude as plain digits, anything else as "%.10g".
QString format(double value);

} // namespace Calculator
