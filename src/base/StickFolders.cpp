#include "base/StickFolders.h"

#include "platform/ConfinedPath.h"
#include "platform/NativePath.h"

namespace nbr {

QString StickFolders::Store(const QString& volumeRoot)
{
    return NativePath::Join(volumeRoot, QStringLiteral("Encrypted Data"));
}

QString StickFolders::Launch(const QString& volumeRoot)
{
    return NativePath::Join(volumeRoot, QStringLiteral("LaunchBin"));
}

void StickFolders::Confine(const QString& volumeRoot)
{
    ConfinedPath::Confine(Store(volumeRoot));
    ConfinedPath::Confine(Launch(volumeRoot));
}

}  // namespace nbr
