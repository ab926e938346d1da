#pragma once
// A push button drawn from the theme's nine-state pictures of its kind
// (0 and 1: light, 108 and 146 pixels wide; 2: the blue one for the main
// action). Everything else is a push button's: default button, Enter,
// Space, mnemonics, focus.

#include <QPushButton>

namespace nbr {

class VelaButton : public QPushButton {
    Q_OBJECT
public:
    explicit VelaButton(QWidget* parent = nullptr, int kind = 0);
    VelaButton(const QString& text, QWidget* parent, int kind = 0);

    void SetKind(int kind);
    [[nodiscard]] int Kind() const { return kind_; }
    // The state drawn now: Theme::ButtonState bits, or kDisabled.
    [[nodiscard]] int State() const;
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int kind_;
    bool hot_ = false;
};

}  // namespace nbr
