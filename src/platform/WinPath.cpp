#include "platform/WinPath.h"

#include <QDir>

#include <windows.h>

namespace nbr {

std::wstring WinPath::Of(const QString& path)
{
    QString native = QDir::toNativeSeparators(path);
    while (native.size() > 3 && native.endsWith(QLatin1Char('\\')))
        native.chop(1);
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
