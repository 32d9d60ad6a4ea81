#include "ui/hud/EditorView.h"

#include "hud/GridSnap.h"
#include "platform/Geometry.h"
#include "ui/CoreTheme.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

const QString kHint = QStringLiteral(
    "Drag widgets. They snap to the grid, the margins and each other. Esc finishes.");

constexpr QSizeF kButtonSize(120, 32);
constexpr double kButtonSpacing = 16;

QColor white(double alpha)
{
    QColor c(Qt::white);
    c.setAlphaF(float(alpha));
    return c;
}

QColor withAlpha(QColor c, double alpha)
{
    c.setAlphaF(float(alpha));
    return c;
}

// The system font at a size given in layout points.
QFont systemFont(double length, double letterSpacing = 0)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(fontSizeForLength(length));
    if (letterSpacing != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return font;
}

// QPen measures dashes in pen widths; the editor's patterns are in points.
QPen dashedPen(const QColor &colour, double width, double on, double off)
{
    QPen pen(colour, width);
    pen.setDashPattern({on / width, off / width});
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

} // namespace

EditorView::EditorView(ScreenInfo screen, EditableWidgets widgets, QWidget *parent)
    : QWidget(parent)
    , m_screen(std::move(screen))
    , m_widgets(std::move(widgets))
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setObjectName(QStringLiteral("layoutEditorView"));
}

void EditorView::setDrawsPanels(bool draws)
{
    m_drawsPanels = draws;
    m_pictures.clear();
    update();
}

const QColor &EditorView::gold()
{
    return CoreTheme::gold();
}

const QColor &EditorView::pink()
{
    return CoreTheme::accentPink();
}

QPointF EditorView::toModel(QPointF local) const
{
    const QRectF &f = m_screen.frame;
    return {f.x() + local.x(), f.y() + f.height() - local.y()};
}

QRectF EditorView::toLocal(const QRectF &model) const
{
    const QRectF &f = m_screen.frame;
    return {model.x() - f.x(), f.y() + f.height() - (model.y() + model.height()), model.width(),
            model.height()};
}

QRectF EditorView::resetButton() const
{
    const QPointF c = toLocal(m_screen.visibleFrame).center();
    return {
        QPointF(c.x() - kButtonSpacing / 2 - kButtonSize.width(), c.y() - kButtonSize.height() / 2),
        kButtonSize};
}

QRectF EditorView::doneButton() const
{
    const QPointF c = toLocal(m_screen.visibleFrame).center();
    return {QPointF(c.x() + kButtonSpacing / 2, c.y() - kButtonSize.height() / 2), kButtonSize};
}

std::optional<EditableWidget> EditorView::widgetAt(const QList<EditableWidget> &widgets,
                                                   QPointF point)
{
    std::optional<EditableWidget> best;
    double bestArea = 0;
    for (const EditableWidget &w : widgets) {
        if (!YUp::containsClosed(w.contentFrame, point))
            continue;
        const double area = w.contentFrame.width() * w.contentFrame.height();
        if (!best || area < bestArea) {
            best = w;
            bestArea = area;
        }
    }
    return best;
}

QList<EditableWidget> EditorView::currentWidgets() const
{
    return m_widgets ? m_widgets() : QList<EditableWidget>{};
}

void EditorView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    // The window manager may have moved the focus elsewhere since the editor opened.
    if (!isActiveWindow())
        activateWindow();
    const QPointF local = event->position();
    if (resetButton().contains(local)) {
        emit resetPressed();
        update();
        return;
    }
    // Done closes the editor and with it this view: nothing may follow it.
    if (doneButton().contains(local)) {
        emit donePressed();
        return;
    }
    const QPointF pointer = toModel(local);
    m_dragging = widgetAt(currentWidgets(), pointer);
    m_guideX.reset();
    m_guideY.reset();
    if (!m_dragging)
        return;
    const QRectF content = m_dragging->contentFrame;
    m_grab = pointer - content.topLeft();
    m_drop = content.topLeft();
    const auto panel = m_dragging->panel.lock();
    m_contentOffset = panel ? panel->frame().topLeft() - content.topLeft() : QPointF();
    update();
}

void EditorView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging) {
        event->ignore();
        return;
    }
    event->accept();
    drag(toModel(event->position()));
}

void EditorView::drag(QPointF pointer)
{
    const QList<EditableWidget> widgets = currentWidgets();
    QList<QRectF> others;
    bool stillThere = false;
    for (const EditableWidget &w : widgets) {
        if (w.id == m_dragging->id)
            stillThere = true;
        else
            others << w.contentFrame;
    }
    const auto panel = m_dragging->panel.lock();
    // The widget went away under the pointer (hidden by the user, say): let go of it.
    if (!stillThere || !panel) {
        endDrag();
        return;
    }
    const GridSnap::Result snapped = GridSnap::snap(
        others, pointer - m_grab, m_dragging->contentFrame.size(), m_screen.visibleFrame);
    m_guideX = snapped.guideX;
    m_guideY = snapped.guideY;
    m_drop = snapped.origin;
    panel->setFrame(QRectF(snapped.origin + m_contentOffset, panel->frame().size()));
    m_dragging->contentFrame.moveTo(snapped.origin);
    update();
}

void EditorView::endDrag()
{
    m_dragging.reset();
    m_guideX.reset();
    m_guideY.reset();
    update();
}

void EditorView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging) {
        event->ignore();
        return;
    }
    event->accept();
    const HUDWidgetID id = m_dragging->id;
    const QPointF drop = m_drop;
    endDrag();
    emit dropped(id, drop);
}

void EditorView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape) {
        event->ignore();
        return;
    }
    event->accept();
    emit donePressed();
}

void EditorView::resizeEvent(QResizeEvent *event)
{
    m_backdrop = QPixmap();
    QWidget::resizeEvent(event);
}

const QPixmap &EditorView::backdrop()
{
    const qreal dpr = devicePixelRatioF();
    if (m_backdrop.isNull() || m_backdrop.deviceIndependentSize() != QSizeF(size())
        || m_backdrop.devicePixelRatio() != dpr) {
        m_backdrop = QPixmap((QSizeF(size()) * dpr).toSize());
        m_backdrop.setDevicePixelRatio(dpr);
        m_backdrop.fill(Qt::transparent);
        QPainter painter(&m_backdrop);
        paintBackdrop(painter);
    }
    return m_backdrop;
}

void EditorView::paintBackdrop(QPainter &painter) const
{
    painter.fillRect(rect(), QColor(0, 0, 0, 77)); // black at 0.3

    // The grid counts from the visible frame's bottom-left corner, where snapping counts from.
    const QRectF vf = m_screen.visibleFrame;
    const QRectF area = toLocal(vf);
    const double step = GridSnap::gridPitch;
    QList<QLineF> faint, bright;
    for (int k = 0; k * step <= vf.width() + 1e-9; ++k) {
        const double x = area.left() + k * step;
        (k % 4 == 0 ? bright : faint) << QLineF(x, area.top(), x, area.bottom());
    }
    for (int k = 0; k * step <= vf.height() + 1e-9; ++k) {
        const double y = area.bottom() - k * step;
        (k % 4 == 0 ? bright : faint) << QLineF(area.left(), y, area.right(), y);
    }
    // Without antialiasing a half-point line is one crisp pixel.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(white(0.035), 0.5));
    painter.drawLines(faint);
    painter.setPen(QPen(white(0.1), 0.5));
    painter.drawLines(bright);

    painter.setRenderHint(QPainter::Antialiasing, true);
    const double inset = GridSnap::edgeMargin;
    painter.setPen(dashedPen(white(0.35), 1, 6, 5));
    painter.setBrush(Qt::NoBrush);
    // Half a pixel in, so the one-point line covers whole pixels.
    painter.drawRect(area.adjusted(inset, inset, -inset, -inset).translated(0.5, 0.5));
}

void EditorView::paintPanelPicture(QPainter &painter, const EditableWidget &widget)
{
    const auto panel = widget.panel.lock();
    // Only a panel that is a widget of ours can be pictured; anything else keeps its outline.
    auto *window = dynamic_cast<QWidget *>(panel.get());
    if (!window)
        return;
    auto it = m_pictures.find(widget.id);
    if (it == m_pictures.end()) {
        QPixmap picture = window->grab();
        // Dimmed as the dim over the screen would dim it, where the panel draws.
        QPainter dim(&picture);
        dim.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        dim.fillRect(QRectF(QPointF(), picture.deviceIndependentSize()), QColor(0, 0, 0, 77));
        dim.end();
        it = m_pictures.insert(widget.id, picture);
    }
    painter.drawPixmap(toLocal(panel->frame()), *it,
                       QRectF(QPointF(), it->deviceIndependentSize()));
}

void EditorView::paintWidget(QPainter &painter, const EditableWidget &widget, bool held)
{
    if (m_drawsPanels)
        paintPanelPicture(painter, widget);
    const QRectF r = toLocal(widget.contentFrame);
    const QColor &line = held ? gold() : QColor(Qt::white);
    painter.fillRect(r, withAlpha(line, 0.08));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(held ? QPen(gold(), 2) : dashedPen(Qt::white, 1.5, 8, 4));
    painter.drawRect(r);

    painter.setPen(white(0.8));
    const QFont font = systemFont(11);
    painter.setFont(font);
    const QString title = QFontMetricsF(font).elidedText(widget.title, Qt::ElideRight,
                                                         std::max(0.0, r.width() - 12));
    painter.drawText(QPointF(r.left() + 6, r.top() + 16), title);
}

void EditorView::paintButton(QPainter &painter, const QRectF &rect, const QString &label,
                             const QColor &fill, const QColor &text) const
{
    QPainterPath path;
    path.addRoundedRect(rect, 4, 4);
    painter.fillPath(path, fill);
    painter.setPen(text);
    painter.setFont(systemFont(12, 1.2));
    painter.drawText(rect, Qt::AlignCenter, label);
}

void EditorView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, backdrop());
    painter.setRenderHint(QPainter::Antialiasing, true);

    if (!m_dragging)
        m_pictures.clear();
    // The held widget last, so its gold outline lies over any neighbour it touches.
    const QList<EditableWidget> widgets = currentWidgets();
    for (const EditableWidget &w : widgets) {
        if (!m_dragging || w.id != m_dragging->id)
            paintWidget(painter, w, false);
    }
    if (m_dragging)
        paintWidget(painter, *m_dragging, true);

    painter.setPen(QPen(gold(), 1));
    if (m_guideX) {
        const double x = toLocal(QRectF(*m_guideX, 0, 0, 0)).x() + 0.5;
        painter.drawLine(QLineF(x, 0, x, height()));
    }
    if (m_guideY) {
        const double y = toLocal(QRectF(0, *m_guideY, 0, 0)).y() + 0.5;
        painter.drawLine(QLineF(0, y, width(), y));
    }

    paintButton(painter, resetButton(), QStringLiteral("RESET"), pink(), Qt::white);
    paintButton(painter, doneButton(), QStringLiteral("DONE"), gold(), CoreTheme::ink());

    const QRectF reset = resetButton();
    const QRectF hint(toLocal(m_screen.visibleFrame).left(), reset.top() - 12 - 20,
                      toLocal(m_screen.visibleFrame).width(), 20);
    painter.setPen(white(0.9));
    painter.setFont(systemFont(11, 0.8));
    painter.drawText(hint, Qt::AlignCenter, kHint);
}
