#include "platform/HostFacts.h"

#include "platform/LanguageId.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include <windows.h>

namespace nbr {

HostFacts HostFacts::Current()
{
    HostFacts facts;
    facts.programPath = RunningProgramPath();
    facts.languageId = ::GetUserDefaultUILanguage();
    facts.appDataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return facts;
}

QLocale HostFacts::UiLocale()
{
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (::LCIDToLocaleName(MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) > 0)
        return QLocale(QString::fromWCharArray(name));
    return QLocale::system();
}

QString HostFacts::RunningProgramPath()
{
    // Long enough for any path the system gives a program.
    std::wstring buffer(8192, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size())
        return {};
    return QDir::fromNativeSeparators(QString::fromWCharArray(buffer.data(), static_cast<qsizetype>(n)));
}

QString HostFacts::VolumeRootOf(const QString& path)
{
    // The volume's mount point: the drive ("G:"), or the folder a volume is
    // mounted at.
    const std::wstring full = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdWString();
    wchar_t root[MAX_PATH + 1] = {};
    if (!::GetVolumePathNameW(full.c_str(), root, MAX_PATH + 1))
        return QFileInfo(path).absoluteFilePath().left(2);
    QString result = QDir::fromNativeSeparators(QString::fromWCharArray(root));
    while (result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}

}  // namespace nbr
