// nimbra-cli around the launch folder and store paths, as a user meets it:
// folder names on the way in, plaintext an interrupted open left behind, and
// programs started through a launcher next to processes that are not ours.

#include "CliTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace nbr;
using namespace nbr::test;

namespace {

class Cli {
public:
    Cli()
    {
        env_ = {{QStringLiteral("XDG_CONFIG_HOME"), xdg_.filePath(QStringLiteral("config"))},
                {QStringLiteral("XDG_DATA_HOME"), xdg_.filePath(QStringLiteral("data"))},
                {QStringLiteral("XDG_CONFIG_DIRS"), xdg_.filePath(QStringLiteral("none"))}};
    }

    // A store with the password in the file "pw".
    bool SetUp()
    {
        QDir().mkpath(xdg_.filePath(QStringLiteral("data/applications")));
        QDir().mkpath(xdg_.filePath(QStringLiteral("config")));
        return WriteAll(root_.filePath(QStringLiteral("pw")), "secret1\n")
               && Run({QStringLiteral("--root"), root_.path(), QStringLiteral("init")}, "secret1\nsecret1\n").exitCode == 0;
    }

    // Text files open with `exec` (a desktop entry's Exec line).
    bool Associate(const QByteArray& exec)
    {
        return WriteAll(xdg_.filePath(QStringLiteral("data/applications/nimbra-launch-test.desktop")),
                        "[Desktop Entry]\nType=Application\nName=t\nExec=" + exec + "\n")
               && WriteAll(xdg_.filePath(QStringLiteral("config/mimeapps.list")),
                           "[Default Applications]\ntext/plain=nimbra-launch-test.desktop\n");
    }

    Result Store(const QStringList& arguments, const QByteArray& input = {})
    {
        return Run(QStringList {QStringLiteral("--root"), root_.path(), QStringLiteral("--password-file"),
                                root_.filePath(QStringLiteral("pw"))}
                       + arguments,
                   input);
    }

    Result Run(const QStringList& arguments, const QByteArray& input = {})
    {
        return RunCli(arguments, input, {}, env_, 60000);
    }

    QString Root(const QString& relative) const { return root_.filePath(relative); }
    QString Tool(const QString& relative) const { return xdg_.filePath(relative); }

private:
    QTemporaryDir root_;
    QTemporaryDir xdg_;
    QHash<QString, QString> env_;
};

bool MakeScript(const QString& path, const QByteArray& text)
{
    return WriteAll(path, text) && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

class TestLaunchCli : public QObject {
    Q_OBJECT

private slots:
    void mkdirRefusesDotNames_data();
    void mkdirRefusesDotNames();
    void foldersWithHostNames();
    void openAfterACrash();
    void launcherThatEndsAtOnce();
};

void TestLaunchCli::mkdirRefusesDotNames_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("parent") << QStringLiteral("..");
    QTest::newRow("self") << QStringLiteral(".");
    QTest::newRow("parent at the end") << QStringLiteral("a/..");
    QTest::newRow("self first") << QStringLiteral("./b");
}

void TestLaunchCli::mkdirRefusesDotNames()
{
    QFETCH(QString, path);
    Cli cli;
    QVERIFY(cli.SetUp());
    Result res = cli.Store({QStringLiteral("mkdir"), path});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("must not be \".\" or \"..\"")), qPrintable(res.err));
    res = cli.Store({QStringLiteral("add"), QStringLiteral("--to"), path, cli.Root(QStringLiteral("pw"))});
    QCOMPARE(res.exitCode, 1);
    res = cli.Store({QStringLiteral("ls"), QStringLiteral("-R")});
    QCOMPARE(res.exitCode, 0);
    QCOMPARE(res.out, QString());
}

void TestLaunchCli::foldersWithHostNames()
{
    Cli cli;
    QVERIFY(cli.SetUp());
    // Legal on the host, stored as it is by an import, impossible to type as a new folder.
    const QString odd = QStringLiteral("Odd: \"name\"?");
    QVERIFY(QDir().mkpath(cli.Root(QStringLiteral("host/") + odd)));
    QVERIFY(WriteAll(cli.Root(QStringLiteral("host/") + odd + QStringLiteral("/a.txt")), "a"));
    QVERIFY(WriteAll(cli.Root(QStringLiteral("b.txt")), "b"));
    QCOMPARE(cli.Store({QStringLiteral("add"), cli.Root(QStringLiteral("host/") + odd)}).exitCode, 0);

    Result res = cli.Store({QStringLiteral("add"), QStringLiteral("--to"), odd, cli.Root(QStringLiteral("b.txt"))});
    QVERIFY2(res.exitCode == 0, qPrintable(res.err));
    QCOMPARE(cli.Store({QStringLiteral("mkdir"), odd + QStringLiteral("/Sub")}).exitCode, 0);
    res = cli.Store({QStringLiteral("ls"), odd});
    QCOMPARE(res.out, QStringLiteral("Sub/\na.txt\nb.txt\n"));
    res = cli.Store({QStringLiteral("mkdir"), QStringLiteral("New: folder")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("must not contain")), qPrintable(res.err));
    // A file in the way.
    res = cli.Store({QStringLiteral("mkdir"), odd + QStringLiteral("/a.txt/deeper")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("is a file, not a folder")), qPrintable(res.err));
    res = cli.Store({QStringLiteral("add"), QStringLiteral("--to"), odd + QStringLiteral("/a.txt"), cli.Root(QStringLiteral("b.txt"))});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("is a file, not a folder")), qPrintable(res.err));
}

void TestLaunchCli::openAfterACrash()
{
    Cli cli;
    QVERIFY(cli.SetUp());
    QVERIFY(WriteAll(cli.Root(QStringLiteral("todo.txt")), "buy milk\n"));
    QVERIFY(WriteAll(cli.Root(QStringLiteral("old.txt")), "as stored\n"));
    QCOMPARE(cli.Store({QStringLiteral("add"), cli.Root(QStringLiteral("todo.txt")), cli.Root(QStringLiteral("old.txt"))}).exitCode, 0);
    const QByteArray oldEncrypted = ReadAll(cli.Root(QStringLiteral("Encrypted Data/2")));
    QVERIFY(!oldEncrypted.isEmpty());
    // What an open killed while its program had the copies leaves: one copy
    // edited, one as it was decrypted.
    QVERIFY(QDir().mkpath(cli.Root(QStringLiteral("LaunchBin"))));
    QVERIFY(WriteAll(cli.Root(QStringLiteral("LaunchBin/todo.txt")), "buy milk\nsaved before the crash\n"));
    QVERIFY(WriteAll(cli.Root(QStringLiteral("LaunchBin/old.txt")), "as stored\n"));

    Result res = cli.Store({QStringLiteral("check")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.out.contains(QStringLiteral("todo.txt: plaintext left in the launch folder")), qPrintable(res.out));
    QVERIFY(res.out.contains(QStringLiteral("old.txt: plaintext left")));

    QVERIFY(MakeScript(cli.Tool(QStringLiteral("edit.sh")), "#!/bin/sh\necho 'buy bread' >> \"$1\"\n"));
    QVERIFY(cli.Associate(QFile::encodeName(cli.Tool(QStringLiteral("edit.sh"))) + " %f"));
    res = cli.Store({QStringLiteral("open"), QStringLiteral("todo.txt")});
    QVERIFY2(res.exitCode == 0, qPrintable(res.err));
    QVERIFY2(res.err.contains(QStringLiteral("did not end properly")), qPrintable(res.err));
    // The edit of the crashed run is kept, and the new one added to it.
    QCOMPARE(cli.Store({QStringLiteral("cat"), QStringLiteral("todo.txt")}).out,
             QStringLiteral("buy milk\nsaved before the crash\nbuy bread\n"));
    QCOMPARE(ReadAll(cli.Root(QStringLiteral("Encrypted Data/2"))), oldEncrypted);  // wiped, not stored again
    QVERIFY(!QFileInfo::exists(cli.Root(QStringLiteral("LaunchBin"))));
    res = cli.Store({QStringLiteral("check")});
    QVERIFY2(res.exitCode == 0, qPrintable(res.out));
}

void TestLaunchCli::launcherThatEndsAtOnce()
{
    Cli cli;
    QVERIFY(cli.SetUp());
    QVERIFY(WriteAll(cli.Root(QStringLiteral("todo.txt")), "buy milk\n"));
    QCOMPARE(cli.Store({QStringLiteral("add"), cli.Root(QStringLiteral("todo.txt"))}).exitCode, 0);
    // The editor takes a moment; the shell that starts it ends at once.
    QVERIFY(MakeScript(cli.Tool(QStringLiteral("edit.sh")), "#!/bin/sh\nsleep 1\necho 'buy bread' >> \"$1\"\n"));
    QVERIFY(cli.Associate("sh -c \"\\\"$0\\\" \\\"$1\\\" &\" \"" + QFile::encodeName(cli.Tool(QStringLiteral("edit.sh"))) + "\" %f"));
    QProcess bystander;
    bystander.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("sleep 60")});
    QVERIFY(bystander.waitForStarted());

    const Result res = cli.Store({QStringLiteral("open"), QStringLiteral("todo.txt")});
    QVERIFY2(res.exitCode == 0, qPrintable(res.err));
    QCOMPARE(bystander.state(), QProcess::Running);
    QCOMPARE(cli.Store({QStringLiteral("cat"), QStringLiteral("todo.txt")}).out, QStringLiteral("buy milk\nbuy bread\n"));
    bystander.kill();
    bystander.waitForFinished();
}

QTEST_GUILESS_MAIN(TestLaunchCli)
#include "tst_launchcli.moc"
