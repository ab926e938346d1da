#pragma once
// What Nimbra's self-drawn main frame and dialogs share: the header and
// border painting, the caption buttons, the rounded window outline, and
// moving and sizing the window by its frame (through the window system when
// it offers it, else by following the mouse). The window owns one and passes
// its paint, mouse and resize events on.

#include "ui/controls/FrameGeometry.h"

#include <QObject>
#include <QPoint>
#include <QRect>

#include <functional>

class QMouseEvent;
class QPainter;
class QWidget;

namespace nbr {

class CaptionButton;

class FrameChrome : public QObject {
    Q_OBJECT
public:
    struct Shape {
        int border = frame::kFrameBorder;
        bool resizable = true;
        bool maximizeBox = true;
        bool minimizeBox = true;
        std::function<frame::HitArea(QSize, QPoint)> hitTest;
        std::function<QRect(QSize, frame::ButtonKind)> buttonRect;
    };

    FrameChrome(QWidget* window, Shape shape);

    [[nodiscard]] const Shape& GetShape() const { return shape_; }
    [[nodiscard]] frame::HitArea HitTest(QPoint windowPos) const;
    [[nodiscard]] CaptionButton* Button(frame::ButtonKind which) const;

    // The header, the client background, the border and its outlines; the
    // caption (a dialog's title) is drawn in the header when not empty.
    void Paint(QPainter& painter, const QString& caption) const;
    // After a size or state change: outline, button places and pictures.
    void Relayout();
    void UpdateTexts();

    // Mouse events on the window itself (not its children); true when used.
    bool MousePress(QMouseEvent* event);
    bool MouseMove(QMouseEvent* event);
    bool MouseRelease(QMouseEvent* event);
    bool MouseDoubleClick(QMouseEvent* event);

    // Whether a drag started by the last press is followed by hand (the
    // window system could not take it over).
    [[nodiscard]] bool ManualDragActive() const { return drag_ != Drag::None; }

private:
    enum class Drag { None, Move, Resize };

    void OnButton(frame::ButtonKind which);
    void ToggleMaximized();

    QWidget* window_;
    Shape shape_;
    CaptionButton* close_;
    CaptionButton* maximize_;
    CaptionButton* minimize_;
    Drag drag_ = Drag::None;
    Qt::Edges dragEdges_;
    QPoint dragStart_;
    QRect startGeometry_;
};

}  // namespace nbr
