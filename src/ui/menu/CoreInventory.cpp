#include "ui/menu/CoreInventory.h"

#include "clipboard/ClipboardHistory.h"
#include "ui/CoreFrostPanel.h"
#include "ui/CoreTheme.h"
#include "ui/Symbols.h"
#include "ui/menu/InventoryText.h"
#include "ui/menu/MenuPaintedButton.h"
#include "ui/menu/MenuPainting.h"

#include <QContextMenuEvent>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>

namespace {
constexpr double kPad = 16;
constexpr double kTitleHeight = 26;
constexpr double kSearchHeight = 30;
constexpr double kFooterHeight = 28;
constexpr double kTileHeight = 88;
constexpr double kTileGap = 8;
constexpr int kTooltipTextLimit = 600;

const QString kTileHelp
    = QStringLiteral("Pointing at a slot shows its full text. Click to copy it back.");

QRectF contentRect(const QWidget &panel)
{
    return QRectF(panel.rect())
        .marginsRemoved(CoreFrostPanel::shadowOutsets())
        .adjusted(kPad, kPad, -kPad, -kPad);
}

void paintTile(QPainter &painter, const QRectF &bounds, const ClipItem &clip,
               const QString &caption, bool hovered)
{
    MenuPainting::tile(painter, bounds, hovered);
    const QRectF face = bounds.adjusted(12, 10, -12, -12);
    const QRectF disc(face.left(), face.top(), 22, 22);
    MenuPainting::rowDisc(painter, disc, CoreTheme::accentPink(),
                          InventoryText::kindSymbol(clip.kind()), Qt::white, 12);
    if (clip.pinned) {
        const QRectF pin(face.right() - 16, face.top(), 16, 16);
        Symbols::draw(painter, pin, QStringLiteral("pin.fill"), CoreTheme::gold(), 13);
    }
    painter.setPen(CoreTheme::ink());
    painter.setFont(themeFont(12, ThemeWeight::semibold));
    const QRectF textRect(disc.right() + 8, face.top(), face.right() - disc.right() - 28, 40);
    const QFontMetrics metrics = painter.fontMetrics();
    // Two lines at most, the second elided.
    const QString text = InventoryText::shortText(clip.text);
    QString first = text, second;
    int fit = text.size();
    while (fit > 0 && metrics.horizontalAdvance(text.left(fit)) > textRect.width())
        fit = text.lastIndexOf(QLatin1Char(' '), fit - 1) > 0
            ? int(text.lastIndexOf(QLatin1Char(' '), fit - 1))
            : fit - 1;
    if (fit < text.size()) {
        first = text.left(fit);
        second = metrics.elidedText(text.mid(fit).trimmed(), Qt::ElideRight, int(textRect.width()));
    }
    painter.drawText(QRectF(textRect.left(), textRect.top(), textRect.width(), 18),
                     Qt::AlignLeft | Qt::AlignVCenter, first);
    if (!second.isEmpty())
        painter.drawText(QRectF(textRect.left(), textRect.top() + 18, textRect.width(), 18),
                         Qt::AlignLeft | Qt::AlignVCenter, second);
    QFont small = themeFont(8, ThemeWeight::bold);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    MenuPainting::rowLine(painter, QRectF(face.left(), face.bottom() - 12, face.width(), 12), small,
                          CoreTheme::textSecondary(), Qt::AlignLeft | Qt::AlignVCenter, caption);
}

QIcon symbolIcon(const QString &name)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    Symbols::draw(painter, QRectF(0, 0, 32, 32), name, CoreTheme::ink(), 22);
    return QIcon(pixmap);
}

// The grid's tiles open their actions on a right click.
class TileGrid final : public QWidget
{
public:
    std::function<void(const QPoint &local, const QPoint &global)> onContextMenu;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        if (onContextMenu)
            onContextMenu(event->pos(), event->globalPos());
    }
};
} // namespace

namespace CoreWidgets {

CoreInventory::CoreInventory(ClipboardHistory &history, Inputs inputs, QWidget *parent)
    : QWidget(parent)
    , m_history(&history)
    , m_inputs(std::move(inputs))
    , m_search(new QLineEdit(this))
    , m_clear(nullptr)
    , m_scroll(new QScrollArea(this))
    , m_grid(new TileGrid)
    , m_clearUnpinned(nullptr)
    , m_recording(nullptr)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(QStringLiteral("Inventory"));
    resize(panelSize);
    const QRectF content = contentRect(*this);

    const QRectF searchBox(content.left(), content.top() + kTitleHeight + 6, content.width(),
                           kSearchHeight);
    m_search->setPlaceholderText(QStringLiteral("Search your copies"));
    m_search->setAccessibleName(QStringLiteral("Search your copies"));
    m_search->setToolTip(QStringLiteral("Search your copies"));
    m_search->setFrame(false);
    m_search->setFont(themeFont(13, ThemeWeight::regular));
    m_search->setStyleSheet(
        QStringLiteral("QLineEdit { background: transparent; color: rgb(58,60,64); }"));
    m_search->setGeometry(searchBox.adjusted(30, 2, -30, -2).toRect());
    connect(m_search, &QLineEdit::textChanged, this, [this] { rebuild(); });

    m_clear = new MenuPaintedButton(
        [](QPainter &p, const QRectF &b, const MenuPaintedButton &button) {
            MenuPainting::iconButton(p, b, QStringLiteral("xmark.circle.fill"),
                                     CoreTheme::textSecondary(), button.hovered());
        },
        this);
    m_clear->setHelp(QStringLiteral("Clear search"), QStringLiteral("Clear search"));
    m_clear->setGeometry(
        QRectF(searchBox.right() - 26, searchBox.center().y() - 11, 22, 22).toRect());
    m_clear->hide();
    connect(m_clear, &QAbstractButton::clicked, m_search, &QLineEdit::clear);

    const double gridTop = searchBox.bottom() + 10;
    const double footerTop = content.bottom() - kFooterHeight;
    m_scroll->setGeometry(
        QRectF(content.left() - 4, gridTop, content.width() + 8, footerTop - gridTop - 6).toRect());
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget "
                                           "{ background: transparent; }"));
    m_scroll->viewport()->setAutoFillBackground(false);
    m_grid->setAttribute(Qt::WA_TranslucentBackground);
    m_scroll->setWidget(m_grid);
    static_cast<TileGrid *>(m_grid)->onContextMenu
        = [this](const QPoint &local, const QPoint &global) {
              for (int i = 0; i < m_tiles.size(); ++i) {
                  if (m_tiles[i]->geometry().contains(local)) {
                      QMenu *menu = actionsMenu(i);
                      menu->setAttribute(Qt::WA_DeleteOnClose);
                      menu->popup(global);
                      return;
                  }
              }
          };

    m_clearUnpinned = new MenuPaintedButton(
        [](QPainter &p, const QRectF &b, const MenuPaintedButton &button) {
            MenuPainting::textButton(p, b, QStringLiteral("CLEAR UNPINNED"),
                                     CoreTheme::accentPink(), button.hovered());
        },
        this);
    m_clearUnpinned->setHelp(QStringLiteral("Remove every item that is not pinned"),
                             QStringLiteral("Clear unpinned"));
    const double clearWidth = MenuPainting::textButtonWidth(QStringLiteral("CLEAR UNPINNED"));
    const double toggleWidth = MenuPainting::textButtonWidth(QStringLiteral("RESUME"));
    m_clearUnpinned->setGeometry(
        QRectF(content.right() - clearWidth - toggleWidth - 6, footerTop + 4, clearWidth, 22)
            .toRect());
    connect(m_clearUnpinned, &QAbstractButton::clicked, this, [this] {
        if (!m_history)
            return;
        emit cue(SoundCue::cancel);
        m_history->clearUnpinned();
    });

    m_recording = new MenuPaintedButton(
        [this](QPainter &p, const QRectF &b, const MenuPaintedButton &button) {
            const bool recording = !m_history || m_history->isRecording();
            MenuPainting::textButton(
                p, b, recording ? QStringLiteral("PAUSE") : QStringLiteral("RESUME"),
                recording ? CoreTheme::textSecondary() : CoreTheme::accentBlue(), button.hovered());
        },
        this);
    m_recording->setGeometry(
        QRectF(content.right() - toggleWidth, footerTop + 4, toggleWidth, 22).toRect());
    connect(m_recording, &QAbstractButton::clicked, this, [this] {
        if (m_history)
            m_history->toggleRecording();
    });

    connect(&history, &ClipboardHistory::itemsChanged, this, [this] { rebuild(); });
    connect(&history, &ClipboardHistory::recordingChanged, this, [this] { refreshFooter(); });
    connect(&history, &ClipboardHistory::ignoredBundlesChanged, this, [this] { refreshFooter(); });
    rebuild();
}

CoreInventory::~CoreInventory() = default;

QDateTime CoreInventory::now() const
{
    return m_inputs.now ? m_inputs.now() : QDateTime::currentDateTime();
}

QString CoreInventory::emptyText() const
{
    if (!m_shown.isEmpty())
        return {};
    if (!m_search->text().trimmed().isEmpty())
        return QStringLiteral("Nothing matches that search.");
    return QStringLiteral("Nothing in your pack yet. Copy something and it lands here.");
}

QString CoreInventory::footerText() const
{
    if (!m_history)
        return {};
    const QList<ClipItem> &items = m_history->items();
    const int pinned = int(
        std::count_if(items.cbegin(), items.cend(), [](const ClipItem &c) { return c.pinned; }));
    QString text = InventoryText::countLine(int(items.size()), pinned);
    if (const qsizetype ignored = m_history->ignoredBundles().size(); ignored > 0)
        text += QStringLiteral("   IGNORING ") + QString::number(ignored);
    return text;
}

void CoreInventory::rebuild()
{
    m_clear->setVisible(!m_search->text().isEmpty());
    // A tile's click rebuilds the grid: the old tiles go once that click has returned.
    for (MenuPaintedButton *tile : std::as_const(m_tiles)) {
        tile->hide();
        tile->deleteLater();
    }
    m_tiles.clear();
    m_shown = m_history ? InventoryText::matching(m_history->displayItems(), m_search->text())
                        : QList<ClipItem>();
    if (m_hovered && std::none_of(m_shown.cbegin(), m_shown.cend(), [this](const ClipItem &c) {
            return c.id == *m_hovered;
        }))
        m_hovered.reset();

    // Room for a scroll bar; the viewport has no size of its own until shown.
    const double gridWidth = m_scroll->width() - 12;
    const double tileWidth = (gridWidth - (columns - 1) * kTileGap) / columns;
    const QDateTime current = now();
    for (int i = 0; i < m_shown.size(); ++i) {
        const ClipItem clip = m_shown[i];
        const QString caption = InventoryText::caption(clip, current, m_inputs.locale);
        auto *tile = new MenuPaintedButton(
            [clip, caption](QPainter &p, const QRectF &b, const MenuPaintedButton &button) {
                paintTile(p, b, clip, caption, button.hovered());
            },
            m_grid);
        const int row = i / columns, column = i % columns;
        tile->setGeometry(QRectF(column * (tileWidth + kTileGap), row * (kTileHeight + kTileGap),
                                 tileWidth, kTileHeight)
                              .toRect());
        const QString full = clip.text.size() > kTooltipTextLimit
            ? clip.text.left(kTooltipTextLimit) + QStringLiteral("…")
            : clip.text;
        tile->setHelp(kTileHelp + QStringLiteral("\n\n") + full,
                      (clip.pinned ? QStringLiteral("pinned: ") : QStringLiteral("copied item: "))
                          + InventoryText::shortText(clip.text));
        connect(tile, &QAbstractButton::clicked, this, [this, clip] {
            if (!m_history)
                return;
            m_history->copy(clip);
            emit copied();
        });
        connect(tile, &MenuPaintedButton::hoverChanged, this, [this, id = clip.id](bool on) {
            if (on) {
                m_hovered = id;
                emit cue(SoundCue::hover, hoverVolume);
            } else if (m_hovered == id) {
                m_hovered.reset();
            }
        });
        tile->show();
        m_tiles << tile;
    }
    const int rows = int((m_shown.size() + columns - 1) / columns);
    m_grid->resize(int(gridWidth), int(std::max(0.0, rows * (kTileHeight + kTileGap))));
    refreshFooter();
}

void CoreInventory::refreshFooter()
{
    const bool recording = !m_history || m_history->isRecording();
    m_recording->setHelp(recording ? QStringLiteral("Stop recording new copies until you resume")
                                   : QStringLiteral("Record copies from every app again"),
                         recording ? QStringLiteral("Pause") : QStringLiteral("Resume"));
    m_recording->update();
    update();
}

QMenu *CoreInventory::actionsMenu(int index)
{
    auto *menu = new QMenu(this);
    menu->setToolTipsVisible(true);
    if (index < 0 || index >= m_shown.size())
        return menu;
    const ClipItem clip = m_shown[index];
    QPointer<CoreInventory> self(this);

    QAction *paste = menu->addAction(QStringLiteral("Paste"));
    paste->setToolTip(QStringLiteral("Paste into the app you were using"));
    connect(paste, &QAction::triggered, this, [this, clip] { emit pasteRequested(clip); });

    const QString pinSymbol
        = clip.pinned ? QStringLiteral("pin.slash.fill") : QStringLiteral("pin.fill");
    QAction *pin = menu->addAction(symbolIcon(pinSymbol),
                                   clip.pinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"));
    pin->setToolTip(clip.pinned ? QStringLiteral("Unpin")
                                : QStringLiteral("Pin so it stays after restarts"));
    pin->setData(pinSymbol);
    connect(pin, &QAction::triggered, this, [this, id = clip.id] {
        if (m_history)
            m_history->togglePin(id);
    });

    QAction *remove = menu->addAction(QStringLiteral("Delete"));
    remove->setToolTip(QStringLiteral("Delete"));
    connect(remove, &QAction::triggered, this, [this, id = clip.id] {
        if (!m_history)
            return;
        emit cue(SoundCue::cancel);
        m_history->remove(id);
    });

    const QString app = clip.sourceApp.isEmpty() ? QStringLiteral("this app") : clip.sourceApp;
    QAction *ignore = menu->addAction(QStringLiteral("Never record copies from ") + app);
    ignore->setToolTip(ignore->text());
    // Without the app's id there is nothing to put on the ignore list.
    ignore->setEnabled(!clip.sourceBundle.isEmpty());
    connect(ignore, &QAction::triggered, this, [this, bundle = clip.sourceBundle] {
        if (m_history)
            m_history->ignoreApp(bundle);
    });
    return menu;
}

void CoreInventory::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate = QRectF(rect()).marginsRemoved(CoreFrostPanel::shadowOutsets());
    CoreFrostPanel(18, false).paint(painter, plate);
    const QRectF content = contentRect(*this);

    painter.setPen(CoreTheme::ink());
    painter.setFont(themeFont(20, ThemeWeight::bold));
    painter.drawText(QRectF(content.left(), content.top(), content.width(), kTitleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Inventory"));

    const QRectF searchBox(content.left(), content.top() + kTitleHeight + 6, content.width(),
                           kSearchHeight);
    painter.setPen(QPen(QColor(200, 200, 206), 1));
    painter.setBrush(CoreTheme::cardWhite());
    painter.drawRoundedRect(searchBox, kSearchHeight / 2, kSearchHeight / 2);
    Symbols::draw(painter, QRectF(searchBox.left() + 8, searchBox.top(), 18, searchBox.height()),
                  QStringLiteral("magnifyingglass"), CoreTheme::textSecondary(), 14);

    if (const QString empty = emptyText(); !empty.isEmpty()) {
        painter.setPen(CoreTheme::textSecondary());
        painter.setFont(themeFont(13, ThemeWeight::regular));
        painter.drawText(QRectF(m_scroll->geometry()).adjusted(24, 0, -24, 0),
                         Qt::AlignCenter | Qt::TextWordWrap, empty);
    }

    QFont footer = themeFont(9, ThemeWeight::bold);
    footer.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    painter.setFont(footer);
    painter.setPen(CoreTheme::textSecondary());
    const QRectF footerRect(content.left(), content.bottom() - kFooterHeight + 4,
                            m_clearUnpinned->geometry().left() - content.left() - 8, 22);
    painter.drawText(footerRect, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(footerText().toUpper(), Qt::ElideRight,
                                                      int(footerRect.width())));
}

} // namespace CoreWidgets
