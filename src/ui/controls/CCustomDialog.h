#pragma once
// The base of every Nimbra dialog: a frameless window that draws its own
// 50-pixel header, border and caption buttons, with rounded corners. The
// border is 6 pixels when the dialog can be sized, else 4; the close button
// is always there, maximise and minimise only with their style bits.
//
// Content goes into Client() (client coordinates, below the header) or into
// a layout set on the dialog itself: its contents margins keep it inside
// the frame. The window title is drawn in the header. Enter and Escape work
// as in any dialog (the default button; reject).

#include "base/IMultilangSupport.h"
#include "ui/controls/FrameGeometry.h"

#include <QDialog>

#include <initializer_list>

class QHBoxLayout;
class QPushButton;

namespace nbr {

class CaptionButton;
class FrameChrome;

class CCustomDialog : public QDialog, public IMultilangSupport {
    Q_OBJECT
public:
    // frame::kResizable, frame::kMaximizeBox, frame::kMinimizeBox.
    explicit CCustomDialog(QWidget* owner = nullptr, unsigned style = 0);
    ~CCustomDialog() override;

    [[nodiscard]] unsigned Style() const { return style_; }
    [[nodiscard]] int BorderWidth() const { return frame::DialogBorder(style_); }
    // In window coordinates.
    [[nodiscard]] QRect ClientRect() const;
    [[nodiscard]] QWidget* Client() const { return client_; }
    // Sizes the window so that its client area is `size`.
    void SetClientSize(const QSize& size);
    // Centres the dialog on its owner's window, or on the screen without one,
    // inside the screen's free area: a dialog taller than it first gives up
    // what height it can (ShrinkBy), then its header stays on the screen.
    void CenterOnOwner();

    [[nodiscard]] frame::HitArea HitTest(const QPoint& windowPos) const;
    [[nodiscard]] CaptionButton* CaptionButtonOf(frame::ButtonKind which) const;

    // Re-reads the frame's own texts; dialogs add theirs and call this.
    void UpdateTexts() override;

protected:
    // The dialogs' row of push buttons, each at least the common size:
    // `leading` at the left, `trailing` at the right.
    [[nodiscard]] static QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> leading,
                                                std::initializer_list<QPushButton*> trailing);
    // Makes the dialog up to `pixels` lower where its content allows (a
    // text that scrolls); returns how much it gave. None by default.
    virtual int ShrinkBy(int pixels);
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    unsigned style_;
    QWidget* client_;
    FrameChrome* chrome_;
};

}  // namespace nbr
