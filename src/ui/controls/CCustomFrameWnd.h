#pragma once
// The main window's frame: a frameless window that draws the 50-pixel header
// with the product artwork, the border, three caption buttons (restore in
// place of maximise while maximised) and the menu bar inside the header,
// whose menus open below it. Rounded corners; moved and sized by its frame.
//
// The frame's layout keeps central widget, tool and status bars inside the
// border and below the header.

#include "base/IMultilangSupport.h"
#include "ui/controls/FrameGeometry.h"

#include <QList>
#include <QMainWindow>

class QMenu;

namespace nbr {

class CaptionButton;
class FrameChrome;
class HeaderMenuTitle;

class CCustomFrameWnd : public QMainWindow, public IMultilangSupport {
    Q_OBJECT
public:
    explicit CCustomFrameWnd(QWidget* parent = nullptr);
    ~CCustomFrameWnd() override;

    // The menu bar drawn in the header, in order; the frame does not own
    // the menus (parent them to the window).
    void AddMenu(QMenu* menu);
    [[nodiscard]] const QList<HeaderMenuTitle*>& MenuTitles() const { return titles_; }
    // The menu-bar item under a window-relative point; -1 for none.
    [[nodiscard]] int MenuItemAt(const QPoint& windowPos) const;
    // Opens menu `index` below the header, as a click on its title does.
    void OpenMenu(int index);
    // The open menu's index; -1 when none is open.
    [[nodiscard]] int OpenMenuIndex() const { return openIndex_; }

    [[nodiscard]] QRect ClientRect() const;
    [[nodiscard]] frame::HitArea HitTest(const QPoint& windowPos) const;
    [[nodiscard]] CaptionButton* CaptionButtonOf(frame::ButtonKind which) const;

    // Re-reads the frame's texts and the menus' titles.
    void UpdateTexts() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // While a menu is open: the mouse over another title or the Left and
    // Right keys move to the neighbouring menu, as in any menu bar.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SwitchTo(int index);

    void LayoutTitles();

    FrameChrome* chrome_;
    QList<HeaderMenuTitle*> titles_;
    int openIndex_ = -1;
};

}  // namespace nbr
