#include "platform/DocumentOpener.h"

#include "platform/DesktopApps.h"
#include "platform/Processes.h"

#include <QStringList>

namespace nbr {

namespace {

DocumentOpener::Result Run(const QStringList& command)
{
    if (command.isEmpty())
        return DocumentOpener::Result::NoProgram;
    qint64 pid = 0;
    if (!Processes::Start(command, &pid))
        return DocumentOpener::Result::Failed;
    // The viewer lives on after this program: the system collects it once
    // this program has ended.
    (void)Processes::Release(pid);
    return DocumentOpener::Result::Opened;
}

}  // namespace

DocumentOpener::Result DocumentOpener::Open(const QString& target)
{
    return Run(DesktopApps::CommandFor(target));
}

DocumentOpener::Result DocumentOpener::OpenWith(const QString& programId, const QString& target)
{
    return Run(DesktopApps::CommandWith(programId, target));
}

}  // namespace nbr
