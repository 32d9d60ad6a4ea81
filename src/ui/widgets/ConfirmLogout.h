#pragma once

#include <QWidget>

namespace CoreWidgets {

class ConfirmChoiceButton;

// The quit card: "Log Out", a line of farewell, and a blue confirm and a pink cancel button.
class ConfirmLogout final : public QWidget
{
    Q_OBJECT

public:
    static constexpr double cardWidth = 280;
    static constexpr double padding = 20;
    static constexpr double buttonGap = 28;

    explicit ConfirmLogout(QWidget *parent = nullptr);
    ~ConfirmLogout() override;

    static QString title();
    static QString message();

    ConfirmChoiceButton *confirmButton() const { return m_confirm; }
    ConfirmChoiceButton *cancelButton() const { return m_cancel; }
    QRectF cardRect() const;

    QSize sizeHint() const override;

signals:
    void confirmed();
    void cancelled();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Layout
    {
        QRectF card;
        QRectF title;
        QRectF message;
        QPointF buttonsTop;
    };
    Layout layout() const;

    ConfirmChoiceButton *m_confirm;
    ConfirmChoiceButton *m_cancel;
};

} // namespace CoreWidgets
