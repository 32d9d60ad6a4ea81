#include "ui/setup/SetupCheckView.h"

#include "setup/SetupChecker.h"
#include "ui/CoreTheme.h"
#include "ui/Symbols.h"
#include "ui/setup/SetupCheckList.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr int kMargin = 18;
constexpr double kHeadingTop = 16;
constexpr double kHeadingHeight = 32;
constexpr double kSummaryHeight = 24;
constexpr double kCaptionHeight = 34;
constexpr int kHeaderHeight = 128;

QString colourName(const QColor &colour)
{
    return colour.name(QColor::HexArgb);
}

} // namespace

SetupCheckView::SetupCheckView(SetupChecker &checker, std::function<void()> onDone, QWidget *parent)
    : QWidget(parent)
    , m_checker(checker)
    , m_onDone(std::move(onDone))
    , m_scroll(new QScrollArea(this))
    , m_list(new SetupCheckList(checker, this))
{
    setAccessibleName(QStringLiteral("Kaidro setup check"));
    setAutoFillBackground(false);

    m_scroll->setWidget(m_list);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The page's own plate shows through behind the cards.
    m_scroll->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget "
                                           "{ background: transparent; }"));

    auto *copy = new QPushButton(QStringLiteral("Copy report"), this);
    copy->setToolTip(QStringLiteral("Copies every line as text, to paste into a message"));
    auto *again = new QPushButton(QStringLiteral("Check again"), this);
    again->setToolTip(QStringLiteral("Runs every check once more now"));
    auto *done = new QPushButton(QStringLiteral("Done"), this);
    done->setToolTip(QStringLiteral("Closes the setup check"));
    for (QPushButton *button : {copy, again, done})
        button->setAccessibleName(button->text());
    styleButton(*copy, false);
    styleButton(*again, false);
    styleButton(*done, true);
    done->setDefault(true);

    connect(copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_checker.report()); });
    connect(again, &QPushButton::clicked, this, [this] { m_checker.start(); });
    connect(done, &QPushButton::clicked, this, [this] {
        if (m_onDone)
            m_onDone();
    });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(copy);
    buttons->addWidget(again);
    buttons->addStretch(1);
    buttons->addWidget(done);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kHeaderHeight, kMargin, kMargin);
    layout->setSpacing(12);
    layout->addWidget(m_scroll, 1);
    layout->addLayout(buttons);

    connect(&m_checker, &SetupChecker::changed, this, qOverload<>(&QWidget::update));
}

QString SetupCheckView::summaryText(bool checking, int itemCount, int attentionCount)
{
    if (checking && itemCount == 0)
        return QStringLiteral("Checking this computer...");
    if (attentionCount == 0)
        return QStringLiteral("Everything the HUD needs is in place.");
    return QString::number(attentionCount) + QStringLiteral(" required item")
        + (attentionCount == 1 ? QStringLiteral(" needs") : QStringLiteral("s need"))
        + QStringLiteral(" attention.");
}

QString SetupCheckView::summarySymbol(int attentionCount)
{
    return attentionCount == 0 ? QStringLiteral("checkmark.seal.fill")
                               : QStringLiteral("exclamationmark.triangle.fill");
}

void SetupCheckView::styleButton(QPushButton &button, bool primary)
{
    const QColor fill = primary ? CoreTheme::gold() : CoreTheme::cardWhite();
    const QColor border = primary ? CoreTheme::gold().darker(120) : CoreTheme::silver();
    button.setFont(themeFont(13, ThemeWeight::bold));
    button.setCursor(Qt::PointingHandCursor);
    button.setMinimumHeight(28);
    button.setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3;"
                       " border-radius: 4px; padding: 4px 14px; }"
                       " QPushButton:hover { background: %4; }"
                       " QPushButton:pressed { background: %5; }")
            .arg(colourName(fill), colourName(CoreTheme::ink()), colourName(border),
                 colourName(fill.lighter(108)), colourName(fill.darker(110))));
}

void SetupCheckView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect(), CoreTheme::frostSolid().toRgb());

    const double width = this->width() - 2 * kMargin;
    QRectF line(kMargin, kHeadingTop, width, kHeadingHeight);
    painter.setPen(CoreTheme::ink());
    painter.setFont(themeFont(26, ThemeWeight::bold));
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kaidro setup check"));
    // A gold rule under the heading, as on the game's cards.
    painter.fillRect(QRectF(kMargin, line.bottom() + 2, 64, 3), CoreTheme::gold());

    const bool checking = m_checker.checking();
    const int count = m_checker.items().size();
    const int attention = m_checker.attentionCount();
    line = QRectF(kMargin, line.bottom() + 12, width, kSummaryHeight);
    double textLeft = kMargin;
    if (!(checking && count == 0)) {
        const QColor colour
            = attention == 0 ? CoreTheme::hpGreen().darker(115) : CoreTheme::hpRed();
        Symbols::draw(painter, QRectF(kMargin, line.top(), kSummaryHeight, kSummaryHeight),
                      summarySymbol(attention), colour, 20);
        textLeft += kSummaryHeight + 6;
    }
    painter.setPen(CoreTheme::ink());
    painter.setFont(themeFont(16, ThemeWeight::semibold));
    painter.drawText(QRectF(textLeft, line.top(), width, kSummaryHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, summaryText(checking, count, attention));

    line = QRectF(kMargin, line.bottom() + 4, width, kCaptionHeight);
    painter.setPen(CoreTheme::textMuted());
    painter.setFont(themeFont(12, ThemeWeight::regular));
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                     QStringLiteral("Each line is checked on this computer right now and updates "
                                    "as you change a setting."));
}
