#pragma once
// The answerer of the windowed program: boxes open on the main thread only.
// Asked on the main thread, it shows the box at once; asked by a worker, it
// hands the request to the main thread's event loop and blocks the worker
// until the person has answered. When the main thread is ending, every
// waiting worker is released with 0 and no box opens any more, so a worker
// that asks late neither deadlocks the exit nor shows a box without a window.

#include "base/IMessageBoxAnswerer.h"

#include <QMutex>
#include <QObject>
#include <QThread>
#include <QWaitCondition>

#include <functional>
#include <memory>

namespace nbr {

class MainThreadAnswerer final : public IMessageBoxAnswerer {
public:
    // Shows one box on the main thread and returns the pressed button.
    using ShowBox = std::function<std::uint32_t(const MessageBoxRequest& request)>;

    // Created on the main thread: that thread shows every box. The answerer
    // releases its workers when the application is about to quit, when that
    // thread finishes, and at the latest when it is destroyed.
    explicit MainThreadAnswerer(ShowBox show);
    ~MainThreadAnswerer() override;
    MainThreadAnswerer(const MainThreadAnswerer&) = delete;
    MainThreadAnswerer& operator=(const MainThreadAnswerer&) = delete;

    [[nodiscard]] std::uint32_t Answer(const MessageBoxRequest& request) override;
    // The main thread is ending: waiting workers get 0, later questions too.
    void Release();
    // The program is being forced to end: every worker waiting on a question
    // gets 0 at once, and so does any later worker question, while the main
    // thread's own boxes still show (the one that tells why it ends).
    void ReleaseWorkers();
    // Workers blocked in Answer now.
    [[nodiscard]] int Waiting() const;

private:
    struct Pending {
        MessageBoxRequest request;
        std::uint32_t answer = 0;
        bool done = false;
    };
    void Deliver(const std::shared_ptr<Pending>& pending);

    ShowBox show_;
    QThread* mainThread_;
    // Lives on the main thread: queued calls to it run there.
    std::unique_ptr<QObject> context_;
    mutable QMutex mutex_;
    QWaitCondition answered_;
    bool released_ = false;
    bool workersReleased_ = false;
    int waiting_ = 0;
};

}  // namespace nbr
