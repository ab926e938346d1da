#include "base/StallWatch.h"

#include "platform/Processes.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace nbr {

StallWatch::StallWatch(int limitMs, QObject* parent) : QObject(parent), limitMs_(limitMs), timer_(new QTimer(this))
{
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &StallWatch::Tick);
    timer_->start(kTickMs);
    sinceTick_.start();
    sinceStart_.start();
    cpuAtTick_ = Processes::ThreadCpuMs();
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

bool StallWatch::eventFilter(QObject* watched, QEvent* event)
{
    // Only the watched thread's deliveries: the filter sees other threads'
    // events too.
    if (watched->thread() != thread())
        return false;
    const qint64 now = sinceStart_.elapsed();
    if (deliveryStart_ >= 0 && now - deliveryStart_ > slowestDelivery_) {
        slowestDelivery_ = now - deliveryStart_;
        slowestWhat_ = deliveryWhat_;
    }
    deliveryStart_ = now;
    deliveryWhat_ = QByteArray(watched->metaObject()->className()) + ' ' + QByteArray::number(event->type());
    return false;
}

StallWatch* StallWatch::FromEnvironment(QObject* parent)
{
    const QByteArray value = qgetenv(kEnvironment);
    bool ok = false;
    const int limit = value.toInt(&ok);
    return ok && limit > 0 ? new StallWatch(limit, parent) : nullptr;
}

void StallWatch::Tick()
{
    const qint64 gap = sinceTick_.restart();
    const qint64 cpu = Processes::ThreadCpuMs();
    const qint64 used = cpu - cpuAtTick_;
    cpuAtTick_ = cpu;
    const QByteArray culprit = slowestWhat_;
    const qint64 culpritMs = slowestDelivery_;
    slowestDelivery_ = 0;
    slowestWhat_.clear();
    if (gap <= limitMs_ + kTickMs)
        return;
    ++stalls_;
    if (gap > longest_)
        longest_ = gap;
    std::fprintf(stderr,
                 "nimbra: the GUI thread stalled for %lld ms (%lld ms of it on the processor), %lld ms after the "
                 "start; longest step: %lld ms from event %s\n",
                 static_cast<long long>(gap - kTickMs), static_cast<long long>(used),
                 static_cast<long long>(sinceStart_.elapsed()), static_cast<long long>(culpritMs),
                 culprit.isEmpty() ? "(none)" : culprit.constData());
    std::fflush(stderr);
}

}  // namespace nbr
