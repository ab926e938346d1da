#pragma once
// Reports every time the GUI thread went longer than a limit without
// returning to its event loop (a nested modal loop counts as a return): a
// timer ticks often, and a tick that comes late by more than the limit is a
// stall, written to standard error with its length and the part of it the
// thread spent on the processor (the rest it waited: on the disk, a lock,
// or a busy machine). Off unless asked for
// with NIMBRA_STALL_WATCH=MS, so the end-to-end runs can assert that no
// window ever froze.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

class QTimer;

namespace nbr {

class StallWatch final : public QObject {
public:
    static constexpr const char* kEnvironment = "NIMBRA_STALL_WATCH";
    static constexpr int kTickMs = 10;

    // Watches the calling thread's loop, reporting gaps over `limitMs`.
    StallWatch(int limitMs, QObject* parent = nullptr);
    // A watch as the environment asks for; none when it does not.
    [[nodiscard]] static StallWatch* FromEnvironment(QObject* parent);

    [[nodiscard]] int Stalls() const { return stalls_; }
    [[nodiscard]] qint64 Longest() const { return longest_; }
    // Called by the timer; public for the tests.
    void Tick();

protected:
    // Notes which event each delivery began with: the longest stretch from
    // one delivery to the next names the likely cause of a stall.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int limitMs_;
    QTimer* timer_;
    QElapsedTimer sinceTick_;
    QElapsedTimer sinceStart_;
    qint64 cpuAtTick_ = 0;
    // The delivery under way and the longest one since the last tick.
    qint64 deliveryStart_ = -1;
    QByteArray deliveryWhat_;
    qint64 slowestDelivery_ = 0;
    QByteArray slowestWhat_;
    int stalls_ = 0;
    qint64 longest_ = 0;
};

}  // namespace nbr
