#include "commandbar/Calculator.h"

#include <QList>

#include <unicode/uchar.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include <locale.h>

namespace {

// Deeper nesting than this ("((((…" or "----…" pasted by the thousand) fails instead of
// running the recursion off the end of the stack.
constexpr int kMaxDepth = 256;

bool isNumeric(char32_t c)
{
    return u_getIntPropertyValue(UChar32(c), UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

// strtod in the C locale whatever LC_NUMERIC the application runs under; the whole text must
// be consumed.
std::optional<double> parseDecimal(const QByteArray &text)
{
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    if (text.isEmpty() || !cLocale)
        return std::nullopt;
    char *end = nullptr;
    const double value = ::strtod_l(text.constData(), &end, cLocale);
    if (end != text.constData() + text.size())
        return std::nullopt;
    return value;
}

class Parser
{
public:
    explicit Parser(QList<char32_t> tokens)
        : m_tokens(std::move(tokens))
    { }

    std::optional<double> run()
    {
        const std::optional<double> value = expression();
        if (!value || m_pos != m_tokens.size() || !std::isfinite(*value))
            return std::nullopt;
        return value;
    }

private:
    std::optional<char32_t> peek() const
    {
        return m_pos < m_tokens.size() ? std::optional<char32_t>(m_tokens[m_pos]) : std::nullopt;
    }

    std::optional<double> expression()
    {
        std::optional<double> value = term();
        while (value) {
            const std::optional<char32_t> op = peek();
            if (op != U'+' && op != U'-')
                break;
            ++m_pos;
            const std::optional<double> rhs = term();
            if (!rhs)
                return std::nullopt;
            value = *op == U'+' ? *value + *rhs : *value - *rhs;
        }
        return value;
    }

    std::optional<double> term()
    {
        std::optional<double> value = factor();
        while (value) {
            const std::optional<char32_t> op = peek();
            const bool multiply = op == U'*' || op == U'x' || op == U'\u00D7';
            const bool divide = op == U'/' || op == U'\u00F7';
            const bool remainder = op == U'%';
            if (!multiply && !divide && !remainder)
                break;
            ++m_pos;
            const std::optional<double> rhs = factor();
            if (!rhs)
                return std::nullopt;
            if (multiply) {
                value = *value * *rhs;
            } else {
                if (*rhs == 0.0)
                    return std::nullopt;
                value = divide ? *value / *rhs : std::fmod(*value, *rhs);
            }
        }
        return value;
    }

    std::optional<double> factor()
    {
        const std::optional<char32_t> c = peek();
        if (!c || m_depth >= kMaxDepth)
            return std::nullopt;
        ++m_depth;
        std::optional<double> value;
        if (*c == U'-' || *c == U'+') {
            ++m_pos;
            value = factor();
            if (value && *c == U'-')
                value = -*value;
        } else if (*c == U'(') {
            ++m_pos;
            value = expression();
            if (value && peek() == U')')
                ++m_pos;
            else
                value = std::nullopt;
        } else {
            value = number();
        }
        --m_depth;
        return value;
    }

    std::optional<double> number()
    {
        QString run;
        while (m_pos < m_tokens.size() && (m_tokens[m_pos] == U'.' || isNumeric(m_tokens[m_pos]))) {
            const char32_t c = m_tokens[m_pos++];
            run.append(QString::fromUcs4(&c, 1));
        }
        if (run.isEmpty())
            return std::nullopt;
        // A digit of another script or a numeric sign such as ½ stops strtod, so the run is
        // not consumed in full and fails.
        return parseDecimal(run.toUtf8());
    }

    QList<char32_t> m_tokens;
    qsizetype m_pos = 0;
    int m_depth = 0;
};

} // namespace

namespace Calculator {

std::optional<double> evaluate(const QString &expression)
{
    // Code points, so a character outside the Basic Multilingual Plane is one token.
    QList<char32_t> tokens;
    for (const uint c : expression.toUcs4()) {
        if (!u_isUWhiteSpace(UChar32(c)))
            tokens.append(char32_t(c));
    }
    return Parser(std::move(tokens)).run();
}

QString format(double value)
{
    if (std::isfinite(value) && std::round(value) == value && std::fabs(value) < 1e15)
        return QString::number(static_cast<std::int64_t>(value));
    char buffer[64];
    const std::to_chars_result r
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 10);
    return QString::fromLatin1(buffer, r.ptr - buffer);
}

} // namespace Calculator
