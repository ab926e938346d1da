#include "store/ManifestLock.h"

#include <QRecursiveMutex>

namespace nbr {
namespace {
QRecursiveMutex& Lock()
{
    static QRecursiveMutex lock;
    return lock;
}
}  // namespace

void ManifestLock::Enter()
{
    Lock().lock();
}

void ManifestLock::Leave()
{
    Lock().unlock();
}

}  // namespace nbr
