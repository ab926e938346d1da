#include "platform/SingleInstance.h"

#include <QDir>
#include <QLockFile>

#include <windows.h>

// The session's named mutex. The system frees it when its owner ends, so a
// copy that was killed leaves nothing stale behind. `folder` names a lock
// file instead, for tests that need a place of their own.
namespace nbr {

SingleInstance::SingleInstance(const QString& folder)
{
    if (!folder.isEmpty()) {
        path_ = QDir(folder).filePath(QString::fromLatin1(kName));
        lock_ = std::make_unique<QLockFile>(path_);
        lock_->setStaleLockTime(0);
        return;
    }
    path_ = QString::fromLatin1(kName);
}

SingleInstance::~SingleInstance()
{
    if (lock_ && held_)
        lock_->unlock();
    if (mutex_)
        ::CloseHandle(mutex_);
}

bool SingleInstance::TryAcquire()
{
    if (held_)
        return true;
    if (lock_) {
        held_ = lock_->tryLock(0);
        return held_;
    }
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, reinterpret_cast<const wchar_t*>(path_.utf16()));
    if (mutex == nullptr)
        return false;
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return false;
    }
    mutex_ = mutex;
    held_ = true;
    return true;
}

}  // namespace nbr
