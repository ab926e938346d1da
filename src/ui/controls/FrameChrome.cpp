#include "ui/controls/FrameChrome.h"

#include "base/MessageIds.h"
#include "ui/controls/Artwork.h"
#include "ui/controls/CaptionButton.h"
#include "ui/controls/WindowInputGuard.h"
#include "ui/controls/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <QWindow>

namespace nbr {

using frame::ButtonKind;
using frame::HitArea;

FrameChrome::FrameChrome(QWidget* window, Shape shape)
    : QObject(window), window_(window), shape_(std::move(shape)),
      close_(new nbr::CaptionButton(window)), maximize_(new nbr::CaptionButton(window)),
      minimize_(new nbr::CaptionButton(window))
{
    window_->setMouseTracking(true);
    window_->setWindowIcon(Artwork::Icon(Theme::Instance().Bitmaps().appIcon));
    connect(close_, &QAbstractButton::clicked, this, [this] { OnButton(ButtonKind::Close); });
    connect(maximize_, &QAbstractButton::clicked, this, [this] { OnButton(ButtonKind::Maximize); });
    connect(minimize_, &QAbstractButton::clicked, this, [this] { OnButton(ButtonKind::Minimize); });
    // Closing, sizing and minimising stay open to the user while a job runs
    // over the window.
    for (QWidget* button : {static_cast<QWidget*>(close_), static_cast<QWidget*>(maximize_),
                            static_cast<QWidget*>(minimize_)})
        button->setProperty(nbr::WindowInputGuard::kLive, true);
    maximize_->setVisible(shape_.maximizeBox);
    minimize_->setVisible(shape_.minimizeBox);
    Relayout();
    UpdateTexts();
}

HitArea FrameChrome::HitTest(QPoint windowPos) const
{
    return shape_.hitTest(window_->size(), windowPos);
}

nbr::CaptionButton* FrameChrome::Button(ButtonKind which) const
{
    switch (which) {
    case ButtonKind::Close: return close_;
    case ButtonKind::Maximize: return maximize_;
    case ButtonKind::Minimize: return minimize_;
    }
    return nullptr;
}

void FrameChrome::Relayout()
{
    const QSize size = window_->size();
    const ThemeBitmaps& b = Theme::Instance().Bitmaps();
    const bool maximized = window_->isMaximized();
    close_->SetImages(b.close);
    maximize_->SetImages(maximized ? b.restore : b.maximize);
    minimize_->SetImages(b.minimize);
    for (const ButtonKind which : {ButtonKind::Close, ButtonKind::Maximize, ButtonKind::Minimize}) {
        const QRect r = shape_.buttonRect(size, which);
        if (!r.isEmpty())
            Button(which)->setGeometry(r);
    }
    window_->setMask(frame::RoundedRegion(size));
    UpdateTexts();
}

void FrameChrome::UpdateTexts()
{
    const Theme& theme = Theme::Instance();
    const int maximizeText = window_->isMaximized() ? msg::kFrameRestore : msg::kFrameMaximize;
    close_->setAccessibleName(theme.Text(msg::kFrameClose));
    maximize_->setAccessibleName(theme.Text(maximizeText));
    minimize_->setAccessibleName(theme.Text(msg::kFrameMinimize));
    close_->setToolTip(close_->accessibleName());
    maximize_->setToolTip(maximize_->accessibleName());
    minimize_->setToolTip(minimize_->accessibleName());
}

void FrameChrome::Paint(QPainter& painter, const QString& caption) const
{
    const Theme& theme = Theme::Instance();
    const QSize size = window_->size();
    const int b = shape_.border;
    const QRectF whole(QPointF(0, 0), QSizeF(size));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(whole, theme.ColorOr(Theme::kColorWindow, Qt::white));

    // The header: the artwork at its own size, the filler stretched beyond.
    const int headerTop = b;
    const int artWidth = std::min(frame::kHeaderArtSize.width(), std::max(0, size.width() - 2 * b));
    const QRectF art(b, headerTop, artWidth, frame::kHeaderHeight);
    const QRectF filler(b + artWidth, headerTop, std::max(0, size.width() - 2 * b - artWidth), frame::kHeaderHeight);
    if (filler.width() > 0)
        Artwork::Draw(painter, theme.Bitmaps().headerFiller, filler);
    Artwork::Draw(painter, theme.Bitmaps().headerArt, art, QRectF(0, 0, artWidth, frame::kHeaderHeight));

    if (!caption.isEmpty()) {
        painter.setPen(theme.ColorOr(Theme::kColorFrameText, Qt::white));
        // Where the main frame's menu bar starts: clear of the artwork's name.
        const int left = frame::kMenuOrigin.x();
        const QRect text(left, b + 20, std::max(0, size.width() - b - 8 - left), frame::kHeaderHeight - 20);
        // A title too long in bold (longer languages, a narrow dialog) keeps
        // its words in the regular weight before it is shortened.
        painter.setFont(theme.Font(Theme::kFontBold));
        if (painter.fontMetrics().horizontalAdvance(caption) > text.width())
            painter.setFont(theme.Font(Theme::kFontNormal));
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         painter.fontMetrics().elidedText(caption, Qt::ElideRight, text.width()));
    }

    // The border: a band of the frame colour, then three rounded outlines
    // from the inside out, the outermost darkest.
    const QColor border = theme.ColorOr(Theme::kColorBorder, QColor(38, 61, 150));
    QPainterPath band;
    band.setFillRule(Qt::OddEvenFill);
    band.addRect(whole);
    band.addRect(QRectF(b, b, size.width() - 2 * b, size.height() - 2 * b));
    painter.fillPath(band, border);
    const int outlines[3] = {Theme::kColorOutline1, Theme::kColorOutline2, Theme::kColorOutline3};
    for (int i = 0; i < 3; ++i) {
        const qreal inset = 2 - i + 0.5;
        QColor c = theme.ColorOr(outlines[i], Qt::black);
        if (i == 0)
            c.setAlpha(110);  // a soft highlight, not a second edge
        painter.setPen(QPen(c, 1));
        painter.setBrush(Qt::NoBrush);
        const qreal radius = frame::kCornerSize / 2.0;
        painter.drawRoundedRect(whole.adjusted(inset, inset, -inset, -inset), radius, radius);
    }
    painter.restore();
}

void FrameChrome::OnButton(ButtonKind which)
{
    switch (which) {
    case ButtonKind::Close:
        // Posted, as a close request from the window system would be: the
        // window may still refuse it.
        QMetaObject::invokeMethod(window_, &QWidget::close, Qt::QueuedConnection);
        break;
    case ButtonKind::Maximize: ToggleMaximized(); break;
    case ButtonKind::Minimize: window_->showMinimized(); break;
    }
}

void FrameChrome::ToggleMaximized()
{
    if (window_->isMaximized())
        window_->showNormal();
    else
        window_->showMaximized();
}

bool FrameChrome::MousePress(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    const HitArea area = HitTest(event->position().toPoint());
    const Qt::Edges edges = frame::EdgesOf(area);
    QWindow* handle = window_->windowHandle();
    if (area == HitArea::Caption && !window_->isMaximized()) {
        if (!handle || !handle->startSystemMove()) {
            drag_ = Drag::Move;
            dragStart_ = event->globalPosition().toPoint();
            startGeometry_ = window_->geometry();
        }
        return true;
    }
    if (edges && shape_.resizable && !window_->isMaximized()) {
        if (!handle || !handle->startSystemResize(edges)) {
            drag_ = Drag::Resize;
            dragEdges_ = edges;
            dragStart_ = event->globalPosition().toPoint();
            startGeometry_ = window_->geometry();
        }
        return true;
    }
    return area != HitArea::Client && area != HitArea::Nowhere;
}

bool FrameChrome::MouseMove(QMouseEvent* event)
{
    if (drag_ == Drag::None) {
        const HitArea area = HitTest(event->position().toPoint());
        const bool sizing = shape_.resizable && !window_->isMaximized();
        window_->setCursor(sizing ? frame::CursorOf(area) : Qt::ArrowCursor);
        return false;
    }
    const QPoint delta = event->globalPosition().toPoint() - dragStart_;
    if (drag_ == Drag::Move) {
        window_->move(startGeometry_.topLeft() + delta);
    } else {
        const QSize minimum = window_->minimumSizeHint().expandedTo(window_->minimumSize())
                                  .expandedTo(QSize(2 * shape_.border + 100, 2 * shape_.border + frame::kHeaderHeight));
        window_->setGeometry(frame::ResizedGeometry(startGeometry_, dragEdges_, delta, minimum));
    }
    return true;
}

bool FrameChrome::MouseRelease(QMouseEvent* event)
{
    if (drag_ == Drag::None || event->button() != Qt::LeftButton)
        return false;
    drag_ = Drag::None;
    return true;
}

bool FrameChrome::MouseDoubleClick(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !shape_.maximizeBox)
        return false;
    if (HitTest(event->position().toPoint()) != HitArea::Caption)
        return false;
    ToggleMaximized();
    return true;
}

}  // namespace nbr
