#pragma once
// One of a group of exclusive choices, drawn from the theme's radio strip
// as the check box is drawn from its own.

#include <QRadioButton>

namespace nbr {

class VelaRadioButton : public QRadioButton {
    Q_OBJECT
public:
    explicit VelaRadioButton(const QString& text = {}, QWidget* parent = nullptr);
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

}  // namespace nbr
