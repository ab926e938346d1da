#include "controls/CCustomFrameWnd.h"

#include "controls/FrameChrome.h"
#include "controls/HeaderMenuTitle.h"

#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QShortcut>

namespace nbr {

namespace {

constexpr int kTitlePadding = 8;   // the title's text starts this far into its box
constexpr int kTitleTop = 28;
constexpr int kTitleHeight = 22;

FrameChrome::Shape MainShape()
{
    FrameChrome::Shape shape;
    shape.hitTest = [](QSize window, QPoint p) { return frame::FrameHitTest(window, p); };
    shape.buttonRect = [](QSize window, frame::ButtonKind b) { return frame::FrameButtonRect(window, b); };
    return shape;
}

}  // namespace

CCustomFrameWnd::CCustomFrameWnd(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::FramelessWindowHint), chrome_(new FrameChrome(this, MainShape()))
{
    const int b = frame::kFrameBorder;
    setContentsMargins(b, b + frame::kHeaderHeight, b, b);
    setMinimumSize(frame::kHeaderArtSize.width() + 2 * b, frame::kHeaderHeight + 2 * b + 100);
}

CCustomFrameWnd::~CCustomFrameWnd() = default;

void CCustomFrameWnd::AddMenu(QMenu* menu)
{
    auto* title = new HeaderMenuTitle(menu, this);
    connect(title, &HeaderMenuTitle::OpenRequested, this, [this](HeaderMenuTitle* t) { OpenMenu(titles_.indexOf(t)); });
    titles_.append(title);
    auto* shortcut = new QShortcut(this);
    connect(shortcut, &QShortcut::activated, this, [this, title] { OpenMenu(titles_.indexOf(title)); });
    shortcuts_.append(shortcut);
    UpdateTexts();
    title->show();
}

int CCustomFrameWnd::MenuItemAt(const QPoint& windowPos) const
{
    for (int i = 0; i < titles_.size(); ++i) {
        if (titles_[i]->geometry().contains(windowPos))
            return i;
    }
    return -1;
}

void CCustomFrameWnd::OpenMenu(int index)
{
    if (index < 0 || index >= titles_.size())
        return;
    HeaderMenuTitle* title = titles_[index];
    // Below the header, whatever the title's own height.
    const int below = frame::kFrameBorder + frame::kHeaderHeight;
    title->OpenAt(mapToGlobal(QPoint(title->x(), below)));
}

QRect CCustomFrameWnd::ClientRect() const
{
    return frame::ClientRect(size(), frame::kFrameBorder);
}

frame::HitArea CCustomFrameWnd::HitTest(const QPoint& windowPos) const
{
    return chrome_->HitTest(windowPos);
}

CaptionButton* CCustomFrameWnd::CaptionButtonOf(frame::ButtonKind which) const
{
    return chrome_->Button(which);
}

void CCustomFrameWnd::UpdateTexts()
{
    chrome_->UpdateTexts();
    for (int i = 0; i < titles_.size(); ++i) {
        titles_[i]->UpdateText();
        shortcuts_[i]->setKey(QKeySequence::mnemonic(titles_[i]->Menu()->title()));
    }
    LayoutTitles();
}

void CCustomFrameWnd::LayoutTitles()
{
    int x = frame::kMenuOrigin.x() - kTitlePadding;
    const QRect close = frame::FrameButtonRect(size(), frame::ButtonKind::Minimize);
    for (HeaderMenuTitle* title : titles_) {
        const int w = title->sizeHint().width();
        title->setGeometry(x, kTitleTop, w, kTitleHeight);
        // A title that would run under the caption buttons is left out.
        title->setVisible(x + w <= close.left());
        x += w;
    }
}

void CCustomFrameWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    chrome_->Paint(painter, QString());
}

void CCustomFrameWnd::resizeEvent(QResizeEvent* event)
{
    chrome_->Relayout();
    LayoutTitles();
    QMainWindow::resizeEvent(event);
}

void CCustomFrameWnd::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange)
        chrome_->Relayout();
    QMainWindow::changeEvent(event);
}

void CCustomFrameWnd::showEvent(QShowEvent* event)
{
    chrome_->Relayout();
    QMainWindow::showEvent(event);
}

void CCustomFrameWnd::keyPressEvent(QKeyEvent* event)
{
    // F10 opens the menu bar, as it does on every desktop.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::NoModifier && !titles_.isEmpty()) {
        OpenMenu(0);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void CCustomFrameWnd::mousePressEvent(QMouseEvent* event)
{
    if (!chrome_->MousePress(event))
        QMainWindow::mousePressEvent(event);
}

void CCustomFrameWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (!chrome_->MouseMove(event))
        QMainWindow::mouseMoveEvent(event);
}

void CCustomFrameWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (!chrome_->MouseRelease(event))
        QMainWindow::mouseReleaseEvent(event);
}

void CCustomFrameWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!chrome_->MouseDoubleClick(event))
        QMainWindow::mouseDoubleClickEvent(event);
}

}  // namespace nbr
