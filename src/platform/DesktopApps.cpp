#include "platform/DesktopApps.h"

#include "platform/Processes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>

namespace nbr {
namespace {

QString Env(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QStringList ConfigDirs()
{
    QStringList dirs {Env("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"))};
    dirs += Env("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return dirs;
}

QStringList DataDirs()
{
    QStringList dirs {Env("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"))};
    dirs += Env("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return dirs;
}

// The value of `key` in `group` of a desktop-style ini file.
QString IniValue(const QString& path, const QString& group, const QString& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    bool inGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1Char('[') + group + QLatin1Char(']');
        } else if (inGroup) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq > 0 && line.left(eq).trimmed() == key)
                return line.mid(eq + 1).trimmed();
        }
    }
    return {};
}

// The first entry of a "a.desktop;b.desktop;" list that exists.
QString FirstInstalled(const QString& list)
{
    for (const QString& id : list.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!DesktopApps::DesktopEntryPath(id.trimmed()).isEmpty())
            return id.trimmed();
    }
    return {};
}

}  // namespace

QString DesktopApps::DesktopEntryPath(const QString& id)
{
    if (id.isEmpty() || id.contains(QLatin1Char('/')))
        return {};
    for (const QString& dir : DataDirs()) {
        const QString path = dir + QStringLiteral("/applications/") + id;
        if (QFileInfo::exists(path))
            return path;
        // "vendor-app.desktop" may live as vendor/app.desktop.
        const QString nested = dir + QStringLiteral("/applications/") + QString(id).replace(QLatin1Char('-'), QLatin1Char('/'));
        if (QFileInfo::exists(nested))
            return nested;
    }
    return {};
}

QString DesktopApps::DefaultApplication(const QString& mimeType)
{
    QStringList lists;
    for (const QString& dir : ConfigDirs())
        lists << dir + QStringLiteral("/mimeapps.list");
    for (const QString& dir : DataDirs())
        lists << dir + QStringLiteral("/applications/mimeapps.list");
    for (const QString& list : lists) {
        const QString id = FirstInstalled(IniValue(list, QStringLiteral("Default Applications"), mimeType));
        if (!id.isEmpty())
            return id;
    }
    for (const QString& list : lists) {
        const QString id = FirstInstalled(IniValue(list, QStringLiteral("Added Associations"), mimeType));
        if (!id.isEmpty())
            return id;
    }
    for (const QString& dir : DataDirs()) {
        const QString id = FirstInstalled(
            IniValue(dir + QStringLiteral("/applications/mimeinfo.cache"), QStringLiteral("MIME Cache"), mimeType));
        if (!id.isEmpty())
            return id;
    }
    return {};
}

QStringList DesktopApps::ExpandExec(const QString& exec, const QString& file)
{
    // Split at blanks outside double quotes; inside them a backslash escapes.
    QStringList words;
    QString word;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted && c == u'\\' && i + 1 < exec.size()) {
            word += exec.at(++i);
        } else if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && c.isSpace()) {
            if (any || !word.isEmpty())
                words << word;
            word.clear();
            any = false;
        } else {
            word += c;
        }
    }
    if (any || !word.isEmpty())
        words << word;

    QStringList out;
    bool placed = false;
    for (const QString& w : words) {
        if (w == QLatin1String("%f") || w == QLatin1String("%F") || w == QLatin1String("%u") || w == QLatin1String("%U")) {
            out << file;
            placed = true;
        } else if (w == QLatin1String("%i") || w == QLatin1String("%c") || w == QLatin1String("%k")) {
            continue;
        } else {
            QString expanded = w;
            expanded.replace(QLatin1String("%%"), QLatin1String("\x01"));
            for (const char* code : {"%f", "%F", "%u", "%U"}) {
                if (expanded.contains(QLatin1String(code))) {
                    expanded.replace(QLatin1String(code), file);
                    placed = true;
                }
            }
            static const QRegularExpression deprecated(QStringLiteral("%[dDnNvmick]"));
            expanded.remove(deprecated);
            expanded.replace(QLatin1String("\x01"), QLatin1String("%"));
            out << expanded;
        }
    }
    if (!placed && !out.isEmpty())
        out << file;
    return out;
}

QStringList DesktopApps::CommandFor(const QString& file)
{
    QMimeDatabase db;
    QMimeType type = db.mimeTypeForFile(file);
    QStringList candidates {type.name()};
    candidates += type.allAncestors();
    for (const QString& mime : candidates) {
        const QString id = DefaultApplication(mime);
        if (id.isEmpty())
            continue;
        const QString exec = IniValue(DesktopEntryPath(id), QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
        const QStringList command = ExpandExec(exec, file);
        if (!command.isEmpty())
            return command;
    }
    return {};
}

QStringList DesktopApps::CommandWith(const QString& id, const QString& file)
{
    const QString path = DesktopEntryPath(id);
    if (path.isEmpty())
        return {};
    return ExpandExec(IniValue(path, QStringLiteral("Desktop Entry"), QStringLiteral("Exec")), file);
}

QList<DesktopProgram> DesktopApps::ProgramsFor(const QString& file)
{
    QMimeDatabase db;
    const QMimeType type = db.mimeTypeForFile(file);
    QStringList types {type.name()};
    types += type.allAncestors();
    QString preferred;
    for (const QString& mime : std::as_const(types)) {
        preferred = DefaultApplication(mime);
        if (!preferred.isEmpty())
            break;
    }
    QList<DesktopProgram> programs;
    QStringList seen;
    // The first data folder that holds an id wins, as the desktop's own
    // look-up does.
    for (const QString& dir : DataDirs()) {
        const QDir applications(dir + QStringLiteral("/applications"));
        for (const QString& name : applications.entryList({QStringLiteral("*.desktop")}, QDir::Files)) {
            if (seen.contains(name))
                continue;
            seen << name;
            const QString path = applications.filePath(name);
            const QString group = QStringLiteral("Desktop Entry");
            if (IniValue(path, group, QStringLiteral("NoDisplay")) == QLatin1String("true")
                || IniValue(path, group, QStringLiteral("Hidden")) == QLatin1String("true")
                || IniValue(path, group, QStringLiteral("Exec")).isEmpty())
                continue;
            const QStringList handled =
                IniValue(path, group, QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
            const bool opens = std::any_of(types.cbegin(), types.cend(),
                                           [&handled](const QString& mime) { return handled.contains(mime); });
            if (opens || name == preferred)
            if (opens || name == preferred) {
                const QString shown = IniValue(path, group, QStringLiteral("Name"));
                programs.append({name, shown.isEmpty() ? name : shown});
            }
        }
    }
    std::sort(programs.begin(), programs.end(), [&preferred](const DesktopProgram& a, const DesktopProgram& b) {
        if ((a.id == preferred) != (b.id == preferred))
            return a.id == preferred;
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
    return programs;
}

QStringList DesktopApps::LastResortCommand(const QString& file)
{
    if (Processes::ResolveProgram(QStringLiteral("xdg-open")).isEmpty())
        return {};
    return {QStringLiteral("xdg-open"), file};
}

}  // namespace nbr
