#include "ui/setup/SetupCheckList.h"

#include "platform/Rounding.h"
#include "setup/SetupChecker.h"
#include "ui/CoreTheme.h"
#include "ui/Symbols.h"
#include "ui/setup/SetupCheckView.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include <cmath>

namespace {

constexpr double kPadding = 10;
constexpr double kSymbolSize = 22;
constexpr double kTextLeft = kPadding + kSymbolSize + 10;
constexpr double kMinButtonWidth = 96;
constexpr double kButtonTextPadding = 26;
constexpr double kButtonHeight = 28;
constexpr double kGap = 8;
constexpr double kTitleToDetail = 3;
constexpr double kCut = 8;

const ThemeType kTitleType{15, ThemeWeight::bold};
const ThemeType kTagType{11, ThemeWeight::semibold};
const ThemeType kDetailType{13, ThemeWeight::regular};
const ThemeType kButtonType{12, ThemeWeight::bold};

// Wide enough for the title in the button's font and its padding.
double buttonWidth(const QString &title)
{
    return std::max(kMinButtonWidth,
                    Rounding::ceil(QFontMetricsF(themeFont(kButtonType)).horizontalAdvance(title))
                        + kButtonTextPadding);
}

QColor symbolColour(SetupItem::State state)
{
    switch (state) {
    case SetupItem::State::ok:
        return CoreTheme::hpGreen().darker(115);
    case SetupItem::State::attention:
        return CoreTheme::hpRed();
    case SetupItem::State::optionalMissing:
        return CoreTheme::textMuted();
    }
    return CoreTheme::ink();
}

// A plate with its top-left and bottom-right corners cut, the shape of the game's cards.
QPainterPath cutCard(const QRectF &r)
{
    QPainterPath path;
    path.moveTo(r.left() + kCut, r.top());
    path.lineTo(r.right(), r.top());
    path.lineTo(r.right(), r.bottom() - kCut);
    path.lineTo(r.right() - kCut, r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.lineTo(r.left(), r.top() + kCut);
    path.closeSubpath();
    return path;
}

} // namespace

SetupCheckList::SetupCheckList(SetupChecker &checker, QWidget *parent)
    : QWidget(parent)
    , m_checker(checker)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(&m_checker, &SetupChecker::changed, this, &SetupCheckList::itemsChanged);
    itemsChanged();
}

QString SetupCheckList::symbolFor(SetupItem::State state)
{
    switch (state) {
    case SetupItem::State::ok:
        return QStringLiteral("checkmark.circle.fill");
    case SetupItem::State::attention:
        return QStringLiteral("exclamationmark.triangle.fill");
    case SetupItem::State::optionalMissing:
        return QStringLiteral("minus.circle");
    }
    return {};
}

QList<SetupCheckList::Row> SetupCheckList::rowsFor(int width) const
{
    QList<Row> rows;
    const QFontMetricsF title(themeFont(kTitleType));
    const QFontMetricsF detail(themeFont(kDetailType));
    double y = 0;
    for (const SetupItem &item : m_items) {
        const double right
            = item.actionTitle.isEmpty() ? kPadding : buttonWidth(item.actionTitle) + 2 * kPadding;
        const double textWidth = std::max(40.0, width - kTextLeft - right);
        const QRectF detailBounds = detail.boundingRect(
            QRectF(0, 0, textWidth, 10000), Qt::TextWordWrap | Qt::AlignLeft, item.detail);
        const double titleHeight = Rounding::ceil(title.height());
        const double height = std::max(kButtonHeight + 2 * kPadding,
                                       kPadding + titleHeight + kTitleToDetail
                                           + Rounding::ceil(detailBounds.height()) + kPadding);
        Row row;
        row.card = QRectF(0, y, width, height);
        row.detail = QRectF(kTextLeft, y + kPadding + titleHeight + kTitleToDetail, textWidth,
                            Rounding::ceil(detailBounds.height()));
        rows << row;
        y += height + kGap;
    }
    return rows;
}

int SetupCheckList::heightForWidth(int width) const
{
    const QList<Row> rows = rowsFor(width);
    return rows.isEmpty() ? 0 : int(Rounding::ceil(rows.constLast().card.bottom()));
}

QSize SetupCheckList::sizeHint() const
{
    const int width = std::max(this->width(), 400);
    return {width, heightForWidth(width)};
}

void SetupCheckList::itemsChanged()
{
    m_items = m_checker.items();
    relayout();
}

void SetupCheckList::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void SetupCheckList::relayout()
{
    m_rows = rowsFor(width());
    int used = 0;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const SetupItem &item = m_items.at(i);
        if (item.actionTitle.isEmpty())
            continue;
        if (used == m_buttons.size()) {
            auto *button = new QPushButton(this);
            SetupCheckView::styleButton(*button, true);
            button->setFont(themeFont(kButtonType));
            button->setStyleSheet(button->styleSheet()
                                  + QStringLiteral(" QPushButton { padding: 2px 6px; }"));
            const int slot = used;
            connect(button, &QPushButton::clicked, this, [this, slot] {
                // The slot-th line that has an action, as placed by the last layout.
                int seen = 0;
                for (const SetupItem &line : std::as_const(m_items)) {
                    if (line.actionTitle.isEmpty())
                        continue;
                    if (seen++ == slot) {
                        if (line.action)
                            line.action();
                        return;
                    }
                }
            });
            m_buttons << button;
        }
        QPushButton *button = m_buttons.at(used++);
        button->setText(item.actionTitle);
        button->setAccessibleName(item.actionTitle + QStringLiteral(": ") + item.title);
        button->setToolTip(item.actionTitle + QStringLiteral(" for ") + item.title);
        const QRectF card = m_rows.at(i).card;
        const double width = buttonWidth(item.actionTitle);
        button->setGeometry(int(card.right() - kPadding - width),
                            int(card.center().y() - kButtonHeight / 2), int(width),
                            int(kButtonHeight));
        button->show();
    }
    for (qsizetype i = used; i < m_buttons.size(); ++i)
        m_buttons.at(i)->hide();
    const int height = heightForWidth(width());
    if (minimumHeight() != height)
        setMinimumHeight(height);
    updateGeometry();
    update();
}

void SetupCheckList::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFontMetricsF title(themeFont(kTitleType));
    const QFontMetricsF tag(themeFont(kTagType));
    for (qsizetype i = 0; i < m_items.size() && i < m_rows.size(); ++i) {
        const SetupItem &item = m_items.at(i);
        const Row &row = m_rows.at(i);
        const QRectF card = row.card.adjusted(0.5, 0.5, -0.5, -0.5);

        painter.setPen(QPen(CoreTheme::silver(), 1));
        painter.setBrush(CoreTheme::cardWhite());
        painter.drawPath(cutCard(card));
        if (item.needsAttention()) {
            // The lines that count toward the menu's number carry the accent bar.
            painter.fillRect(QRectF(card.left(), card.top() + kCut, 3, card.height() - kCut),
                             CoreTheme::hpRed());
        }

        const QRectF symbol(card.left() + kPadding, card.top() + kPadding, kSymbolSize,
                            kSymbolSize);
        Symbols::draw(painter, symbol, symbolFor(item.state), symbolColour(item.state), 20);

        const double titleTop = card.top() + kPadding;
        painter.setFont(themeFont(kTitleType));
        painter.setPen(CoreTheme::ink());
        const QRectF titleRect(kTextLeft, titleTop, title.horizontalAdvance(item.title) + 1,
                               Rounding::ceil(title.height()));
        painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter, item.title);

        const QString tagText
            = item.required ? QStringLiteral("required") : QStringLiteral("optional");
        const QRectF tagRect(titleRect.right() + 8, titleRect.center().y() - tag.height() / 2 - 1,
                             tag.horizontalAdvance(tagText) + 10, tag.height() + 2);
        const QColor tagColour = item.required ? CoreTheme::accentPink() : CoreTheme::textMuted();
        painter.setPen(QPen(tagColour, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(tagRect, tagRect.height() / 2, tagRect.height() / 2);
        painter.setFont(themeFont(kTagType));
        painter.drawText(tagRect, Qt::AlignCenter, tagText);

        painter.setFont(themeFont(kDetailType));
        painter.setPen(CoreTheme::textSecondary());
        painter.drawText(row.detail, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, item.detail);
    }
}
