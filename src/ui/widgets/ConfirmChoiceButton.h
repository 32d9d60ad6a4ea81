#pragma once

#include "ui/CorePressButton.h"

namespace CoreWidgets {

// A round answer of the quit card: a 44-point disc in a 52-point frame, blue with a white ring
// to confirm, pink with a cross to cancel.
class ConfirmChoiceButton final : public CorePressButton
{
    Q_OBJECT

public:
    enum class Choice { confirm, cancel };

    static constexpr double frame = 52;
    static constexpr double disc = 44;
    static constexpr double ring = 36;
    static constexpr double ringLine = 3;
    static constexpr double glyphSize = 16;

    explicit ConfirmChoiceButton(Choice choice, QWidget *parent = nullptr);

    Choice choice() const { return m_choice; }
    QSize sizeHint() const override;

protected:
    void paintLabel(QPainter &painter, const QRectF &bounds) override;
    bool hitButton(const QPoint &pos) const override;

private:
    Choice m_choice;
};

} // namespace CoreWidgets
