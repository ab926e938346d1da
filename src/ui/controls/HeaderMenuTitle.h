#pragma once
// One title of the menu bar that the main frame draws in its header: white
// text on the header artwork, highlighted while hot or open. Pressing it
// opens its drop-down menu below the header.

#include <QAbstractButton>
#include <QKeySequence>

class QMenu;

namespace nbr {

class HeaderMenuTitle : public QAbstractButton {
    Q_OBJECT
public:
    HeaderMenuTitle(QMenu* menu, QWidget* parent);
    [[nodiscard]] QMenu* Menu() const { return menu_; }
    [[nodiscard]] QSize sizeHint() const override;
    // Opens the menu with its top-left corner at `globalPos`.
    void OpenAt(const QPoint& globalPos);
    [[nodiscard]] bool IsOpen() const { return open_; }
    // The menu's title changed (a language change): take it again.
    void UpdateText();
    // Alt and the letter after the title's '&' ("&&" is a plain '&');
    // empty without one.
    [[nodiscard]] static QKeySequence Mnemonic(const QString& title);

signals:
    void OpenRequested(HeaderMenuTitle* title);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QMenu* menu_;
    bool hot_ = false;
    bool open_ = false;
};

}  // namespace nbr
