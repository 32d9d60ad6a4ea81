#include "ui/commandbar/CommandBarView.h"

#include "ui/commandbar/CommandBarBackdrop.h"
#include "ui/commandbar/CommandBarRow.h"

#include "commandbar/CommandBarModel.h"
#include "platform/Rounding.h"
#include "ui/AccessiblePainted.h"
#include "ui/CachedPaint.h"
#include "ui/CoreShadow.h"
#include "ui/CoreTheme.h"
#include "ui/Symbols.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <QtMath>

#include <algorithm>

namespace {

constexpr double rowHeight = 46;

} // namespace

CommandBarView::CommandBarView(CommandBarModel &model, AppIcon appIcon, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_appIcon(std::move(appIcon))
{
    setAttribute(Qt::WA_TranslucentBackground);
    // The view grows and shrinks downwards with its rows; the search field above them stays as
    // it was drawn (see resizeEvent).
    setAttribute(Qt::WA_StaticContents);
    setAccessibleName(QStringLiteral("Command bar"));

    m_field = new QLineEdit(this);
    m_field->setFrame(false);
    m_field->setPlaceholderText(placeholder);
    m_field->setAccessibleName(QStringLiteral("Search"));
    m_field->setToolTip(placeholder);
    m_field->setFont(themeFont(16, ThemeWeight::medium));
    m_field->setAttribute(Qt::WA_MacShowFocusRect, false);
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, ink());
    QColor placeholderColour = ink();
    placeholderColour.setAlphaF(0.5f);
    palette.setColor(QPalette::PlaceholderText, placeholderColour);
    m_field->setPalette(palette);
    m_field->setText(m_model.query());
    m_field->installEventFilter(this);
    m_shownItems = m_model.results();
    m_shownSelection = m_model.selection();

    // Not on the very next turn of the event loop: the rows just painted reach the X server
    // only when the loop next waits, and the icons would keep them from it.
    m_iconTimer.setSingleShot(true);
    m_iconTimer.setInterval(16);
    connect(&m_iconTimer, &QTimer::timeout, this, &CommandBarView::drawPendingIcons);

    connect(m_field, &QLineEdit::textEdited, &m_model, &CommandBarModel::setQuery);
    connect(&m_model, &CommandBarModel::queryChanged, this, [this] {
        if (m_field->text() != m_model.query())
            m_field->setText(m_model.query());
    });
    // Only what a change touches is repainted and sent to the X server: the rows drawn
    // differently from before (most keystrokes keep some of them). A new height moves the footer
    // (see resizeEvent); the search field repaints itself.
    connect(&m_model, &CommandBarModel::resultsChanged, this, &CommandBarView::followModel);
    connect(&m_model, &CommandBarModel::selectionChanged, this, &CommandBarView::followModel);
    connect(&m_model, &CommandBarModel::focusPulseChanged, this,
            [this] { m_field->setFocus(Qt::OtherFocusReason); });
    setFocusProxy(m_field);
    exposeRows();
    QTimer::singleShot(0, this, &CommandBarRow::warmGlyphs);
}

CommandBarView::PaintNow::PaintNow(const QRegion &region)
    : QEvent(kind())
    , region(region)
{
    setAccepted(false);
}

QEvent::Type CommandBarView::PaintNow::kind()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void CommandBarView::followModel()
{
    const QList<CommandItem> &rows = m_model.results();
    const int selection = m_model.selection();
    // Rows still listed lie above the footer at any height: they are painted and sent at once
    // where the window can. Rows gone wait for the new height, which moves the footer.
    QRegion listed, gone;
    for (int row : CommandBarRow::changed(m_shownItems, m_shownSelection, rows, selection)) {
        QRegion &changed = row < rows.size() ? listed : gone;
        // A row that keeps its place and highlight has its background drawn as it was: only
        // where its old and new icon, words and key cap lie is drawn again.
        if (row < m_shownItems.size() && row < rows.size()
            && (row == m_shownSelection) == (row == selection))
            changed += CommandBarRow::ink(rowRect(row), m_shownItems.at(row))
                + CommandBarRow::ink(rowRect(row), rows.at(row));
        else
            changed += rowRect(row).toAlignedRect();
    }
    m_shownItems = rows;
    m_shownSelection = selection;
    // What lies below the view's present height shows once the view grows.
    listed &= rect();
    if (!listed.isEmpty() && window() != this) {
        PaintNow now(listed);
        QCoreApplication::sendEvent(window(), &now);
        if (now.isAccepted())
            listed = QRegion();
    }
    update(listed + gone);
}

void CommandBarView::exposeRows()
{
    // Each row is a list item named by its title, with its subtitle and key word as help; the
    // press action runs it as a click does.
    AccessiblePainted::attach(
        this,
        [this] {
            QList<AccessibleItem> items;
            const QList<CommandItem> &rows = m_model.results();
            if (rows.isEmpty())
                items.append({QAccessible::StaticText, emptyText, {}, rowRect(0)});
            for (int row = 0; row < rows.size(); ++row) {
                const CommandItem &item = rows[row];
                QString help = item.subtitle.value_or(QString());
                if (!item.hint.isEmpty())
                    help += (help.isEmpty() ? QString() : QStringLiteral(". ")) + item.hint;
                items.append({QAccessible::ListItem, item.title, help, rowRect(row), true,
                              row == m_model.selection()});
            }
            return items;
        },
        [this](int row) {
            m_model.setSelection(row);
            m_model.runSelected(false);
        });
}

const QColor &CommandBarView::ink()
{
    static const QColor colour = QColor::fromRgbF(106 / 255.0f, 104 / 255.0f, 107 / 255.0f);
    return colour;
}

QRectF CommandBarView::contentRect() const
{
    return CommandBarBackdrop::content(QSizeF(size()));
}

QRectF CommandBarView::rowRect(int row) const
{
    const QRectF content = contentRect();
    return QRectF(content.x() + 8, content.y() + CommandBarBackdrop::searchHeight + row * rowHeight,
                  content.width() - 16, rowHeight);
}

int CommandBarView::rowAt(const QPointF &point) const
{
    for (int row = 0; row < m_model.results().size(); ++row) {
        if (rowRect(row).contains(point))
            return row;
    }
    return -1;
}

void CommandBarView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // A new height moves the footer and the card's lower edge with its shadow, all in the
    // backdrop's bottom band; above it the backdrop is the same at any height and the rows
    // repaint as they change.
    const QSize before = event->oldSize();
    if (before.width() == width() && before.height() > 0 && before.height() != height()) {
        const int top = std::min(before.height(), height()) - CommandBarBackdrop::bottomBand;
        update(QRect(0, top, width(), height() - top));
    } else {
        update();
    }
    const QRectF content = contentRect();
    m_field->setGeometry(
        QRectF(content.x() + 50, content.y() + 18, content.width() - 70, 34).toRect());
}

void CommandBarView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintArea(painter, event->region());
}

void CommandBarView::paintArea(QPainter &painter, const QRegion &dirty)
{
    // A blinking cursor or a new selection repaints a small part: rows outside it are left
    // alone (row contents stay inside their rectangles). A row's picture is opaque and covers
    // its rectangle: the backdrop is drawn only around the rows drawn.
    QList<int> rows;
    QRegion covered;
    for (int row = 0; row < m_model.results().size(); ++row) {
        if (const QRect rect = rowRect(row).toAlignedRect(); dirty.intersects(rect)) {
            rows.append(row);
            covered += rect;
        }
    }
    painter.setClipRegion(dirty - covered);
    CommandBarBackdrop::draw(painter, size());
    painter.setClipRegion(dirty);

    if (m_model.results().isEmpty()) {
        painter.setPen(ink());
        painter.setFont(themeFont(12, ThemeWeight::semibold));
        painter.drawText(rowRect(0).adjusted(12, 0, -12, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         emptyText);
    }
    for (int row : rows)
        drawRow(painter, row);
}

void CommandBarView::drawRow(QPainter &painter, int row)
{
    const CommandItem &item = m_model.results().at(row);
    const QRectF rect = rowRect(row);
    const bool isApp = item.appURL && m_appIcon;
    const QImage *icon = isApp
        ? appIcon(item.appURL->toLocalFile(), CommandBarRow::iconBox(rect).toRect(), painter)
        : nullptr;
    const double ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const QString key
        = QStringList{item.title,
                      item.subtitle ? u'+' + *item.subtitle : QString(),
                      item.symbol,
                      isApp ? item.appURL->toString() : QString(),
                      !isApp               ? QString()
                          : !icon          ? QStringLiteral("later")
                          : icon->isNull() ? QStringLiteral("none")
                                           : QStringLiteral("icon"),
                      item.hint,
                      row == m_model.selection() ? QStringLiteral("selected") : QString(),
                      QString::number(rect.width()) + u'@' + QString::number(ratio)}
              .join(QChar(0x1f));
    if (const QImage *drawn = m_rowImages.object(key)) {
        painter.drawImage(rect.topLeft(), *drawn);
        return;
    }
    // Rows lie on the card's own colour: drawn onto it apart, a row blits the pixels it would
    // paint in place, and one that comes back at a later keystroke is not drawn again.
    QImage drawn(QSize(int(Rounding::ceil(rect.width() * ratio)),
                       int(Rounding::ceil(rect.height() * ratio))),
                 QImage::Format_ARGB32_Premultiplied);
    drawn.setDevicePixelRatio(ratio);
    drawn.fill(CoreTheme::cardWhite());
    QPainter p(&drawn);
    p.setRenderHints(painter.renderHints());
    p.translate(-rect.topLeft());
    paintRow(p, row, icon);
    p.end();
    painter.drawImage(rect.topLeft(), drawn);
    m_rowImages.insert(key, new QImage(CachedPaint::kept(drawn)),
                       qsizetype(drawn.sizeInBytes() / 1024));
}

void CommandBarView::paintRow(QPainter &painter, int row, const QImage *icon)
{
    const CommandItem &item = m_model.results().at(row);
    const QRectF rect = rowRect(row);
    const bool selected = row == m_model.selection();
    const QColor text = selected ? QColor(Qt::white) : ink();
    if (selected) {
        QPainterPath fill;
        fill.addRoundedRect(rect.adjusted(0, 2, 0, -2), 8, 8);
        painter.fillPath(fill, CoreTheme::gold());
    }

    const CommandBarRow::Layout layout = CommandBarRow::layout(rect, item);
    const QRectF &iconBox = layout.icon;
    const bool isApp = item.appURL && m_appIcon;
    if (icon && !icon->isNull()) {
        painter.drawImage(iconBox.toRect().topLeft(), *icon);
    } else if (!isApp || icon) {
        // An app without an icon shows its symbol; one whose icon is still to come, nothing.
        QColor symbolColour = text;
        symbolColour.setAlphaF(0.9f);
        Symbols::draw(painter, QRectF(iconBox.center() - QPointF(10, 10), QSizeF(20, 20)),
                      item.symbol, symbolColour, 12);
    }

    QColor capOutline = text;
    capOutline.setAlphaF(0.5f);
    CommandBarRow::paintKeyCap(painter, layout.cap, item.hint, text, capOutline);

    painter.setPen(text);
    painter.setFont(CommandBarRow::titleFont());
    painter.drawText(layout.title, Qt::AlignLeft | Qt::AlignVCenter, layout.titleText);
    if (!layout.subtitleText.isEmpty()) {
        QColor sub = text;
        sub.setAlphaF(0.6f);
        painter.setPen(sub);
        painter.setFont(CommandBarRow::subtitleFont());
        painter.drawText(layout.subtitle, Qt::AlignLeft | Qt::AlignVCenter, layout.subtitleText);
    }
}

namespace {

// Renderings outlive the view: reading the desktop entry, finding its icon in the theme and
// decoding a PNG or parsing an SVG (some carry megapixel images) take milliseconds for each new
// app a keystroke brings into the list. They are kept by desktop entry, theme and size; an
// entry rewritten since (an app updated) has its icon read again.
QCache<QString, QImage> &renderedIcons()
{
    static QCache<QString, QImage> rendered(128);
    return rendered;
}

QString iconKey(const QString &desktopFile, const QSize &box, double ratio)
{
    return desktopFile + u'|'
        + QString::number(QFileInfo(desktopFile).lastModified().toMSecsSinceEpoch()) + u'|'
        + QIcon::themeName() + u'|' + QString::number(box.width()) + u'x'
        + QString::number(box.height()) + u'@' + QString::number(ratio);
}

} // namespace

const QImage *CommandBarView::appIcon(const QString &desktopFile, const QRect &box,
                                      const QPainter &painter)
{
    // Rows repaint at every keystroke: this showing's icons are kept apart from the shared
    // renderings, whose key needs the entry's modification time.
    if (const auto shown = m_shownIcons.constFind(desktopFile); shown != m_shownIcons.constEnd())
        return &*shown;
    const double ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const QString key = iconKey(desktopFile, box.size(), ratio);
    if (const QImage *cached = renderedIcons().object(key))
        return &*m_shownIcons.insert(desktopFile, *cached);
    // The rows show now with their words; the icon follows once drawn, on the next turn of the
    // event loop, so a keystroke is not kept waiting on an image file.
    m_pendingIcons.insert(key, PendingIcon{desktopFile, box.size(), ratio});
    if (!m_iconTimer.isActive())
        m_iconTimer.start();
    return nullptr;
}

void CommandBarView::drawPendingIcons()
{
    // A few milliseconds' worth at a time, then the rows repaint once with them and a key
    // pressed meanwhile is served before the rest.
    QElapsedTimer spent;
    spent.start();
    QSet<QString> drawn;
    while (!m_pendingIcons.isEmpty() && spent.elapsed() < 4) {
        const auto next = m_pendingIcons.begin();
        const QString key = next.key();
        const PendingIcon pending = next.value();
        m_pendingIcons.erase(next);
        drawn.insert(pending.desktopFile);
        // Drawn as QIcon::paint draws it into the row, on transparency: the blit lands the
        // same pixels. An entry without an icon is kept too, as the null image.
        QImage image;
        if (const QIcon icon = m_appIcon(pending.desktopFile); !icon.isNull()) {
            image = QImage(QSize(int(Rounding::ceil(pending.box.width() * pending.ratio)),
                                 int(Rounding::ceil(pending.box.height() * pending.ratio))),
                           QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(pending.ratio);
            image.fill(Qt::transparent);
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            icon.paint(&p, QRect(QPoint(), pending.box));
            p.end();
        }
        renderedIcons().insert(key, new QImage(CachedPaint::kept(image)));
    }
    // Only the boxes the icons go into: the rows' words are already there.
    const QList<CommandItem> &rows = m_model.results();
    for (int row = 0; row < rows.size(); ++row) {
        if (rows[row].appURL && drawn.contains(rows[row].appURL->toLocalFile()))
            update(CommandBarRow::iconBox(rowRect(row)).toAlignedRect());
    }
    if (!m_pendingIcons.isEmpty())
        m_iconTimer.start();
}

void CommandBarView::mousePressEvent(QMouseEvent *event)
{
    const int row = rowAt(event->position());
    if (event->button() != Qt::LeftButton || row < 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    m_model.setSelection(row);
    m_model.runSelected(false);
}

bool CommandBarView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    switch (key->key()) {
    case Qt::Key_Up:
        m_model.moveSelection(-1);
        return true;
    case Qt::Key_Down:
        m_model.moveSelection(+1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Alt+Return is the alternative action (Option+Return elsewhere).
        m_model.runSelected(key->modifiers().testFlag(Qt::AltModifier));
        return true;
    case Qt::Key_Escape:
        m_model.requestClose();
        return true;
    case Qt::Key_Delete:
        // Alt+Delete forgets what the bar learned of the row; Delete alone edits the query.
        if (!key->modifiers().testFlag(Qt::AltModifier))
            return QWidget::eventFilter(watched, event);
        m_model.forgetSelected();
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}
