#pragma once

#include <QAbstractButton>
#include <QRectF>
#include <QString>

#include <functional>

class QTextLayout;

// The card of a toast: the title over a thin rule, the message wrapped below it, on a white card
// with a gold accent bar at its leading edge. The card sits 10 points inside the widget on every
// side so its shadow is painted within the panel rather than cut off by the window's edge. A
// click anywhere calls `onTap`.
class ToastView final : public QAbstractButton
{
    Q_OBJECT
public:
    // Transparent room around the card, where its shadow falls.
    static constexpr double outerMargin = 10;
    // Text inset inside the card, leading and trailing edges.
    static constexpr double horizontalPadding = 14;
    static constexpr double verticalPadding = 10;
    static constexpr double accentWidth = 3;

    ToastView(QString title, QString message, std::function<void()> onTap,
              QWidget *parent = nullptr);

    const QString &title() const { return m_title; }
    const QString &message() const { return m_message; }

    // The height the card needs at `width` (the whole widget, margins included) to show the
    // title and every line of the message.
    static double fittingHeight(const QString &title, const QString &message, double width);

    // Where the card is painted inside a widget of `size`.
    static QRectF cardRect(const QSizeF &size);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    static double titleLineHeight();
    // Lays the message out in lines `width` wide, starting at y = 0; returns its height.
    static double layoutMessage(QTextLayout &layout, double width);

    QString m_title;
    QString m_message;
    std::function<void()> m_onTap;
};
