#include "platform/DocumentOpener.h"

#include "platform/DesktopApps.h"
#include "platform/Processes.h"

#include <QStringList>

namespace nbr {

DocumentOpener::Result DocumentOpener::Open(const QString& target)
{
    const QStringList command = DesktopApps::CommandFor(target);
    if (command.isEmpty())
        return Result::NoProgram;
    qint64 pid = 0;
    if (!Processes::Start(command, &pid))
        return Result::Failed;
    // The viewer lives on after this program: the system collects it once
    // this program has ended.
    (void)Processes::Release(pid);
    return Result::Opened;
}

}  // namespace nbr
