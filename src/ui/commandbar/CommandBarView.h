#pragma once

#include "commandbar/CommandItem.h"

#include <QCache>
#include <QColor>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QTimer>
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

    // Sent to the view's window to have `region` of the view painted and on screen at once,
    // ahead of the toolkit's next repaint of the window; accepted when done.
    class PaintNow final : public QEvent
    {
    public:
        explicit PaintNow(const QRegion &region);
        static QEvent::Type kind();
        const QRegion region;
    };

    QLineEdit *searchField() const { return m_field; }
    // Paints `dirty` of the view (view coordinates) with `painter`, as a repaint of it does.
    void paintArea(QPainter &painter, const QRegion &dirty);
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
    void exposeRows();
    // Repaints the rows the model's list and highlight change from what was last drawn.
    void followModel();
    // Draws a row from its picture, drawn first when no picture shows the same.
    void drawRow(QPainter &painter, int row);
    // Paints a row with its app's icon (null while it is still to be drawn).
    void paintRow(QPainter &painter, int row, const QImage *icon);
    // The icon of an app row as it is drawn into `box`: a null image when the app has none,
    // nothing while it is still to be drawn.
    const QImage *appIcon(const QString &desktopFile, const QRect &box, const QPainter &painter);
    void drawPendingIcons();

    struct PendingIcon
    {
        QString desktopFile;
        QSize box;
        double ratio = 1;
    };

    CommandBarModel &m_model;
    AppIcon m_appIcon;
    // The icons this showing has drawn, by desktop entry (the icon box never changes size).
    QHash<QString, QImage> m_shownIcons;
    // Icons the rows asked for and did not find drawn, drawn on the next turns of the event loop.
    QHash<QString, PendingIcon> m_pendingIcons;
    QTimer m_iconTimer;
    // Rows as drawn this showing, by what they show; the cost is in KiB (a row is about 110).
    QCache<QString, QImage> m_rowImages{2048};
    // The rows and highlight the last updates were asked for.
    QList<CommandItem> m_shownItems;
    int m_shownSelection = 0;
    QLineEdit *m_field = nullptr;
};
