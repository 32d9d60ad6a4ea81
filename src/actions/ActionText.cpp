#include "actions/ActionText.h"

#include <QTextBoundaryFinder>

#include <cstdio>

namespace {

// "%.1f" as the C library writes it: a tie rounds to the even digit (16.25 is "16.2"), where
// Qt's own formatting would round it up.
QString printfOneDecimal(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    return QString::fromLatin1(text);
}

} // namespace

namespace ActionText {

int characterCount(const QString &text)
{
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (graphemes.toNextBoundary() != -1)
        ++count;
    return count;
}

QString preview(const QString &text, int limit)
{
    // Cut between characters as a reader sees them, never inside an emoji or an accent.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    qsizetype position = 0;
    while (count < limit && (position = graphemes.toNextBoundary()) != -1)
        ++count;
    if (count < limit || graphemes.toNextBoundary() == -1)
        return text;
    return text.left(position) + QStringLiteral("…");
}

QString firstCharacters(const QString &text, int limit)
{
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype position = 0;
    for (int count = 0; count < limit; ++count) {
        const qsizetype next = graphemes.toNextBoundary();
        if (next == -1)
            return text;
        position = next;
    }
    return text.left(position);
}

QString modelDisplayName(const QString &model)
{
    return model.section(QLatin1Char(':'), 0, 0);
}

QString statusSummary(const QString &hostName, const QString &time, double memoryBytes,
                      bool ollamaUp, const QStringList &loaded)
{
    return QStringList{
        QStringLiteral("Kaidro · ") + hostName,
        QStringLiteral("Time: ") + time,
        QStringLiteral("Mem total: ") + printfOneDecimal(memoryBytes / double(1ULL << 30))
            + QStringLiteral(" GB"),
        QStringLiteral("Ollama: ") + (ollamaUp ? QStringLiteral("up") : QStringLiteral("down")),
        QStringLiteral("Loaded: ")
            + (loaded.isEmpty() ? QStringLiteral("none") : loaded.join(QStringLiteral(", "))),
    }
        .join(QLatin1Char('\n'));
}

} // namespace ActionText
