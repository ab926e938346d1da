#pragma once
// Keeps the user's hands off a window while a job runs over it, without the
// modality that would also swallow the window's close request: clicks, keys,
// wheel, drops, context menus and shortcuts meant for the window's controls
// are dropped, while the window's own chrome (moving, sizing) and the
// controls marked kLive (its close and minimise buttons) still work. Another
// window's events, the job's progress window and its questions included,
// pass untouched. Guards nest; each lasts as long as it exists.

#include <QObject>
#include <QPointer>

class QWidget;

namespace nbr {

class WindowInputGuard final : public QObject {
public:
    // The property that keeps a control (and what it holds) usable.
    static constexpr const char* kLive = "nbrLiveWhileBusy";

    explicit WindowInputGuard(QWidget* window);
    ~WindowInputGuard() override;
    WindowInputGuard(const WindowInputGuard&) = delete;
    WindowInputGuard& operator=(const WindowInputGuard&) = delete;

    // Whether an event of this type for `receiver` would be dropped.
    [[nodiscard]] bool Drops(QObject* receiver, int eventType) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
};

}  // namespace nbr
