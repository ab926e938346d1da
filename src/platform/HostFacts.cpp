#include "platform/HostFacts.h"

#include "platform/LanguageId.h"
#include "platform/NativePath.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QStorageInfo>

#include <climits>
#include <unistd.h>

namespace nbr {

HostFacts HostFacts::Current()
{
    HostFacts facts;
    facts.programPath = RunningProgramPath();
    facts.languageId = LanguageId::FromLocale(UiLocale());
    facts.appDataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return facts;
}

QLocale HostFacts::UiLocale()
{
    // The language of messages, as the C library would choose it.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return QLocale(value.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0));
    }
    return QLocale::system();
}

QString HostFacts::RunningProgramPath()
{
    char buffer[PATH_MAX + 1] = {};
    const ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0)
        return {};
    return NativePath::Decode(QByteArray(buffer, static_cast<qsizetype>(n)));
}

QString HostFacts::VolumeRootOf(const QString& path)
{
    QString probe = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!probe.isEmpty() && !QFileInfo::exists(probe)) {
        const QString parent = NativePath::ParentOf(probe);
        probe = parent.isEmpty() ? QStringLiteral("/") : parent;
        if (probe == QLatin1String("/"))
            break;
    }
    QString root = QStorageInfo(probe).rootPath();
    if (root.isEmpty())
        root = QStringLiteral("/");
    while (root.endsWith(NativePath::kSeparator))
        root.chop(1);
    return root;
}

}  // namespace nbr
