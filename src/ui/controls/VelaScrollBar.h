#pragma once
// A scroll bar drawn from the theme's scroll-bar parts: arrows in three
// states, track and thumb. The behaviour (and the places of arrows and
// thumb) stays the platform style's, so the drawing follows its geometry.

#include <QScrollBar>

namespace nbr {

class VelaScrollBar : public QScrollBar {
    Q_OBJECT
public:
    static constexpr int kThickness = 16;

    explicit VelaScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace nbr
