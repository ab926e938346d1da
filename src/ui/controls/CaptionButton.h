#pragma once
// One of a frame's caption buttons (close, maximise or restore, minimise):
// drawn from its normal, hot and pressed pictures. A real button, so the
// mouse capture, "release elsewhere cancels" and assistive technology come
// with it; the frame decides what a click does.

#include <QAbstractButton>

#include <array>

namespace nbr {

class CaptionButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CaptionButton(QWidget* parent = nullptr);
    // Normal, hot and pressed drawings.
    void SetImages(const std::array<int, 3>& images);
    [[nodiscard]] const std::array<int, 3>& Images() const { return images_; }
    // The picture now shown: 0 normal, 1 hot, 2 pressed.
    [[nodiscard]] int ShownState() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::array<int, 3> images_ {};
    bool hot_ = false;
};

}  // namespace nbr
