#include "platform/WinPath.h"

#include <QDir>

#include <windows.h>

namespace nbr {

std::wstring WinPath::Of(const QString& path)
{
    QString native = QDir::toNativeSeparators(path);
    while (native.size() > 3 && native.endsWith(QLatin1Char('\\')))
        native.chop(1);
    // Past the classic limit the calls take a path only in its literal
    // form, which the system no longer cleans: "." and ".." resolved here.
    if (native.size() >= kLongFrom && !native.startsWith(QLatin1String("\\\\?\\"))) {
        const QString clean = QDir::toNativeSeparators(QDir::cleanPath(QDir::fromNativeSeparators(native)));
        if (clean.size() > 2 && clean.at(1) == QLatin1Char(':') && clean.at(2) == QLatin1Char('\\'))
            native = QStringLiteral("\\\\?\\") + clean;
        else if (clean.startsWith(QLatin1String("\\\\")))
            native = QStringLiteral("\\\\?\\UNC\\") + clean.mid(2);
    }
    return native.toStdWString();
}

QString WinPath::FromWide(const wchar_t* text)
{
    return QDir::fromNativeSeparators(QString::fromWCharArray(text));
}

Status WinPath::LastStatus()
{
    const DWORD error = ::GetLastError();
    return StatusFromWin32(error == 0 ? win32::kGenFailure : error);
}

Status WinPath::RefusedChange()
{
    return StatusFromWin32(win32::kDiskFull);
}

}  // namespace nbr
