#pragma once

#include <QObject>
#include <QString>

// The entry last chosen on the rail, as the summary panel shows it. One lives for the whole
// program; the rail writes it and the summary panel reads it.
class MenuSelection final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString category READ category NOTIFY changed)
    Q_PROPERTY(QString item READ item NOTIFY changed)
    Q_PROPERTY(QString icon READ icon NOTIFY changed)
    Q_PROPERTY(QString detail READ detail NOTIFY changed)

public:
    explicit MenuSelection(QObject *parent = nullptr);

    const QString &category() const { return m_category; }
    const QString &item() const { return m_item; }
    const QString &icon() const { return m_icon; }
    const QString &detail() const { return m_detail; }

    // Writes all four at once; `changed` is emitted once, and only when something differs.
    void select(const QString &category, const QString &item, const QString &icon,
                const QString &detail);

signals:
    void changed();

private:
    QString m_category = QStringLiteral("Player");
    QString m_item = QStringLiteral("Character");
    QString m_icon = QStringLiteral("person.crop.circle");
    QString m_detail = QStringLiteral("Open ego lite");
};
