#include "base/StallWatch.h"

#include "platform/Processes.h"

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
    if (gap <= limitMs_ + kTickMs)
        return;
    ++stalls_;
    if (gap > longest_)
        longest_ = gap;
    std::fprintf(stderr, "nimbra: the GUI thread stalled for %lld ms (%lld ms of it on the processor), %lld ms after the start\n",
                 static_cast<long long>(gap - kTickMs), static_cast<long long>(used),
                 static_cast<long long>(sinceStart_.elapsed()));
    std::fflush(stderr);
}

}  // namespace nbr
