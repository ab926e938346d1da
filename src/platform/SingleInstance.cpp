#include "platform/SingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace nbr {

SingleInstance::SingleInstance(const QString& folder)
{
    QString where = folder;
    if (where.isEmpty())
        where = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (where.isEmpty())
        where = QDir::tempPath();
    path_ = QDir(where).filePath(QString::fromLatin1(kName));
    lock_ = std::make_unique<QLockFile>(path_);
    // A held lock never goes stale by age: only a dead owner frees it.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (held_)
        lock_->unlock();
}

bool SingleInstance::TryAcquire()
{
    if (!held_)
        held_ = lock_->tryLock(0);
    return held_;
}

}  // namespace nbr
