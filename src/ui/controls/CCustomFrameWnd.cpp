#include "ui/controls/CCustomFrameWnd.h"

#include "ui/controls/FrameChrome.h"
#include "ui/controls/HeaderMenuTitle.h"
#include "ui/controls/Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QMenu>
#include <QPainter>

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
    // The drop-downs in the theme's font and selection colour.
    const Theme& theme = Theme::Instance();
    menu->setFont(theme.Font(Theme::kFontNormal));
    QPalette palette = menu->palette();
    palette.setColor(QPalette::Highlight, theme.ColorOr(Theme::kColorSelection, QColor(56, 92, 200)));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    menu->setPalette(palette);
    auto* title = new HeaderMenuTitle(menu, this);
    connect(title, &HeaderMenuTitle::OpenRequested, this, [this](HeaderMenuTitle* t) { OpenMenu(titles_.indexOf(t)); });
    titles_.append(title);
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
    QMenu* menu = title->Menu();
    openIndex_ = index;
    menu->installEventFilter(this);
    connect(menu, &QMenu::aboutToHide, this, [this, menu, index] {
        menu->removeEventFilter(this);
        disconnect(menu, &QMenu::aboutToHide, this, nullptr);
        if (openIndex_ == index)
            openIndex_ = -1;
    });
    // Below the header, whatever the title's own height.
    const int below = frame::kFrameBorder + frame::kHeaderHeight;
    title->OpenAt(mapToGlobal(QPoint(title->x(), below)));
}

void CCustomFrameWnd::SwitchTo(int index)
{
    const int from = openIndex_;
    if (from < 0 || index == from || index < 0 || index >= titles_.size() || !titles_[index]->isVisible())
        return;
    titles_[from]->Menu()->hide();
    // After the old menu has let go of the mouse.
    QMetaObject::invokeMethod(this, [this, index] { OpenMenu(index); }, Qt::QueuedConnection);
}

bool CCustomFrameWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (openIndex_ >= 0 && watched == titles_[openIndex_]->Menu()) {
        QMenu* menu = titles_[openIndex_]->Menu();
        if (event->type() == QEvent::MouseMove) {
            const auto* move = static_cast<QMouseEvent*>(event);
            const int under = MenuItemAt(mapFromGlobal(move->globalPosition().toPoint()));
            if (under >= 0 && under != openIndex_)
                SwitchTo(under);
        } else if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            // Left and Right inside a submenu belong to the submenu.
            const bool inSubmenu = menu->activeAction() && menu->activeAction()->menu();
            const int count = static_cast<int>(titles_.size());
            if (key->key() == Qt::Key_Right && !inSubmenu) {
                SwitchTo((openIndex_ + 1) % count);
                return true;
            }
            if (key->key() == Qt::Key_Left && !inSubmenu) {
                SwitchTo((openIndex_ + count - 1) % count);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
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
    for (HeaderMenuTitle* title : titles_)
        title->UpdateText();
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
    // F10 opens the menu bar, as it does on every desktop; Alt and a
    // title's underlined letter open that menu (keys the focused control
    // leaves alone arrive here).
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::NoModifier && !titles_.isEmpty()) {
        OpenMenu(0);
        return;
    }
    if (event->modifiers() == Qt::AltModifier) {
        const QKeySequence pressed(QKeyCombination(Qt::AltModifier, Qt::Key(event->key())));
        for (int i = 0; i < titles_.size(); ++i) {
            if (HeaderMenuTitle::Mnemonic(titles_[i]->Menu()->title()) == pressed) {
                OpenMenu(i);
                return;
            }
        }
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
