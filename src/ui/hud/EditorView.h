#pragma once

#include "hud/EditableWidget.h"
#include "platform/Screens.h"

#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QPointF>
#include <QWidget>

#include <optional>

// The layout editor's surface over one whole screen: the grid, the margins, the widgets'
// outlines and snap guides, the RESET and DONE buttons. Pressing on a widget picks it up,
// dragging moves its real panel with the snapped content origin, releasing reports the drop.
class EditorView final : public QWidget
{
    Q_OBJECT
public:
    EditorView(ScreenInfo screen, EditableWidgets widgets, QWidget *parent = nullptr);

    const ScreenInfo &screen() const { return m_screen; }

    // Without a compositing manager the dim hides whatever lies under the editor, so the
    // editor draws the panels' own pictures inside their outlines.
    void setDrawsPanels(bool draws);
    bool drawsPanels() const { return m_drawsPanels; }
    const std::optional<EditableWidget> &dragging() const { return m_dragging; }
    std::optional<double> guideX() const { return m_guideX; }
    std::optional<double> guideY() const { return m_guideY; }

    // The buttons, in the view's own coordinates (y down from the screen's top-left).
    QRectF resetButton() const;
    QRectF doneButton() const;

    // Between the view's own coordinates and model coordinates: the view covers the screen's
    // frame exactly.
    QPointF toModel(QPointF local) const;
    QRectF toLocal(const QRectF &model) const;

    // The widget a press at `point` (model coordinates) picks: of those whose content contains
    // it, the smallest, the first among equals.
    static std::optional<EditableWidget> widgetAt(const QList<EditableWidget> &widgets,
                                                  QPointF point);

    static const QColor &gold();
    static const QColor &pink();

signals:
    // A widget was dropped with its content at `origin` (model coordinates).
    void dropped(HUDWidgetID id, QPointF origin);
    void resetPressed();
    // DONE or Escape: editing is over. The view may be put away from inside this signal.
    void donePressed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QList<EditableWidget> currentWidgets() const;
    void drag(QPointF pointer);
    void endDrag();
    const QPixmap &backdrop();
    void paintBackdrop(QPainter &painter) const;
    void paintWidget(QPainter &painter, const EditableWidget &widget, bool held);
    void paintPanelPicture(QPainter &painter, const EditableWidget &widget);
    void paintButton(QPainter &painter, const QRectF &rect, const QString &label,
                     const QColor &fill, const QColor &text) const;

    ScreenInfo m_screen;
    EditableWidgets m_widgets;
    std::optional<EditableWidget> m_dragging;
    QPointF m_grab; // the pointer's offset from the held content's origin
    QPointF m_contentOffset; // the held panel's origin minus its content's origin
    QPointF m_drop; // the held content's snapped origin
    std::optional<double> m_guideX;
    std::optional<double> m_guideY;
    QPixmap m_backdrop; // the dim, the grid and the margins, drawn once per size
    bool m_drawsPanels = false;
    // The panels' pictures, taken afresh whenever nothing is held and kept through a drag.
    QHash<HUDWidgetID, QPixmap> m_pictures;
};
