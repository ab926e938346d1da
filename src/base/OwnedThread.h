#pragma once
// The one owner of a worker thread: letting go of it waits for the thread to
// end before deleting it, so a thread is never destroyed while it runs,
// whichever way its owner's scope is left.

#include <QThread>

#include <memory>

namespace nbr {

struct ThreadJoiner {
    void operator()(QThread* thread) const
    {
        if (!thread)
            return;
        thread->wait();
        delete thread;
    }
};
using OwnedThread = std::unique_ptr<QThread, ThreadJoiner>;

}  // namespace nbr
