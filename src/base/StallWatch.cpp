#include "base/StallWatch.h"

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
    if (gap <= limitMs_ + kTickMs)
        return;
    ++stalls_;
    if (gap > longest_)
        longest_ = gap;
    std::fprintf(stderr, "nimbra: the GUI thread stalled for %lld ms\n", static_cast<long long>(gap - kTickMs));
    std::fflush(stderr);
}

}  // namespace nbr
