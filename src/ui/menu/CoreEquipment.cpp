#include "ui/menu/CoreEquipment.h"

#include "skills/SkillBook.h"
#include "ui/CoreTheme.h"
#include "ui/Symbols.h"
#include "ui/menu/MenuPaintedButton.h"
#include "ui/menu/MenuPainting.h"
#include "windows/WindowArranger.h"

#include <QPainter>
#include <QScrollArea>

namespace {
constexpr double kTitleHeight = MenuPainting::cardTitleHeight;
constexpr double kHeadingHeight = 16;
constexpr double kRowHeight = 54;
constexpr double kRowGap = 6;

const QString kTrustOff = QStringLiteral("Window control is off, so windows can't be moved.");

// Five 72-point zone columns with their gaps need 392 points: the plate keeps only a narrow
// margin for its shadow so that the grid fits inside it.
const ThemeType kHeadingType{9, ThemeWeight::bold, 0.8};

// A small screen with the zone's share of it filled.
void paintZone(QPainter &painter, const QRectF &bounds, SnapZone zone, bool hovered)
{
    MenuPainting::tile(painter, bounds, hovered);
    const QRectF screen = bounds.adjusted(12, 9, -12, -12);
    painter.setPen(QPen(CoreTheme::ink(), 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(screen, 2, 2);
    if (const auto f = SnapZones::fractions(zone)) {
        const QRectF part(screen.left() + f->x() * screen.width(),
                          screen.top() + f->y() * screen.height(), f->width() * screen.width(),
                          f->height() * screen.height());
        painter.setPen(Qt::NoPen);
        painter.setBrush(hovered ? CoreTheme::gold() : CoreTheme::accentPink());
        painter.drawRoundedRect(part.adjusted(1.5, 1.5, -1.5, -1.5), 1.5, 1.5);
    } else {
        Symbols::draw(painter, screen, QStringLiteral("rectangle.on.rectangle.angled"),
                      hovered ? CoreTheme::gold() : CoreTheme::accentPink(), 16);
    }
}

void paintLoadout(QPainter &painter, const QRectF &bounds, const Loadout &loadout, bool hovered)
{
    MenuPainting::tile(painter, bounds, hovered);
    const QRectF face = bounds.adjusted(12, 6, -76, -8);
    const QRectF disc(face.left(), face.center().y() - 14, 28, 28);
    // A loadout bound to monitors shows a display and names them: it comes back by itself.
    MenuPainting::rowDisc(
        painter, disc, loadout.isBound() ? CoreTheme::accentBlue() : CoreTheme::accentPink(),
        loadout.isBound() ? QStringLiteral("display.2") : QStringLiteral("rectangle.3.group.fill"),
        Qt::white, 14);
    const double left = disc.right() + 10;
    const double countsWidth = 76;
    const QRectF text(left, face.top(), face.right() - left - countsWidth, face.height());
    // The counts below keep the subtitle's colour.
    MenuPainting::rowTitles(painter, text, loadout.name,
                            loadout.isBound() ? CoreWidgets::CoreEquipment::boundText(loadout)
                                              : QStringLiteral("Restores its windows"),
                            Qt::ElideRight);
    QFont counts = themeFont(9, ThemeWeight::bold);
    painter.setFont(counts);
    const QRectF countRect(face.right() - countsWidth, face.top(), countsWidth, face.height());
    painter.drawText(countRect.adjusted(0, 0, 0, -face.height() / 2),
                     Qt::AlignRight | Qt::AlignBottom,
                     CoreWidgets::CoreEquipment::windowCount(int(loadout.entries.size())));
    painter.drawText(countRect.adjusted(0, face.height() / 2 + 2, 0, 0),
                     Qt::AlignRight | Qt::AlignTop,
                     CoreWidgets::CoreEquipment::appCount(loadout.appCount()));
}
} // namespace

namespace CoreWidgets {

QString CoreEquipment::panelHelp()
{
    return QStringLiteral("Pick a zone to snap the window you were using. Save a layout to bring "
                          "it back in one click.");
}

QString CoreEquipment::windowCount(int windows)
{
    return QString::number(windows)
        + (windows == 1 ? QStringLiteral(" window") : QStringLiteral(" windows"));
}

QString CoreEquipment::boundText(const Loadout &loadout)
{
    QStringList names;
    for (const Loadout::Monitor &m : loadout.monitors)
        names << m.name;
    return QStringLiteral("Docks on ") + names.join(QStringLiteral(" + "));
}

QString CoreEquipment::appCount(int apps)
{
    return QString::number(apps) + QStringLiteral(" apps");
}

CoreEquipment::CoreEquipment(WindowArranger &arranger, QWidget *parent)
    : QWidget(parent)
    , m_arranger(&arranger)
    , m_allow(nullptr)
    , m_save(nullptr)
    , m_scroll(new QScrollArea(this))
    , m_list(new QWidget)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(QStringLiteral("Equipment"));
    setToolTip(panelHelp());
    resize(panelSize);

    for (SnapZone zone : SnapZones::all()) {
        auto *button = new MenuPaintedButton(
            [zone](QPainter &p, const QRectF &b, const MenuPaintedButton &self) {
                paintZone(p, b, zone, self.hovered());
            },
            this);
        button->resize(int(zoneWidth), int(zoneHeight));
        button->setHelp(zone == SnapZone::nextDisplay
                            ? QStringLiteral("Send the window to your next display, keeping its "
                                             "relative size.")
                            : panelHelp(),
                        SnapZones::title(zone));
        connect(button, &QAbstractButton::clicked, this, [this, zone] {
            if (m_arranger)
                m_arranger->snap(zone);
        });
        connect(button, &MenuPaintedButton::hoverChanged, this, [this, zone](bool on) {
            if (on) {
                m_hoverZone = zone;
                emit cue(SoundCue::hover, hoverVolume);
            } else if (m_hoverZone == zone) {
                m_hoverZone.reset();
            }
        });
        m_zones << button;
    }

    m_allow = new MenuPaintedButton(
        [](QPainter &p, const QRectF &b, const MenuPaintedButton &self) {
            MenuPainting::textButton(p, b, QStringLiteral("ALLOW"), CoreTheme::accentBlue(),
                                     self.hovered());
        },
        this);
    m_allow->setHelp(QStringLiteral("Check again whether windows can be moved"),
                     QStringLiteral("Allow"));
    connect(m_allow, &QAbstractButton::clicked, this, [this] {
        if (m_arranger)
            m_arranger->requestAccess();
    });

    m_save = new MenuPaintedButton(
        [](QPainter &p, const QRectF &b, const MenuPaintedButton &self) {
            MenuPainting::textButton(p, b, QStringLiteral("SAVE THIS LAYOUT"),
                                     CoreTheme::accentPink(), self.hovered());
        },
        this);
    m_save->setHelp(QStringLiteral("Remember where every open window is right now"),
                    QStringLiteral("Save this layout"));
    connect(m_save, &QAbstractButton::clicked, this, [this] {
        if (m_arranger)
            m_arranger->captureLoadout();
    });

    m_saveBound = new MenuPaintedButton(
        [](QPainter &p, const QRectF &b, const MenuPaintedButton &self) {
            MenuPainting::textButton(p, b, QStringLiteral("SAVE FOR THESE MONITORS"),
                                     CoreTheme::accentBlue(), self.hovered());
        },
        this);
    m_saveBound->setHelp(QStringLiteral("Save the layout and put it back by itself whenever "
                                        "these monitors are connected again"),
                         QStringLiteral("Save for these monitors"));
    connect(m_saveBound, &QAbstractButton::clicked, this, [this] {
        if (m_arranger)
            m_arranger->captureLoadout(true);
    });

    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget "
                                           "{ background: transparent; }"));
    m_scroll->viewport()->setAutoFillBackground(false);
    m_list->setAttribute(Qt::WA_TranslucentBackground);
    m_scroll->setWidget(m_list);

    connect(&arranger, &WindowArranger::loadoutsChanged, this, [this] { rebuildLoadouts(); });
    connect(&arranger, &WindowArranger::trustedChanged, this, [this] {
        layoutControls();
        update();
    });
    layoutControls();
    rebuildLoadouts();
}

CoreEquipment::~CoreEquipment() = default;

void CoreEquipment::setSkillBook(SkillBook *book)
{
    if (m_book)
        disconnect(m_book, nullptr, this, nullptr);
    m_book = book;
    if (book)
        connect(book, &SkillBook::changed, this, [this] { rebuildLoadouts(); });
    rebuildLoadouts();
}

double CoreEquipment::trustRowHeight() const
{
    return m_arranger && !m_arranger->trusted() ? 34 : 0;
}

void CoreEquipment::layoutControls()
{
    const QRectF content = MenuPainting::cardContent(*this);
    const double trust = trustRowHeight();
    const double allowWidth = MenuPainting::textButtonWidth(QStringLiteral("ALLOW"));
    m_allow->setGeometry(
        QRectF(content.right() - allowWidth, content.top() + kTitleHeight + 6, allowWidth, 22)
            .toRect());
    m_allow->setVisible(trust > 0);

    const double zonesTop = content.top() + kTitleHeight + 6 + trust + kHeadingHeight + 6;
    const double gridWidth = zoneColumns * zoneWidth + (zoneColumns - 1) * zoneGap;
    const double left = content.left() + (content.width() - gridWidth) / 2;
    for (int i = 0; i < m_zones.size(); ++i) {
        const int row = i / zoneColumns, column = i % zoneColumns;
        m_zones[i]->move(int(left + column * (zoneWidth + zoneGap)),
                         int(zonesTop + row * (zoneHeight + zoneGap)));
    }
    const double loadoutsTop = zonesTop + 2 * zoneHeight + zoneGap + 14;
    const double saveWidth = MenuPainting::textButtonWidth(QStringLiteral("SAVE THIS LAYOUT"));
    m_save->setGeometry(
        QRectF(content.right() - saveWidth, loadoutsTop + 2, saveWidth, 22).toRect());
    const double boundWidth
        = MenuPainting::textButtonWidth(QStringLiteral("SAVE FOR THESE MONITORS"));
    m_saveBound->setGeometry(
        QRectF(content.right() - boundWidth, loadoutsTop + 28, boundWidth, 22).toRect());
    const double listTop = loadoutsTop + 58;
    m_scroll->setGeometry(
        QRectF(content.left() - 4, listTop, content.width() + 8, content.bottom() - listTop)
            .toRect());
    rebuildLoadouts();
}

void CoreEquipment::rebuildLoadouts()
{
    // A row may be rebuilt from inside its own click: the old ones go once that has returned.
    for (MenuPaintedButton *b :
         std::as_const(m_rows) + std::as_const(m_deletes) + std::as_const(m_stars)) {
        b->hide();
        b->deleteLater();
    }
    m_rows.clear();
    m_deletes.clear();
    m_stars.clear();
    const QList<Loadout> loadouts = m_arranger ? m_arranger->loadouts() : QList<Loadout>();
    if (m_hoverLoadout
        && std::none_of(loadouts.cbegin(), loadouts.cend(),
                        [this](const Loadout &l) { return l.id == *m_hoverLoadout; }))
        m_hoverLoadout.reset();
    // Room for a scroll bar; the viewport has no size of its own until shown.
    const double width = m_scroll->width() - 12;
    for (int i = 0; i < loadouts.size(); ++i) {
        const Loadout loadout = loadouts[i];
        const QRectF rowRect(0, i * (kRowHeight + kRowGap), width, kRowHeight);
        auto *row = new MenuPaintedButton(
            [loadout](QPainter &p, const QRectF &b, const MenuPaintedButton &self) {
                paintLoadout(p, b, loadout, self.hovered());
            },
            m_list);
        row->setGeometry(rowRect.toRect());
        const int windows = int(loadout.entries.size());
        row->setHelp(
            QStringLiteral("Equip: launches any missing apps and puts ") + QString::number(windows)
                + QStringLiteral(" windows back where you saved them.")
                + (loadout.isBound() ? QStringLiteral(" ") + boundText(loadout) + '.' : QString()),
            loadout.name);
        connect(row, &QAbstractButton::clicked, this, [this, loadout] {
            if (m_arranger)
                m_arranger->equip(loadout);
        });
        connect(row, &MenuPaintedButton::hoverChanged, this, [this, id = loadout.id](bool on) {
            if (on) {
                m_hoverLoadout = id;
                emit cue(SoundCue::hover, hoverVolume);
            } else if (m_hoverLoadout == id) {
                m_hoverLoadout.reset();
            }
        });
        row->show();

        auto *trash = new MenuPaintedButton(
            [](QPainter &p, const QRectF &b, const MenuPaintedButton &self) {
                MenuPainting::iconButton(p, b, QStringLiteral("trash.fill"),
                                         CoreTheme::accentPink(), self.hovered());
            },
            m_list);
        trash->setGeometry(
            QRectF(rowRect.right() - 38, rowRect.center().y() - 14, 28, 28).toRect());
        trash->setHelp(QStringLiteral("Delete loadout ") + loadout.name,
                       QStringLiteral("Delete loadout ") + loadout.name);
        connect(trash, &QAbstractButton::clicked, this, [this, id = loadout.id] {
            emit cue(SoundCue::cancel);
            if (m_arranger)
                m_arranger->deleteLoadout(id);
        });
        trash->show();
        if (m_book) {
            const QString skillID = SkillBook::loadoutSkill(loadout).id;
            const bool starred = m_book->isStarred(skillID);
            auto *star = new MenuPaintedButton(
                [starred](QPainter &p, const QRectF &b, const MenuPaintedButton &self) {
                    MenuPainting::iconButton(
                        p, b, starred ? QStringLiteral("star.fill") : QStringLiteral("star"),
                        CoreTheme::gold(), self.hovered());
                },
                m_list);
            star->setGeometry(
                QRectF(rowRect.right() - 70, rowRect.center().y() - 14, 28, 28).toRect());
            star->setHelp(starred ? QStringLiteral("Remove from the quick bar")
                                  : QStringLiteral("Put this loadout on the quick bar"),
                          (starred ? QStringLiteral("Remove ") : QStringLiteral("Put "))
                              + loadout.name
                              + (starred ? QStringLiteral(" from the quick bar")
                                         : QStringLiteral(" on the quick bar")));
            connect(star, &QAbstractButton::clicked, this, [this, skillID] {
                emit cue(SoundCue::select);
                if (m_book)
                    m_book->toggleStar(skillID);
            });
            star->show();
            m_stars << star;
        }
        m_rows << row;
        m_deletes << trash;
    }
    m_list->resize(int(width),
                   int(std::max<qsizetype>(0, loadouts.size()) * (kRowHeight + kRowGap)));
    update();
}

QString CoreEquipment::emptyText() const
{
    if (!m_rows.isEmpty())
        return {};
    return QStringLiteral("No loadouts yet. Arrange your windows, then save the layout.");
}

void CoreEquipment::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    MenuPainting::card(painter, *this, QStringLiteral("Equipment"));
    const QRectF content = MenuPainting::cardContent(*this);

    double y = content.top() + kTitleHeight + 6;
    if (const double trust = trustRowHeight(); trust > 0) {
        painter.setPen(CoreTheme::accentPink());
        painter.setFont(themeFont(11, ThemeWeight::semibold));
        painter.drawText(
            QRectF(content.left(), y, m_allow->geometry().left() - content.left() - 8, 22),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, kTrustOff);
        y += trust;
    }
    painter.setFont(themeFont(kHeadingType));
    painter.setPen(CoreTheme::textSecondary());
    painter.drawText(QRectF(content.left(), y, content.width(), kHeadingHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("SNAP ") + QStringLiteral("THE ACTIVE WINDOW"));

    const QRectF save = m_save->geometry();
    painter.setFont(themeFont(kHeadingType));
    painter.drawText(QRectF(content.left(), save.top() - 2, save.left() - content.left(), 14),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("LOADOUTS"));
    painter.setFont(themeFont(10, ThemeWeight::regular));
    painter.drawText(QRectF(content.left(), save.top() + 12, save.left() - content.left() - 6, 14),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Remember where every open window is right now"));

    if (const QString empty = emptyText(); !empty.isEmpty()) {
        painter.setPen(CoreTheme::textSecondary());
        painter.setFont(themeFont(12, ThemeWeight::regular));
        painter.drawText(QRectF(m_scroll->geometry()).adjusted(24, 0, -24, 0),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, empty);
    }
}

} // namespace CoreWidgets
