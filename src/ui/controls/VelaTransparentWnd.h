#pragma once
// The base of Nimbra's labels and links: a text-carrying child that paints
// over its parent's background. With the background cache on, it keeps a
// picture of what the parent draws behind it (taken once per size), so it
// can repaint itself without asking the parent to repaint first.

#include <QLabel>
#include <QPixmap>

namespace nbr {

class VelaTransparentWnd : public QLabel {
    Q_OBJECT
public:
    explicit VelaTransparentWnd(QWidget* parent = nullptr);

    void SetBackgroundCache(bool on);
    [[nodiscard]] bool HasBackgroundCache() const { return cacheOn_; }
    // Drops the cached picture; the next paint takes it again.
    void InvalidateBackground();

protected:
    // Draws the cached background when there is one; true when drawn.
    bool PaintBackground(QPainter& painter);
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    bool cacheOn_ = false;
    QPixmap background_;
};

}  // namespace nbr
