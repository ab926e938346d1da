#include "ui/controls/CCustomDialog.h"

#include "app/ScreenFit.h"
#include "ui/controls/FrameChrome.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace nbr {

namespace {

FrameChrome::Shape DialogShape(unsigned style)
{
    FrameChrome::Shape shape;
    shape.border = frame::DialogBorder(style);
    shape.resizable = (style & frame::kResizable) != 0;
    shape.maximizeBox = (style & frame::kMaximizeBox) != 0;
    shape.minimizeBox = (style & frame::kMinimizeBox) != 0;
    shape.hitTest = [style](QSize window, QPoint p) { return frame::DialogHitTest(window, p, style); };
    shape.buttonRect = [style](QSize window, frame::ButtonKind b) {
        return frame::DialogButtonRect(window, style, b);
    };
    return shape;
}

}  // namespace

CCustomDialog::CCustomDialog(QWidget* owner, unsigned style)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), style_(style), client_(new QWidget(this))
{
    const int b = BorderWidth();
    setContentsMargins(b, b + frame::kHeaderHeight, b, b);
    client_->setObjectName(QStringLiteral("client"));
    client_->lower();
    chrome_ = new FrameChrome(this, DialogShape(style));
    if (!(style & frame::kResizable))
        setSizeGripEnabled(false);
}

CCustomDialog::~CCustomDialog() = default;

QRect CCustomDialog::ClientRect() const
{
    return frame::ClientRect(size(), BorderWidth());
}

void CCustomDialog::SetClientSize(const QSize& size)
{
    const int b = BorderWidth();
    resize(size.width() + 2 * b, size.height() + 2 * b + frame::kHeaderHeight);
}

QHBoxLayout* CCustomDialog::ButtonRow(std::initializer_list<QPushButton*> leading,
                                      std::initializer_list<QPushButton*> trailing)
{
    auto* row = new QHBoxLayout;
    const auto add = [row](QPushButton* button) {
        button->setMinimumSize(108, 24);
        row->addWidget(button);
    };
    for (QPushButton* button : leading)
        add(button);
    row->addStretch();
    for (QPushButton* button : trailing)
        add(button);
    return row;
}

void CCustomDialog::CenterOnOwner()
{
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    if (available.isValid() && height() > available.height())
        (void)ShrinkBy(height() - available.height());
    const QRect area = owner && owner->isVisible() ? owner->frameGeometry() : available;
    if (!area.isValid())
        return;
    const QRect centred(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2, width(),
                        height());
    const QRect fitted =
        ScreenFit::Fit(centred, available, (style_ & frame::kResizable) ? minimumSize() : size());
    if (fitted.size() != size())
        resize(fitted.size());
    move(fitted.topLeft());
}

int CCustomDialog::ShrinkBy(int)
{
    return 0;
}

frame::HitArea CCustomDialog::HitTest(const QPoint& windowPos) const
{
    return chrome_->HitTest(windowPos);
}

CaptionButton* CCustomDialog::CaptionButtonOf(frame::ButtonKind which) const
{
    return chrome_->Button(which);
}

void CCustomDialog::UpdateTexts()
{
    chrome_->UpdateTexts();
    update();
}

void CCustomDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    chrome_->Paint(painter, windowTitle());
}

void CCustomDialog::resizeEvent(QResizeEvent* event)
{
    client_->setGeometry(ClientRect());
    chrome_->Relayout();
    QDialog::resizeEvent(event);
}

void CCustomDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange)
        chrome_->Relayout();
    else if (event->type() == QEvent::WindowTitleChange)
        update();
    QDialog::changeEvent(event);
}

void CCustomDialog::showEvent(QShowEvent* event)
{
    chrome_->Relayout();
    QDialog::showEvent(event);
}

void CCustomDialog::mousePressEvent(QMouseEvent* event)
{
    if (!chrome_->MousePress(event))
        QDialog::mousePressEvent(event);
}

void CCustomDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (!chrome_->MouseMove(event))
        QDialog::mouseMoveEvent(event);
}

void CCustomDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (!chrome_->MouseRelease(event))
        QDialog::mouseReleaseEvent(event);
}

void CCustomDialog::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!chrome_->MouseDoubleClick(event))
        QDialog::mouseDoubleClickEvent(event);
}

}  // namespace nbr
