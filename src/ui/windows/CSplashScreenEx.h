#pragma once
// The start-up splash: Nimbra's artwork with one line of status text. It can
// fade in and out, hide itself after a display time, hide on a click or a
// key press, and be hidden, shown and re-created around dialogs. Until
// Create succeeds its calls do nothing visible. GUI thread only.

#include "app/ISplash.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <memory>

class QPropertyAnimation;
class QTimer;
class QWidget;

namespace nbr {

// How long the fades take; tests pass short ones.
struct SplashTimings {
    int fadeInMs = 500;
    int fadeOutMs = 200;
    // Run the fades even where the window system ignores a window's opacity
    // (tests on the offscreen platform).
    bool fadeEverywhere = false;
};

class CSplashScreenEx : public QObject, public ISplash {
    Q_OBJECT
public:
    enum Flag : unsigned {
        kFadeIn = 0x1,
        kFadeOut = 0x2,
        kDropShadow = 0x4,
        kCenterOnScreen = 0x8,
        kCenterOnOwner = 0x10,
        kHideOnInput = 0x20,
    };
    static constexpr int kStartupBitmap = 130;
    // Set on the window: whether the splash is meant to be up (a window that
    // is fading out is still visible, but not wanted).
    static constexpr const char* kWanted = "nbrSplashWanted";
    static constexpr QRect kStartupTextRect {0, 180, 427, 44};

    explicit CSplashScreenEx(SplashTimings timings = {}, QObject* parent = nullptr);
    ~CSplashScreenEx() override;

    // Display time in milliseconds, 0: until hidden. No owner: a window of
    // its own, else a tool window over the owner.
    [[nodiscard]] bool Create(QWidget* owner, const QString& text, int displayTimeMs, unsigned flags);
    // Takes the drawing's size as the window's and the whole drawing as the
    // text rectangle, and places the window as the flags ask.
    [[nodiscard]] bool SetBitmap(int number);
    void SetTextRect(const QRect& rect);
    void SetTextColor(const QColor& color);
    // Qt alignment and text flags; centred, single line by default.
    void SetTextFormat(int flags);

    void Show();
    void Hide();
    // Destroys the window and creates it again for `owner` with the same
    // text, times and place; shown again at once (no fade) if it was shown.
    void ReCreate(QWidget* owner);
    void SetText(const QString& text) override;

    [[nodiscard]] bool IsShown() const { return visible_; }
    [[nodiscard]] bool HasWindow() const;
    [[nodiscard]] QWidget* Window() const;
    [[nodiscard]] const QString& Text() const { return text_; }
    [[nodiscard]] QRect TextRect() const { return textRect_; }
    [[nodiscard]] QPoint Position() const { return position_; }
    [[nodiscard]] QSize Size() const { return size_; }
    [[nodiscard]] unsigned Flags() const { return flags_; }
    [[nodiscard]] bool TimerActive() const;
    // Whether the window system can fade windows (else plain show and hide).
    [[nodiscard]] static bool CanFade();

    // The window's drawing, for the window and for pictures of it.
    void Paint(QWidget* target) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class SplashWindow;

    void MakeWindow();
    void PlaceWindow();
    void StartTimer();
    [[nodiscard]] bool Fades() const;

    SplashTimings timings_;
    QPointer<QWidget> owner_;
    QString text_;
    int displayTimeMs_ = 2000;
    unsigned flags_ = 0;
    int bitmap_ = 0;
    QSize size_;
    QRect textRect_;
    int textFormat_;
    QColor textColor_ {Qt::black};
    QFont font_;
    QPoint position_;
    bool visible_ = false;
    bool filterInstalled_ = false;
    std::unique_ptr<QWidget> window_;
    QTimer* timer_;
    QPointer<QPropertyAnimation> fade_;
};

}  // namespace nbr
