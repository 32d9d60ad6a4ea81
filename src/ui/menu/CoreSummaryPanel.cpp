#include "ui/menu/CoreSummaryPanel.h"

#include "ui/CoreFrostPanel.h"
#include "ui/CoreTheme.h"
#include "ui/menu/CoreFigure.h"
#include "ui/menu/MenuPaintedButton.h"
#include "ui/menu/MenuPainting.h"
#include "ui/menu/MenuSelection.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr double kPad = 14;
constexpr double kHeaderHeight = 104;

// The plate's inside, where the header and the ring go.
QRectF contentRect(const QWidget &panel)
{
    return QRectF(panel.rect())
        .marginsRemoved(CoreFrostPanel::shadowOutsets())
        .adjusted(kPad, kPad, -kPad, -kPad);
}
constexpr double kIconDisc = 30;

void paintSlot(QPainter &painter, const QRectF &bounds,
               const std::optional<RunningAppsMonitor::Entry> &app, const QIcon &icon, bool hovered)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc = bounds.adjusted(2, 2, -2, -2);
    if (!app) {
        QColor line = CoreTheme::textSecondary();
        line.setAlphaF(0.45f);
        painter.setPen(QPen(line, 1.4, Qt::DashLine));
        painter.setBrush(QColor(255, 255, 255, 90));
        painter.drawEllipse(disc.adjusted(4, 4, -4, -4));
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 50));
    painter.drawEllipse(disc.translated(0, 1.5));
    painter.setBrush(CoreTheme::frostSolid());
    const QColor edge = app->isFront || hovered ? CoreTheme::gold() : QColor(Qt::white);
    painter.setPen(QPen(edge, hovered ? 3 : 2));
    painter.drawEllipse(disc);
    const QRectF iconRect = disc.adjusted(7, 7, -7, -7);
    if (!icon.isNull()) {
        icon.paint(&painter, iconRect.toRect());
    } else {
        // No icon: the app's initial.
        painter.setPen(CoreTheme::ink());
        painter.setFont(themeFont(14, ThemeWeight::bold));
        painter.drawText(iconRect, Qt::AlignCenter, app->name.left(1).toUpper());
    }
}
} // namespace

namespace CoreWidgets {

CoreSummaryPanel::CoreSummaryPanel(MenuSelection &selection, RunningAppsMonitor &apps,
                                   QWidget *parent)
    : QWidget(parent)
    , m_selection(&selection)
    , m_apps(&apps)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(QStringLiteral("Summary"));
    resize(panelSize);
    for (int i = 0; i < slotCount; ++i) {
        auto *slot = new MenuPaintedButton(
            [this, i](QPainter &painter, const QRectF &bounds, const MenuPaintedButton &b) {
                const auto app = entry(i);
                paintSlot(painter, bounds, app, app && m_apps ? m_apps->icon(app->id) : QIcon(),
                          b.hovered());
            },
            this);
        slot->resize(int(slotSize), int(slotSize));
        connect(slot, &QAbstractButton::clicked, this, [this, i] {
            const auto app = entry(i);
            if (app && m_apps)
                m_apps->switchTo(app->id);
        });
        connect(slot, &MenuPaintedButton::hoverChanged, this, [this, i](bool on) {
            const auto app = entry(i);
            if (on && app)
                m_hovered = app->id;
            else if (!on && app && m_hovered == app->id)
                m_hovered.reset();
            update();
        });
        m_slots << slot;
    }
    connect(&selection, &MenuSelection::changed, this, qOverload<>(&QWidget::update));
    connect(&apps, &RunningAppsMonitor::entriesChanged, this, &CoreSummaryPanel::refreshSlots);
    placeSlots();
    refreshSlots();
}

CoreSummaryPanel::~CoreSummaryPanel() = default;

std::optional<RunningAppsMonitor::Entry> CoreSummaryPanel::entry(int index) const
{
    if (!m_apps || index < 0 || index >= m_apps->entries().size())
        return std::nullopt;
    return m_apps->entries()[index];
}

SummaryRing::Ellipse CoreSummaryPanel::ring() const
{
    const QRectF content = contentRect(*this);
    const QRectF area = content.adjusted(0, kHeaderHeight, 0, 0);
    return {area.center(), area.width() / 2 - slotSize / 2, area.height() / 2 - slotSize / 2};
}

QRectF CoreSummaryPanel::figureRect() const
{
    const SummaryRing::Ellipse r = ring();
    const double h = r.ry * 1.1;
    const double w = h * 100.0 / 220.0;
    return {r.centre.x() - w / 2, r.centre.y() - h / 2, w, h};
}

void CoreSummaryPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeSlots();
}

void CoreSummaryPanel::placeSlots()
{
    const SummaryRing::Ellipse r = ring();
    for (int i = 0; i < m_slots.size(); ++i) {
        const QPointF c = SummaryRing::slotCentre(r, i, slotCount);
        m_slots[i]->move(int(std::round(c.x() - slotSize / 2)),
                         int(std::round(c.y() - slotSize / 2)));
    }
}

void CoreSummaryPanel::refreshSlots()
{
    for (int i = 0; i < m_slots.size(); ++i) {
        const auto app = entry(i);
        MenuPaintedButton *slot = m_slots[i];
        if (!app) {
            slot->setHelp(QStringLiteral("Empty slot"), QStringLiteral("Empty slot"));
            slot->setCursor(Qt::ArrowCursor);
        } else if (app->isFront) {
            slot->setHelp(QStringLiteral("Frontmost app. Click a slot to switch."),
                          app->name + QStringLiteral(", frontmost"));
            slot->setCursor(Qt::PointingHandCursor);
        } else {
            slot->setHelp(QStringLiteral("Open app. Click to switch to it."), app->name);
            slot->setCursor(Qt::PointingHandCursor);
        }
        slot->update();
    }
    if (m_hovered
        && !(m_apps
             && std::any_of(m_apps->entries().cbegin(), m_apps->entries().cend(),
                            [this](const auto &e) { return e.id == *m_hovered; })))
        m_hovered.reset();
    update();
}

void CoreSummaryPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate = QRectF(rect()).marginsRemoved(CoreFrostPanel::shadowOutsets());
    CoreFrostPanel(18, false).paint(painter, plate);

    // Header: the chosen entry's symbol, its category, its title and its detail line.
    if (m_selection) {
        const QRectF content = contentRect(*this);
        const QRectF disc(content.left(), content.top(), kIconDisc, kIconDisc);
        MenuPainting::rowDisc(painter, disc, CoreTheme::gold(), m_selection->icon(),
                              CoreTheme::ink(), 14);
        const double textLeft = disc.right() + 10;
        const double textWidth = content.right() - textLeft;
        MenuPainting::rowLine(painter, QRectF(textLeft, disc.top() - 2, textWidth, 14),
                              themeFont(10, ThemeWeight::bold), CoreTheme::textSecondary(),
                              Qt::AlignLeft | Qt::AlignVCenter, m_selection->category().toUpper(),
                              Qt::ElideNone);
        MenuPainting::rowLine(painter, QRectF(textLeft, disc.top() + 10, textWidth, 24),
                              themeFont(17, ThemeWeight::bold), CoreTheme::ink(),
                              Qt::AlignLeft | Qt::AlignVCenter, m_selection->item());
        painter.setPen(CoreTheme::textSecondary());
        painter.setFont(themeFont(12, ThemeWeight::regular));
        painter.drawText(QRectF(content.left(), disc.bottom() + 10, content.width(),
                                content.top() + kHeaderHeight - disc.bottom() - 14),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_selection->detail());
    }

    // Spokes from every slot towards the figure, then the figure.
    const SummaryRing::Ellipse r = ring();
    QColor spoke = QColor::fromRgbF(0.66f, 0.66f, 0.66f, 0.85f);
    QPen spokePen(spoke, 1.4);
    spokePen.setCapStyle(Qt::RoundCap);
    painter.setPen(spokePen);
    for (int i = 0; i < slotCount; ++i)
        painter.drawLine(SummaryRing::spoke(r, i, slotCount));

    const QRectF figure = figureRect();
    const QPainterPath silhouette = CoreFigure(figure);
    QLinearGradient fill(figure.topLeft(), figure.bottomLeft());
    fill.setColorAt(0, CoreTheme::textSecondary());
    fill.setColorAt(1, CoreTheme::ink());
    painter.setPen(QPen(QColor(255, 255, 255, 200), 1.5));
    painter.setBrush(fill);
    painter.drawPath(silhouette);
    if (m_hovered) {
        // The figure looks towards the app under the pointer with a gold rim.
        painter.setPen(QPen(CoreTheme::gold(), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(silhouette);
    }
}

} // namespace CoreWidgets
