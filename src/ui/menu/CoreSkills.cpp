#include "ui/menu/CoreSkills.h"

#include "actions/HUDActionService.h"
#include "ui/CoreTheme.h"
#include "ui/menu/MenuPaintedButton.h"
#include "ui/menu/MenuPainting.h"

#include <QPainter>
#include <QScrollArea>

namespace {
constexpr double kTitleHeight = MenuPainting::cardTitleHeight;
constexpr double kHeadingHeight = 20;
constexpr double kEmptyHeight = 40;
constexpr double kSectionGap = 8;
constexpr double kStarSide = 28;

const ThemeType kHeadingType{9, ThemeWeight::bold, 0.8};
const QString kReload = QStringLiteral("RELOAD");
const QString kShortcutsApp = QStringLiteral("SHORTCUTS APP");

struct Section
{
    QString heading;
    QString kind;
    QString empty; // nothing for the built-ins, which are always there
};

const QList<Section> &sections()
{
    static const QList<Section> list{
        {QStringLiteral("BUILT-IN"), QStringLiteral("SKILL"), {}},
        {QStringLiteral("LOADOUTS"), QStringLiteral("LOADOUT"),
         QStringLiteral("No loadouts yet. Save a window layout in Equipment and it shows up "
                        "here.")},
        {QStringLiteral("SHORTCUTS"), QStringLiteral("SHORTCUT"),
         QStringLiteral("No Shortcuts yet. Make some in the Shortcuts app and they appear "
                        "here.")},
    };
    return list;
}
} // namespace

namespace CoreWidgets {

// The scrolled list's own drawing: the section headings and the empty sections' texts.
class CoreSkills::List final : public QWidget
{
public:
    using QWidget::QWidget;

    struct Label
    {
        QRectF rect;
        QString text;
        bool heading = false;
    };
    QList<Label> labels;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        for (const Label &label : std::as_const(labels)) {
            painter.setPen(CoreTheme::textSecondary());
            painter.setFont(label.heading ? themeFont(kHeadingType)
                                          : themeFont(11, ThemeWeight::regular));
            painter.drawText(label.rect,
                             (label.heading ? Qt::AlignBottom : Qt::AlignVCenter) | Qt::AlignLeft
                                 | Qt::TextWordWrap,
                             label.text);
        }
    }
};

QString CoreSkills::sideText()
{
    return QStringLiteral("Click a row to run it. Star up to %1 for the quick bar at the lower "
                          "right.")
        .arg(SkillBook::capacity);
}

CoreSkills::CoreSkills(SkillBook &book, HUDActionService *actions, QWidget *parent)
    : QWidget(parent)
    , m_book(&book)
    , m_actions(actions)
    , m_scroll(new QScrollArea(this))
    , m_list(new List)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(QStringLiteral("Skills"));
    resize(panelSize);

    m_reload = new MenuPaintedButton(
        [](QPainter &p, const QRectF &b, const MenuPaintedButton &self) {
            MenuPainting::textButton(p, b, kReload, CoreTheme::accentBlue(), self.hovered());
        },
        this);
    m_reload->setHelp(QStringLiteral("List your Shortcuts again"), QStringLiteral("Reload"));
    connect(m_reload, &QAbstractButton::clicked, this, [this] {
        if (m_book)
            m_book->reload();
    });
    m_shortcutsApp = new MenuPaintedButton(
        [](QPainter &p, const QRectF &b, const MenuPaintedButton &self) {
            MenuPainting::textButton(p, b, kShortcutsApp, CoreTheme::accentPink(), self.hovered());
        },
        this);
    m_shortcutsApp->setHelp(QStringLiteral("Open the folder your Shortcuts live in"),
                            QStringLiteral("Shortcuts app"));
    connect(m_shortcutsApp, &QAbstractButton::clicked, this, &CoreSkills::shortcutsFolderRequested);

    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget "
                                           "{ background: transparent; }"));
    m_scroll->viewport()->setAutoFillBackground(false);
    m_list->setAttribute(Qt::WA_TranslucentBackground);
    m_scroll->setWidget(m_list);

    connect(&book, &SkillBook::changed, this, &CoreSkills::rebuild);
    if (m_actions) {
        // The focus row counts down in place.
        auto repaintRows = [this] {
            for (MenuPaintedButton *row : std::as_const(m_rows))
                row->update();
        };
        connect(m_actions, &HUDActionService::focusLabelChanged, this, repaintRows);
        connect(m_actions, &HUDActionService::focusActiveChanged, this, repaintRows);
    }
    layoutControls();
}

CoreSkills::~CoreSkills() = default;

QString CoreSkills::countsText() const
{
    if (!m_book)
        return {};
    const auto shortcuts = m_book->shortcutNames().size();
    return QString::number(shortcuts)
        + (shortcuts == 1 ? QStringLiteral(" Shortcut") : QStringLiteral(" Shortcuts"))
        + QStringLiteral("  ·  ") + QString::number(m_book->quickBar().size())
        + QStringLiteral(" on the bar");
}

bool CoreSkills::isRunning(const QString &id) const
{
    if (id == SkillBook::focusID)
        return m_actions && m_actions->focusActive();
    return m_book && m_book->running().contains(id);
}

QString CoreSkills::rowDetail(const SkillBook::Skill &skill) const
{
    if (skill.id == SkillBook::focusID && m_actions && m_actions->focusActive())
        return QStringLiteral("Session running: ") + m_actions->focusLabel()
            + QStringLiteral(" left");
    return skill.detail;
}

QStringList CoreSkills::emptyTexts() const
{
    QStringList texts;
    for (const List::Label &label : std::as_const(m_list->labels)) {
        if (!label.heading)
            texts << label.text;
    }
    return texts;
}

void CoreSkills::layoutControls()
{
    const QRectF content = MenuPainting::cardContent(*this);
    double right = content.right();
    for (MenuPaintedButton *button : {m_shortcutsApp, m_reload}) {
        const double width
            = MenuPainting::textButtonWidth(button == m_reload ? kReload : kShortcutsApp);
        button->setGeometry(QRectF(right - width, content.top() + 2, width, 22).toRect());
        right -= width + 6;
    }
    const double listTop = content.top() + kTitleHeight + 70;
    m_scroll->setGeometry(
        QRectF(content.left() - 4, listTop, content.width() + 8, content.bottom() - listTop)
            .toRect());
    rebuild();
}

void CoreSkills::resizeEvent(QResizeEvent *)
{
    layoutControls();
}

void CoreSkills::rebuild()
{
    // A row may be rebuilt from inside its own click: the old ones go once that has returned.
    for (MenuPaintedButton *b : std::as_const(m_rows) + std::as_const(m_stars)) {
        b->hide();
        b->deleteLater();
    }
    m_rows.clear();
    m_stars.clear();
    m_rowIDs.clear();
    m_list->labels.clear();
    const QList<SkillBook::Skill> skills = m_book ? m_book->allSkills() : QList<SkillBook::Skill>();
    // Room for a scroll bar.
    const double width = std::max(0, m_scroll->width() - 12);
    double y = 0;
    for (const Section &section : sections()) {
        m_list->labels << List::Label{QRectF(4, y, width - 8, kHeadingHeight - 4), section.heading,
                                      true};
        y += kHeadingHeight;
        bool any = false;
        for (const SkillBook::Skill &skill : skills) {
            if (skill.kind != section.kind)
                continue;
            any = true;
            const QRectF rowRect(0, y, width, rowHeight);
            auto *row = new MenuPaintedButton(
                [this, skill](QPainter &p, const QRectF &b, const MenuPaintedButton &self) {
                    paintRow(p, b, skill, self.hovered());
                },
                m_list);
            row->setGeometry(rowRect.toRect());
            row->setHelp(skill.detail, skill.title);
            connect(row, &MenuPaintedButton::hoverChanged, this, [this](bool on) {
                if (on)
                    emit cue(SoundCue::hover, hoverVolume);
            });
            // A running Shortcut's row stops it; any other row casts its skill.
            connect(row, &QAbstractButton::clicked, this, [this, id = skill.id] {
                if (m_book && m_book->canStop(id)) {
                    emit cue(SoundCue::select);
                    m_book->stop(id);
                } else if (m_book) {
                    m_book->run(id);
                }
            });
            row->show();

            const bool starred = m_book && m_book->isStarred(skill.id);
            auto *star = new MenuPaintedButton(
                [starred](QPainter &p, const QRectF &b, const MenuPaintedButton &self) {
                    MenuPainting::iconButton(
                        p, b, starred ? QStringLiteral("star.fill") : QStringLiteral("star"),
                        CoreTheme::gold(), self.hovered());
                },
                m_list);
            star->setGeometry(QRectF(rowRect.right() - kStarSide - 10,
                                     rowRect.center().y() - kStarSide / 2 - 1, kStarSide, kStarSide)
                                  .toRect());
            star->setHelp(starred ? QStringLiteral("Remove ") + skill.title
                                  + QStringLiteral(" from the quick bar")
                                  : QStringLiteral("Add to the quick bar"),
                          starred ? QStringLiteral("Remove ") + skill.title
                                  + QStringLiteral(" from the quick bar")
                                  : QStringLiteral("Add ") + skill.title
                                  + QStringLiteral(" to the quick bar"));
            connect(star, &QAbstractButton::clicked, this, [this, id = skill.id] {
                emit cue(SoundCue::select);
                if (m_book)
                    m_book->toggleStar(id);
            });
            star->show();
            m_rows << row;
            m_stars << star;
            m_rowIDs << skill.id;
            y += rowHeight + rowGap;
        }
        if (!any && !section.empty.isEmpty()) {
            m_list->labels << List::Label{QRectF(8, y, width - 16, kEmptyHeight), section.empty,
                                          false};
            y += kEmptyHeight;
        }
        y += kSectionGap;
    }
    m_list->resize(int(width), int(y));
    m_list->update();
    update();
}

void CoreSkills::paintRow(QPainter &painter, const QRectF &bounds, const SkillBook::Skill &skill,
                          bool hovered) const
{
    const bool running = isRunning(skill.id);
    MenuPainting::tile(painter, bounds, hovered || running);
    const QRectF face = bounds.adjusted(12, 5, -(kStarSide + 20), -8);
    const QRectF disc(face.left(), face.center().y() - 14, 28, 28);
    MenuPainting::rowDisc(painter, disc, running ? CoreTheme::gold() : CoreTheme::accentPink(),
                          skill.icon, Qt::white, 14);

    const double left = disc.right() + 10;
    const double tagWidth = running ? 58 : 0;
    const QRectF text(left, face.top(), face.right() - left - tagWidth, face.height());
    MenuPainting::rowTitles(painter, text, skill.title, rowDetail(skill));
    if (running) {
        MenuPainting::rowLine(
            painter, QRectF(face.right() - tagWidth, face.top(), tagWidth, face.height()),
            themeFont(kHeadingType), CoreTheme::gold(), Qt::AlignRight | Qt::AlignVCenter,
            QStringLiteral("RUNNING"), Qt::ElideNone);
    }
}

void CoreSkills::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    MenuPainting::card(painter, *this, QStringLiteral("Skills"));
    const QRectF content = MenuPainting::cardContent(*this);

    double y = content.top() + kTitleHeight + 6;
    painter.setFont(themeFont(12, ThemeWeight::semibold));
    painter.drawText(QRectF(content.left(), y, content.width(), 16),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Pick a skill"));
    y += 18;
    painter.setPen(CoreTheme::textSecondary());
    painter.setFont(themeFont(10, ThemeWeight::regular));
    painter.drawText(QRectF(content.left(), y, content.width(), 28),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, sideText());
    y += 28;
    painter.setFont(themeFont(kHeadingType));
    painter.drawText(QRectF(content.left(), y, content.width(), 14),
                     Qt::AlignLeft | Qt::AlignVCenter, countsText());
}

} // namespace CoreWidgets
