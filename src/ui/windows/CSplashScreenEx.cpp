#include "ui/windows/CSplashScreenEx.h"

#include "ui/controls/Artwork.h"
#include "ui/controls/Theme.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace nbr {

// The window itself: it only paints what the splash object says.
class CSplashScreenEx::SplashWindow final : public QWidget {
public:
    SplashWindow(const CSplashScreenEx* splash, QWidget* owner, Qt::WindowFlags flags)
        : QWidget(owner, flags), splash_(splash)
    {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_NoSystemBackground);
        setWindowTitle(QStringLiteral("Nimbra"));
        setAccessibleName(QStringLiteral("Nimbra"));
        setCursor(Qt::ArrowCursor);
        setWindowIcon(Artwork::Icon(Theme::Instance().Bitmaps().appIcon));
    }

protected:
    void paintEvent(QPaintEvent*) override { splash_->Paint(this); }

private:
    const CSplashScreenEx* splash_;
};

CSplashScreenEx::CSplashScreenEx(SplashTimings timings, QObject* parent)
    : QObject(parent), timings_(timings), textFormat_(Qt::AlignCenter | Qt::TextSingleLine),
      font_(QApplication::font()), timer_(new QTimer(this))
{
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] {
        timer_->stop();
        Hide();
    });
}

CSplashScreenEx::~CSplashScreenEx()
{
    if (filterInstalled_)
        qApp->removeEventFilter(this);
    if (fade_)
        fade_->stop();
}

bool CSplashScreenEx::CanFade()
{
    // Window systems that honour a window's opacity; elsewhere the fades
    // would only delay showing and hiding.
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("xcb") || name == QLatin1String("wayland") || name == QLatin1String("windows")
        || name == QLatin1String("cocoa");
}

bool CSplashScreenEx::Fades() const
{
    return timings_.fadeEverywhere || CanFade();
}

bool CSplashScreenEx::Create(QWidget* owner, const QString& text, int displayTimeMs, unsigned flags)
{
    owner_ = owner;
    text_ = text;
    displayTimeMs_ = std::max(0, displayTimeMs);
    flags_ = flags;
    MakeWindow();
    return window_ != nullptr;
}

void CSplashScreenEx::MakeWindow()
{
    if (fade_)
        fade_->stop();
    // A drop shadow is the window manager's to draw: flag 4 asks nothing of
    // the window itself.
    const Qt::WindowFlags kind = owner_ ? (Qt::Tool | Qt::FramelessWindowHint)
                                        : (Qt::SplashScreen | Qt::FramelessWindowHint);
    window_ = std::make_unique<SplashWindow>(this, owner_.data(), kind);
    window_->setAccessibleDescription(text_);
    if (size_.isValid())
        window_->setGeometry(QRect(position_, size_));
}

bool CSplashScreenEx::SetBitmap(int number)
{
    const QSize size = Artwork::Size(number);
    if (size.isEmpty())
        return false;
    bitmap_ = number;
    size_ = size;
    textRect_ = QRect(QPoint(0, 0), size);
    PlaceWindow();
    return true;
}

void CSplashScreenEx::PlaceWindow()
{
    QRect area;
    if ((flags_ & kCenterOnOwner) && owner_)
        area = owner_->window()->frameGeometry();
    else if (flags_ & kCenterOnScreen) {
        QScreen* screen = owner_ ? owner_->screen() : QGuiApplication::primaryScreen();
        if (screen)
            area = screen->availableGeometry();
    }
    if (area.isValid())
        position_ = QPoint(area.x() + (area.width() - size_.width()) / 2, area.y() + (area.height() - size_.height()) / 2);
    if (window_)
        window_->setGeometry(QRect(position_, size_));
}

void CSplashScreenEx::SetTextRect(const QRect& rect)
{
    textRect_ = rect;
    if (window_)
        window_->repaint();
}

void CSplashScreenEx::SetTextColor(const QColor& color)
{
    textColor_ = color;
    if (window_)
        window_->update();
}

void CSplashScreenEx::SetTextFormat(int flags)
{
    textFormat_ = flags;
    if (window_)
        window_->update();
}

void CSplashScreenEx::SetText(const QString& text)
{
    text_ = text;
    if (window_) {
        window_->setAccessibleDescription(text);
        // At once: start-up may keep the event loop busy right after this.
        if (window_->isVisible())
            window_->repaint();
    }
}

bool CSplashScreenEx::HasWindow() const
{
    return window_ != nullptr;
}

QWidget* CSplashScreenEx::Window() const
{
    return window_.get();
}

bool CSplashScreenEx::TimerActive() const
{
    return timer_->isActive();
}

void CSplashScreenEx::StartTimer()
{
    if (displayTimeMs_ > 0)
        timer_->start(displayTimeMs_);
}

void CSplashScreenEx::Show()
{
    if (!window_ || visible_)
        return;
    if (fade_)
        fade_->stop();
    window_->setGeometry(QRect(position_, size_));
    if ((flags_ & kFadeIn) && Fades() && timings_.fadeInMs > 0) {
        window_->setWindowOpacity(0.0);
        window_->show();
        auto* fade = new QPropertyAnimation(window_.get(), "windowOpacity", this);
        fade->setDuration(timings_.fadeInMs);
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
        fade_ = fade;
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        window_->setWindowOpacity(1.0);
        window_->show();
    }
    StartTimer();
    visible_ = true;
    window_->setProperty(kWanted, true);
    if ((flags_ & kHideOnInput) && !filterInstalled_) {
        qApp->installEventFilter(this);
        filterInstalled_ = true;
    }
}

void CSplashScreenEx::Hide()
{
    if (!window_ || !visible_)
        return;
    visible_ = false;
    window_->setProperty(kWanted, false);
    timer_->stop();
    if (filterInstalled_) {
        qApp->removeEventFilter(this);
        filterInstalled_ = false;
    }
    if (fade_)
        fade_->stop();
    if ((flags_ & kFadeOut) && Fades() && timings_.fadeOutMs > 0 && window_->isVisible()) {
        auto* fade = new QPropertyAnimation(window_.get(), "windowOpacity", this);
        fade->setDuration(timings_.fadeOutMs);
        fade->setStartValue(window_->windowOpacity());
        fade->setEndValue(0.0);
        QWidget* window = window_.get();
        connect(fade, &QPropertyAnimation::finished, window, [this, window] {
            // Shown again while fading out: stay.
            if (!visible_)
                window->hide();
            window->setWindowOpacity(1.0);
        });
        fade_ = fade;
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        window_->hide();
    }
}

void CSplashScreenEx::ReCreate(QWidget* owner)
{
    const bool wasVisible = visible_;
    if (filterInstalled_) {
        qApp->removeEventFilter(this);
        filterInstalled_ = false;
    }
    timer_->stop();
    window_.reset();
    visible_ = false;
    owner_ = owner;
    MakeWindow();
    if (wasVisible) {
        window_->setWindowOpacity(1.0);
        window_->show();
        visible_ = true;
        window_->setProperty(kWanted, true);
        if (flags_ & kHideOnInput) {
            qApp->installEventFilter(this);
            filterInstalled_ = true;
        }
    }
    StartTimer();
}

void CSplashScreenEx::Paint(QWidget* target) const
{
    QPainter painter(target);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    Artwork::Draw(painter, bitmap_, QRectF(QPointF(0, 0), QSizeF(size_)));
    if (!text_.isEmpty()) {
        painter.setFont(font_);
        painter.setPen(textColor_);
        painter.drawText(textRect_, textFormat_, text_);
    }
}

bool CSplashScreenEx::eventFilter(QObject* watched, QEvent* event)
{
    if (!visible_ || !(flags_ & kHideOnInput))
        return QObject::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress) {
        Hide();
    } else if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick
                || type == QEvent::NonClientAreaMouseButtonPress)
               && watched == window_.get()) {
        Hide();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace nbr
