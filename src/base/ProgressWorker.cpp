#include "base/ProgressWorker.h"

#include "base/IProgress.h"

#include <QSemaphore>

#include <memory>

namespace nbr {
namespace {
constexpr unsigned long kTickMs = 100;
constexpr unsigned long kFillTickMs = 50;
constexpr int kFillTicks = 10;
}  // namespace

OwnedThread ProgressWorker::Start(Work work, IProgress* sink)
{
    if (!sink || busy_.exchange(true))
        return nullptr;
    QSemaphore started;
    OwnedThread driver(QThread::create([this, work = std::move(work), sink, &started]() mutable {
        sink->SetOwnerThread(QThread::currentThreadId());
        exitCode_ = -1;
        OwnedThread job(QThread::create([this, work = std::move(work)] { exitCode_ = work(); }));
        job->start();
        // From here on `started` belongs to the caller again.
        started.release();
        Drive(job.get(), sink);
    }));
    driver->start();
    started.acquire();
    busy_ = false;
    return driver;
}

void ProgressWorker::Drive(QThread* job, IProgress* sink)
{
    sink->Begin(steps_);
    double remaining = steps_;
    double accumulated = 0;
    // About one step per tick at first, slower as the bar fills: it never
    // reaches the end while the job runs.
    while (!job->isFinished()) {
        accumulated += remaining / steps_;
        if (accumulated >= 1) {
            sink->Step(1);
            remaining = remaining >= 1 ? remaining - 1 : 0;
            accumulated -= 1;
        }
        job->wait(kTickMs);
    }
    job->wait();
    // Fill the rest in ten even moves whose whole parts add up exactly.
    const auto rest = static_cast<std::uint64_t>(remaining);
    for (int i = 0; i < kFillTicks; ++i) {
        const auto move = static_cast<std::uint32_t>(rest * (i + 1) / kFillTicks - rest * i / kFillTicks);
        if (move != 0)
            sink->Step(move);
        QThread::msleep(kFillTickMs);
    }
    sink->End(exitCode_.load() == 0);
}

}  // namespace nbr
