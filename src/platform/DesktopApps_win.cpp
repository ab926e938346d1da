#include "platform/DesktopApps.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>
#include <shlwapi.h>
#include <shellapi.h>

// The shell's association of a file type: the "open" command of its class,
// turned into arguments for one file. Windows has no desktop entries; the
// program "id" is the associated executable.
namespace nbr {
namespace {

QString Assoc(ASSOCSTR what, const QString& file)
{
    const QString extension = QStringLiteral(".") + QFileInfo(file).suffix();
    if (extension.size() < 2)
        return {};
    DWORD size = 0;
    const std::wstring ext = extension.toStdWString();
    if (::AssocQueryStringW(ASSOCF_NOTRUNCATE, what, ext.c_str(), L"open", nullptr, &size) != S_FALSE || size == 0)
        return {};
    std::wstring text(size, L'\0');
    if (FAILED(::AssocQueryStringW(ASSOCF_NOTRUNCATE, what, ext.c_str(), L"open", text.data(), &size)))
        return {};
    return QString::fromWCharArray(text.c_str());
}

// A command line split as programs started by the shell split it.
QStringList Split(const QString& line)
{
    int count = 0;
    wchar_t** parts = ::CommandLineToArgvW(reinterpret_cast<const wchar_t*>(line.utf16()), &count);
    QStringList arguments;
    for (int i = 0; parts && i < count; ++i)
        arguments << QString::fromWCharArray(parts[i]);
    ::LocalFree(parts);
    return arguments;
}

}  // namespace

QList<DesktopProgram> DesktopApps::ProgramsFor(const QString& file)
{
    const QString program = Assoc(ASSOCSTR_EXECUTABLE, file);
    if (program.isEmpty())
        return {};
    QString name = Assoc(ASSOCSTR_FRIENDLYAPPNAME, file);
    return {{program, name.isEmpty() ? QFileInfo(program).completeBaseName() : name}};
}

QStringList DesktopApps::CommandWith(const QString& id, const QString& file)
{
    if (id.isEmpty())
        return {};
    return {id, QDir::toNativeSeparators(file)};
}

QStringList DesktopApps::CommandFor(const QString& file)
{
    const QString line = Assoc(ASSOCSTR_COMMAND, file);
    if (line.isEmpty())
        return {};
    return ExpandExec(line, file);
}

QStringList DesktopApps::LastResortCommand(const QString& file)
{
    return {QStringLiteral("explorer.exe"), QDir::toNativeSeparators(file)};
}

QString DesktopApps::DefaultApplication(const QString& /*mimeType*/)
{
    return {};
}

QStringList DesktopApps::ExpandExec(const QString& exec, const QString& file)
{
    // The shell's placeholders: %1 and %L for the file, %* for the rest.
    const QString native = QDir::toNativeSeparators(file);
    QStringList arguments;
    bool placed = false;
    for (QString part : Split(exec)) {
        if (part == QLatin1String("%*"))
            continue;
        if (part.contains(QLatin1String("%1")) || part.contains(QLatin1String("%L"), Qt::CaseInsensitive)) {
            part.replace(QLatin1String("%1"), native).replace(QLatin1String("%L"), native, Qt::CaseInsensitive);
            placed = true;
        }
        arguments << part;
    }
    if (!placed && !arguments.isEmpty())
        arguments << native;
    return arguments;
}

QString DesktopApps::DesktopEntryPath(const QString& /*id*/)
{
    return {};
}

}  // namespace nbr
