#pragma once

#include <QString>
#include <QStringList>

// The texts the actions show: clipboard previews counted as a reader counts characters, model
// names and the status summary.
namespace ActionText {

// The length of `text` in characters as a reader counts them (an emoji is one).
int characterCount(const QString &text);
// `text` cut to its first `limit` characters with "…" after, or whole when it fits.
QString preview(const QString &text, int limit);
// The first `limit` characters of `text` as a reader counts them, never cutting inside one.
QString firstCharacters(const QString &text, int limit);
// A model's name without its tag ("llama3:8b" → "llama3").
QString modelDisplayName(const QString &model);
// The status summary, one fact a line.
QString statusSummary(const QString &hostName, const QString &time, double memoryBytes,
                      bool ollamaUp, const QStringList &loaded);

} // namespace ActionText
