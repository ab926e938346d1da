// The architecture as the sources show it: no Widgets (or other GUI) header
// in the core, no direct call of the operating system outside the platform
// layer (and the udev device source), each folder including only the folders
// its row of the table names, and the README's source tree naming every
// folder. A failure names the file, the line and the rule.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLibraryInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

// Each folder of src and the folders beneath it that it may include (its
// own is always allowed). A folder missing here may include nothing, so a new
// one has to take its place in the table first.
const QMap<QString, QStringList> kMayInclude {
    {QStringLiteral("platform"), {}},
    {QStringLiteral("base"), {QStringLiteral("platform")}},
    {QStringLiteral("devices"), {QStringLiteral("platform"), QStringLiteral("base")}},
    {QStringLiteral("security"), {QStringLiteral("platform"), QStringLiteral("base")}},
    {QStringLiteral("store"),
     {QStringLiteral("platform"), QStringLiteral("base"), QStringLiteral("devices"), QStringLiteral("security")}},
    {QStringLiteral("panes"),
     {QStringLiteral("platform"), QStringLiteral("base"), QStringLiteral("devices"), QStringLiteral("security"),
      QStringLiteral("store")}},
    {QStringLiteral("app"),
     {QStringLiteral("platform"), QStringLiteral("base"), QStringLiteral("devices"), QStringLiteral("security"),
      QStringLiteral("store")}},
    {QStringLiteral("cli"),
     {QStringLiteral("platform"), QStringLiteral("base"), QStringLiteral("devices"), QStringLiteral("security"),
      QStringLiteral("store"), QStringLiteral("panes"), QStringLiteral("app")}},
    {QStringLiteral("ui/controls"),
     {QStringLiteral("platform"), QStringLiteral("base"), QStringLiteral("devices"), QStringLiteral("security"),
      QStringLiteral("store"), QStringLiteral("panes"), QStringLiteral("app")}},
    {QStringLiteral("ui/panes"),
     {QStringLiteral("platform"), QStringLiteral("base"), QStringLiteral("devices"), QStringLiteral("security"),
      QStringLiteral("store"), QStringLiteral("panes"), QStringLiteral("app"), QStringLiteral("ui/controls")}},
    {QStringLiteral("ui/windows"),
     {QStringLiteral("platform"), QStringLiteral("base"), QStringLiteral("devices"), QStringLiteral("security"),
      QStringLiteral("store"), QStringLiteral("panes"), QStringLiteral("app"), QStringLiteral("ui/controls"),
      QStringLiteral("ui/panes")}},
};

// The folders of the core library: Qt Core and Crypto++ only.
const QStringList kCore {QStringLiteral("platform"), QStringLiteral("base"),  QStringLiteral("devices"),
                         QStringLiteral("security"), QStringLiteral("store"), QStringLiteral("panes"),
                         QStringLiteral("app")};

// The files besides the platform layer that call the system: the device
// sources that ask udev and the Windows drive letters, and the starter at
// the top of a Windows stick (which has no Qt to call the system through).
const QStringList kSystemCallers {QStringLiteral("devices/UdevDeviceSource.cpp"),
                                  QStringLiteral("devices/UdevDeviceSource.h"),
                                  QStringLiteral("devices/DriveLetterDeviceSource.cpp"),
                                  QStringLiteral("devices/DriveLetterDeviceSource.h"),
                                  QStringLiteral("ui/windows/StickLauncher_win.cpp")};

// System headers that only the platform layer includes.
const QRegularExpression kSystemHeader(QStringLiteral(
    R"(^(sys|linux|asm|netinet|arpa|bits)/|^(unistd|fcntl|dirent|termios|poll|signal|spawn|dlfcn|pwd|grp|libudev|)"
    R"(mntent|pthread|semaphore|syslog|sched|utime|utmp|pty|windows)\.h$|^csignal$)"));

// Calls of the operating system. Names that are also common words of our
// own code (a lambda called `read`, a file's `open`) count only with the
// global qualifier that a system call takes here; the others count when
// they are not a member's name.
const QRegularExpression kQualifiedCall(QStringLiteral(
    R"((?<![\w:.>])::(open|openat|close|read|write|stat|link|rename|system|select|poll|sleep|dup|kill|pipe|)"
    R"(access|umask|sync|time)\s*\()"));
const QRegularExpression kBareCall(QStringLiteral(
    R"((?<![\w.>:])(?:::)?(fork|vfork|execv|execve|execvp|execl|execlp|waitpid|ioctl|isatty|unlink|unlinkat|)"
    R"(rmdir|mkdir|lstat|fstat|fstatat|ftruncate|fsync|fdatasync|lseek|pread|pwrite|getpid|getppid|getuid|)"
    R"(geteuid|setrlimit|getrlimit|prctl|mmap|munmap|mlock|munlock|readlink|symlink|opendir|readdir|closedir|)"
    R"(sysconf|usleep|nanosleep|popen|posix_spawnp?|realpath|statvfs|flock|fcntl|chmod|fchmod|chown|renameat|)"
    R"(dlopen|dlsym|mkfifo|mknod|setenv|unsetenv|tcgetattr|tcsetattr)\s*\(|std::system\s*\(|)"
    R"(\bSTD(IN|OUT|ERR)_FILENO\b|\bO_(RDONLY|WRONLY|RDWR|CREAT|EXCL|NOFOLLOW|CLOEXEC)\b)"));

const QRegularExpression kInclude(QStringLiteral(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])"));

struct Include {
    int line = 0;
    bool angle = false;
    QString name;
};

// The code with comments gone and string and character literals emptied,
// line breaks kept so that positions still name their lines.
QString CodeOnly(const QString& text)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < n ? text.at(i + 1) : QChar();
        if (c == u'/' && next == u'/') {
            while (i < n && text.at(i) != u'\n')
                ++i;
            out += u'\n';
        } else if (c == u'/' && next == u'*') {
            i += 2;
            while (i < n && !(text.at(i) == u'*' && i + 1 < n && text.at(i + 1) == u'/')) {
                if (text.at(i) == u'\n')
                    out += u'\n';
                ++i;
            }
            ++i;
            out += u' ';
        } else if (c == u'"' && i > 0 && text.at(i - 1) == u'R'
                   && (i < 2 || !(text.at(i - 2).isLetterOrNumber() || text.at(i - 2) == u'_'))) {
            const qsizetype open = text.indexOf(u'(', i);
            const QString end = u')' + text.mid(i + 1, open - i - 1) + u'"';
            const qsizetype close = open < 0 ? -1 : text.indexOf(end, open);
            const qsizetype stop = close < 0 ? n : close + end.size();
            out += QStringLiteral("\"\"");
            out += QString(text.mid(i, stop - i).count(u'\n'), u'\n');
            i = stop - 1;
        } else if (c == u'"' || (c == u'\'' && !(i > 0 && text.at(i - 1).isDigit()))) {
            // A quote after a digit separates the digits of a number.
            out += c;
            ++i;
            while (i < n && text.at(i) != c && text.at(i) != u'\n') {
                if (text.at(i) == u'\\')
                    ++i;
                ++i;
            }
            out += c;
        } else {
            out += c;
        }
    }
    return out;
}

int LineAt(const QString& text, qsizetype position)
{
    return static_cast<int>(text.left(position).count(u'\n')) + 1;
}

QList<Include> IncludesOf(const QString& text)
{
    QList<Include> includes;
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch m = kInclude.match(lines.at(i));
        if (m.hasMatch())
            includes.append({i + 1, m.captured(1) == QLatin1String("<"), m.captured(2)});
    }
    return includes;
}

// The system calls that `text` makes, as "line: call".
QStringList SystemCallsIn(const QString& text)
{
    const QString code = CodeOnly(text);
    QStringList found;
    for (const QRegularExpression* pattern : {&kQualifiedCall, &kBareCall}) {
        QRegularExpressionMatchIterator it = pattern->globalMatch(code);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            found << QStringLiteral("%1: %2").arg(LineAt(code, m.capturedStart())).arg(m.captured().trimmed());
        }
    }
    return found;
}

// The header names of the GUI modules, as this machine's Qt installs them,
// and the ones every installation has.
QSet<QString> GuiHeaders()
{
    QSet<QString> names {QStringLiteral("QWidget"),    QStringLiteral("QApplication"), QStringLiteral("QDialog"),
                         QStringLiteral("QMainWindow"), QStringLiteral("QLabel"),       QStringLiteral("QPushButton"),
                         QStringLiteral("QMessageBox"), QStringLiteral("QPainter"),     QStringLiteral("QPixmap"),
                         QStringLiteral("QImage"),      QStringLiteral("QGuiApplication"), QStringLiteral("QIcon"),
                         QStringLiteral("QFont"),       QStringLiteral("QColor"),       QStringLiteral("QWindow")};
    const QString headers = QLibraryInfo::path(QLibraryInfo::HeadersPath);
    for (const QString& module : {QStringLiteral("QtWidgets"), QStringLiteral("QtGui"), QStringLiteral("QtSvg"),
                                 QStringLiteral("QtSvgWidgets")}) {
        const QStringList files = QDir(headers + u'/' + module).entryList(QDir::Files);
        for (const QString& file : files)
            names.insert(file);
    }
    return names;
}

bool IsGuiHeader(const QString& name, const QSet<QString>& guiHeaders)
{
    static const QRegularExpression module(QStringLiteral(R"(^Qt(Widgets|Gui|Svg|SvgWidgets)/)"));
    if (module.match(name).hasMatch())
        return true;
    return guiHeaders.contains(name);
}

// The folder of a path relative to src: "store", or "ui/panes" below ui.
QString FolderOf(const QString& relativePath)
{
    const QString first = relativePath.section(u'/', 0, 0);
    if (first == QLatin1String("ui") && relativePath.count(u'/') >= 2)
        return relativePath.section(u'/', 0, 1);
    return first;
}

// Whether a file at `from` may include the header at `to` (both relative to src).
bool MayInclude(const QString& from, const QString& to)
{
    if (!to.contains(u'/'))
        return true;  // a generated header or one beside the file
    const QString source = FolderOf(from);
    const QString target = FolderOf(to);
    return source == target || kMayInclude.value(source).contains(target);
}

// Every include of `files` (path relative to src -> text) that its folder's
// row does not allow, as "file:line: "header"".
QStringList UpwardIncludes(const QMap<QString, QString>& files)
{
    QStringList found;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        for (const Include& include : IncludesOf(it.value())) {
            if (!include.angle && !MayInclude(it.key(), include.name))
                found << QStringLiteral("%1:%2: \"%3\"").arg(it.key()).arg(include.line).arg(include.name);
        }
    }
    return found;
}

}  // namespace

class TestLayering : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void scannerRules();
    void coreHasNoGuiHeaders();
    void onlyThePlatformCallsTheSystem();
    void foldersIncludeOnlyWhatIsBeneathThem();
    void plantedUpwardIncludeIsFound();
    void everyFolderHasItsRowAndReadmeLine();

private:
    QMap<QString, QString> files_;  // path relative to src -> text
};

void TestLayering::initTestCase()
{
    const QString root = QStringLiteral(NIMBRA_SOURCE_DIR);
    QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        files_.insert(QDir(root).relativeFilePath(path), QString::fromUtf8(file.readAll()));
    }
    // A wrong source path would pass every rule with nothing to check.
    QVERIFY2(files_.size() > 100, qPrintable(root));
    QVERIFY(files_.contains(QStringLiteral("platform/NativeFile.cpp")));
}

void TestLayering::scannerRules()
{
    QCOMPARE(SystemCallsIn(QStringLiteral("int fd = ::open(path, O_RDONLY);")),
             (QStringList {QStringLiteral("1: ::open("), QStringLiteral("1: O_RDONLY")}));
    QCOMPARE(SystemCallsIn(QStringLiteral("a();\nif (fork() == 0)\n  ::_exit(1);")), QStringList {QStringLiteral("2: fork(")});
    QCOMPARE(SystemCallsIn(QStringLiteral("std::system(\"ls\");")), QStringList {QStringLiteral("1: std::system(")});
    // Our own names, members, comments and texts are not system calls.
    QVERIFY(SystemCallsIn(QStringLiteral("file.open(QIODevice::ReadOnly); s = read(buffer, n); write(x);")).isEmpty());
    QVERIFY(SystemCallsIn(QStringLiteral("p->unlink(); Names::unlink(p); x.fsync();")).isEmpty());
    QVERIFY(SystemCallsIn(QStringLiteral("// ::unlink(p) would follow a link\n/* fork() */ f(\"::open(\", 'x');")).isEmpty());
    QVERIFY(SystemCallsIn(QStringLiteral("auto s = R\"(::open( fork()\n)\"; int k = 1'000;")).isEmpty());
    QVERIFY(kSystemHeader.match(QStringLiteral("sys/stat.h")).hasMatch());
    QVERIFY(kSystemHeader.match(QStringLiteral("unistd.h")).hasMatch());
    QVERIFY(!kSystemHeader.match(QStringLiteral("cstdint")).hasMatch());
    QVERIFY(IsGuiHeader(QStringLiteral("QtWidgets/QWidget"), {}));
    QVERIFY(IsGuiHeader(QStringLiteral("QDialog"), GuiHeaders()));
    QVERIFY(!IsGuiHeader(QStringLiteral("QString"), GuiHeaders()));
    QVERIFY(!MayInclude(QStringLiteral("platform/A.cpp"), QStringLiteral("base/B.h")));
    QVERIFY(!MayInclude(QStringLiteral("base/MessageBox.cpp"), QStringLiteral("security/SecParams.h")));
    QVERIFY(!MayInclude(QStringLiteral("base/MessageBox.cpp"), QStringLiteral("app/LaunchCheck.h")));
    QVERIFY(!MayInclude(QStringLiteral("security/A.cpp"), QStringLiteral("store/B.h")));
    QVERIFY(!MayInclude(QStringLiteral("security/A.cpp"), QStringLiteral("devices/UsbAdapterLight.h")));
    QVERIFY(!MayInclude(QStringLiteral("store/A.cpp"), QStringLiteral("app/StoreSession.h")));
    QVERIFY(MayInclude(QStringLiteral("store/A.cpp"), QStringLiteral("base/IProgressDlg.h")));
    // The panes and the program's steps are neighbours: neither uses the other.
    QVERIFY(!MayInclude(QStringLiteral("panes/TreeController.cpp"), QStringLiteral("app/MainFrameRules.h")));
    QVERIFY(!MayInclude(QStringLiteral("app/LaunchCheck.cpp"), QStringLiteral("panes/TreeController.h")));
    QVERIFY(!MayInclude(QStringLiteral("app/LaunchCheck.cpp"), QStringLiteral("cli/CliContext.h")));
    QVERIFY(!MayInclude(QStringLiteral("app/LaunchCheck.cpp"), QStringLiteral("ui/windows/CMainFrame.h")));
    QVERIFY(MayInclude(QStringLiteral("cli/LsCommand.cpp"), QStringLiteral("store/EncryptedStore.h")));
    QVERIFY(!MayInclude(QStringLiteral("ui/panes/ProgressDlg.cpp"), QStringLiteral("cli/CliContext.h")));
    QVERIFY(!MayInclude(QStringLiteral("ui/controls/Theme.cpp"), QStringLiteral("ui/panes/ProgressDlg.h")));
    QVERIFY(MayInclude(QStringLiteral("ui/windows/CMainFrame.cpp"), QStringLiteral("ui/panes/ProgressDlg.h")));
    QVERIFY(MayInclude(QStringLiteral("ui/panes/ProgressDlg.cpp"), QStringLiteral("ui/panes/TreeStatusPanel.h")));
    // A folder without a row may include nothing.
    QVERIFY(!MayInclude(QStringLiteral("misc/A.cpp"), QStringLiteral("platform/Status.h")));
    QCOMPARE(FolderOf(QStringLiteral("ui/panes/ProgressDlg.cpp")), QStringLiteral("ui/panes"));
    QCOMPARE(FolderOf(QStringLiteral("store/EncryptedStore.h")), QStringLiteral("store"));
}

void TestLayering::coreHasNoGuiHeaders()
{
    const QSet<QString> gui = GuiHeaders();
    QStringList found;
    for (auto it = files_.cbegin(); it != files_.cend(); ++it) {
        if (!kCore.contains(FolderOf(it.key())))
            continue;
        for (const Include& include : IncludesOf(it.value())) {
            if (include.angle && IsGuiHeader(include.name, gui))
                found << QStringLiteral("%1:%2: <%3>").arg(it.key()).arg(include.line).arg(include.name);
        }
    }
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

void TestLayering::onlyThePlatformCallsTheSystem()
{
    QStringList found;
    for (auto it = files_.cbegin(); it != files_.cend(); ++it) {
        if (FolderOf(it.key()) == QLatin1String("platform") || kSystemCallers.contains(it.key()))
            continue;
        for (const Include& include : IncludesOf(it.value())) {
            if (include.angle && kSystemHeader.match(include.name).hasMatch())
                found << QStringLiteral("%1:%2: <%3>").arg(it.key()).arg(include.line).arg(include.name);
        }
        for (const QString& call : SystemCallsIn(it.value()))
            found << it.key() + u':' + call;
    }
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

void TestLayering::foldersIncludeOnlyWhatIsBeneathThem()
{
    const QStringList found = UpwardIncludes(files_);
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

void TestLayering::plantedUpwardIncludeIsFound()
{
    // The same check on the real tree with one include that climbs: the
    // store reaching for the program's session.
    QMap<QString, QString> planted = files_;
    const QString file = QStringLiteral("store/EncryptedStore.cpp");
    QVERIFY(planted.contains(file));
    planted[file] += QStringLiteral("\n#include \"app/StoreSession.h\"\n");
    const QStringList found = UpwardIncludes(planted);
    QCOMPARE(found.size(), 1);
    QVERIFY2(found.first().startsWith(file + u':'), qPrintable(found.first()));
    QVERIFY(found.first().endsWith(QStringLiteral("\"app/StoreSession.h\"")));
}

void TestLayering::everyFolderHasItsRowAndReadmeLine()
{
    QSet<QString> folders;
    for (auto it = files_.cbegin(); it != files_.cend(); ++it) {
        if (it.key().contains(u'/'))
            folders.insert(FolderOf(it.key()));
    }
    QSet<QString> rows(kMayInclude.keyBegin(), kMayInclude.keyEnd());
    QCOMPARE(folders, rows);

    // The README's source-tree table: one line per folder, "| `src/NAME` | ...".
    QFile readme(QStringLiteral(NIMBRA_SOURCE_DIR "/../README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    static const QRegularExpression line(QStringLiteral(R"(^\| `src/([a-z/]+)` \|)"));
    QSet<QString> listed;
    for (const QString& text : QString::fromUtf8(readme.readAll()).split(u'\n')) {
        const QRegularExpressionMatch m = line.match(text);
        if (m.hasMatch())
            listed.insert(m.captured(1));
    }
    QCOMPARE(listed, folders);
}

QTEST_GUILESS_MAIN(TestLayering)
#include "tst_layering.moc"
