#include "platform/SystemError.h"

#include "platform/NativePath.h"

#include <QFileInfo>

#include <cstring>
#include <locale.h>
#include <sys/stat.h>

namespace nbr {

bool SystemError::ParentMissing(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString parent = NativePath::ParentOf(path);
    if (parent.isEmpty())
        return false;
    struct stat st {};
    return ::stat(NativePath::Encode(parent).constData(), &st) != 0 || !S_ISDIR(st.st_mode);
}

QString SystemError::Message(std::uint32_t error)
{
    if (error == win32::kGenFailure)
        return QStringLiteral("A device attached to the system is not functioning");
    const int err = ErrnoFromWin32(error);
    if (err == 0)
        return {};
    // The process's locale follows the environment, not the language chosen
    // in the program: the "C" locale gives the untranslated text. Created
    // once, never freed, and only read, so any thread may use it.
    static const locale_t untranslated = ::newlocale(LC_ALL_MASK, "C", nullptr);
    if (untranslated == nullptr)
        return {};
    return QString::fromUtf8(::strerror_l(err, untranslated));
}

}  // namespace nbr
