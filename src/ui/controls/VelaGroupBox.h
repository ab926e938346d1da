#pragma once
// A group frame drawn from the theme's nine pieces (style 0: with a shaded
// band along the top; style 1: plain), its title above the frame.

#include <QGroupBox>

namespace nbr {

class VelaGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit VelaGroupBox(QWidget* parent = nullptr, int frameStyle = 0);
    // The title, with the frame moved below it.
    void SetTitle(const QString& title);
    void SetFrameStyle(int frameStyle);
    [[nodiscard]] int FrameStyle() const { return frameStyle_; }
    // Where the frame starts below the title.
    [[nodiscard]] QRect FrameRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void UpdateMargins();

    int frameStyle_;
};

}  // namespace nbr
