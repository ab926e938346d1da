#include "base/MainThreadAnswerer.h"

#include <QCoreApplication>
#include <QThread>

namespace nbr {

MainThreadAnswerer::MainThreadAnswerer(ShowBox show)
    : show_(std::move(show)), mainThread_(QThread::currentThread()), context_(std::make_unique<QObject>())
{
    // Direct connections: both signals come on the ending thread itself or
    // on a thread that has no loop left to run a queued call.
    if (QCoreApplication* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, context_.get(), [this] { Release(); },
                         Qt::DirectConnection);
    QObject::connect(QThread::currentThread(), &QThread::finished, context_.get(), [this] { Release(); },
                     Qt::DirectConnection);
}

MainThreadAnswerer::~MainThreadAnswerer()
{
    Release();
    // Workers still inside Answer hold no reference to this object once they
    // have been woken, but they must leave the wait before the mutex goes.
    QMutexLocker lock(&mutex_);
    while (waiting_ > 0)
        answered_.wait(&mutex_, 10);
    lock.unlock();
    // Drops the queued deliveries that never ran.
    context_.reset();
}

std::uint32_t MainThreadAnswerer::Answer(const MessageBoxRequest& request)
{
    if (QThread::currentThread() == mainThread_) {
        {
            QMutexLocker lock(&mutex_);
            if (released_)
                return 0;
        }
        return show_ ? show_(request) : 0;
    }
    auto pending = std::make_shared<Pending>();
    pending->request = request;
    QMutexLocker lock(&mutex_);
    if (released_ || workersReleased_)
        return 0;
    // Posted under the lock: Release, which runs before the context goes,
    // cannot slip in between the check and the post.
    const bool posted = QMetaObject::invokeMethod(context_.get(), [this, pending] { Deliver(pending); },
                                                  Qt::QueuedConnection);
    if (!posted)
        return 0;
    ++waiting_;
    while (!pending->done && !released_ && !workersReleased_)
        answered_.wait(&mutex_);
    --waiting_;
    answered_.wakeAll();
    return pending->done ? pending->answer : 0;
}

void MainThreadAnswerer::Deliver(const std::shared_ptr<Pending>& pending)
{
    {
        QMutexLocker lock(&mutex_);
        if (released_ || workersReleased_ || pending->done)
            return;
    }
    // The box runs its own event loop; other workers' questions queue behind it.
    const std::uint32_t answer = show_ ? show_(pending->request) : 0;
    QMutexLocker lock(&mutex_);
    pending->answer = answer;
    pending->done = true;
    answered_.wakeAll();
}

void MainThreadAnswerer::Release()
{
    QMutexLocker lock(&mutex_);
    released_ = true;
    answered_.wakeAll();
}

void MainThreadAnswerer::ReleaseWorkers()
{
    QMutexLocker lock(&mutex_);
    workersReleased_ = true;
    answered_.wakeAll();
}

int MainThreadAnswerer::Waiting() const
{
    QMutexLocker lock(&mutex_);
    return waiting_;
}

}  // namespace nbr
