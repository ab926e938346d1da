#include "platform/ConfinedPath.h"

#include "platform/NativePath.h"

#include <QDir>
#include <QReadWriteLock>
#include <QStringList>

// Which folders are confined, the same on every system; the walks through
// them are each system's own (ConfinedPath.cpp, ConfinedPath_win.cpp).
namespace nbr {
namespace {

#ifdef _WIN32
constexpr Qt::CaseSensitivity kNames = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kNames = Qt::CaseSensitive;
#endif

QReadWriteLock g_lock;
QStringList g_folders;  // cleaned absolute paths, forward slashes

}  // namespace

QString ConfinedPath::Clean(const QString& path)
{
    if (path.isEmpty())
        return {};
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
}

QString ConfinedPath::FolderOf(const QString& clean)
{
    QReadLocker lock(&g_lock);
    QString best;
    for (const QString& folder : g_folders) {
        const bool inside = clean.compare(folder, kNames) == 0
                            || (clean.startsWith(folder, kNames) && clean.size() > folder.size()
                                && (folder.endsWith(NativePath::kSeparator) || clean.at(folder.size()) == NativePath::kSeparator));
        if (inside && folder.size() > best.size())
            best = folder;
    }
    return best;
}

void ConfinedPath::Confine(const QString& folder)
{
    const QString clean = Clean(folder);
    // A root ("/", "C:/") is never confined: everything would be.
    if (clean.isEmpty() || (clean.size() <= 3 && clean.endsWith(NativePath::kSeparator)))
        return;
    QWriteLocker lock(&g_lock);
    if (!g_folders.contains(clean, kNames))
        g_folders.append(clean);
}

bool ConfinedPath::IsConfined(const QString& path)
{
    return !FolderOf(Clean(path)).isEmpty();
}

Status ConfinedPath::WalkStatus(const QString& path) const
{
    return error_ == 0 ? S_OK : Failure(error_, path);
}

}  // namespace nbr
