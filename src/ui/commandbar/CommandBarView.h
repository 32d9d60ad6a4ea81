#pragma once

#include <QColor>
#include <QIcon>
#include <QPointer>
#include <QWidget>

#include <functional>

class CommandBarModel;
class QLineEdit;

// The command bar's content: the search field, the ranked rows and the key hints. It reads the
// model and writes only its query, selection and run requests. Rows are painted, not widgets,
// so a keystroke rebuilds nothing but the paint.
class CommandBarView final : public QWidget
{
    Q_OBJECT
public:
    // The icon of an application row, from its desktop file's path.
    using AppIcon = std::function<QIcon(const QString &desktopFile)>;

    static inline const QString placeholder
        = QStringLiteral("Search apps, shortcuts, clipboard. Start with = to calculate.");
    static inline const QString emptyText
        = QStringLiteral("Nothing matches. Keep typing, or press Return to search the web.");

    CommandBarView(CommandBarModel &model, AppIcon appIcon, QWidget *parent = nullptr);

    static const QColor &ink();

    QLineEdit *searchField() const { return m_field; }
    // The row under a point of this view, or -1.
    int rowAt(const QPointF &point) const;
    QRectF rowRect(int row) const;
    QRectF contentRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void paintRow(QPainter &painter, int row);
    void paintFooter(QPainter &painter);

    CommandBarModel &m_model;
    AppIcon m_appIcon;
    QLineEdit *m_field = nullptr;
};
