// nimbra-cli as a user meets it: help, usage errors with their exit codes,
// and inspect on files the engine wrote, a key file, and damaged files.

#include "TestSupport.h"

#include "CliTestSupport.h"

#include "security/FileStream.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace nbr;
using namespace nbr::test;

namespace {

QString Fixture(const char* name)
{
    return QStringLiteral(NIMBRA_TEST_DATA "/") + QString::fromLatin1(name);
}

// A desktop whose program for text files is the shell script `script`,
// under `xdg`: `env` gets the variables that make nimbra-cli find it.
bool InstallTextProgram(const QTemporaryDir& xdg, const QByteArray& script, QProcessEnvironment* env)
{
    const QString program = xdg.filePath(QStringLiteral("program.sh"));
    const bool made = QDir().mkpath(xdg.filePath(QStringLiteral("data/applications")))
                      && QDir().mkpath(xdg.filePath(QStringLiteral("config"))) && WriteAll(program, script)
                      && QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
                      && WriteAll(xdg.filePath(QStringLiteral("data/applications/nimbra-cli-test.desktop")),
                                  "[Desktop Entry]\nType=Application\nName=t\nExec=" + QFile::encodeName(program)
                                      + " %f\n")
                      && WriteAll(xdg.filePath(QStringLiteral("config/mimeapps.list")),
                                  "[Default Applications]\ntext/plain=nimbra-cli-test.desktop\n");
    env->insert(QStringLiteral("XDG_DATA_HOME"), xdg.filePath(QStringLiteral("data")));
    env->insert(QStringLiteral("XDG_CONFIG_HOME"), xdg.filePath(QStringLiteral("config")));
    env->insert(QStringLiteral("XDG_CONFIG_DIRS"), xdg.filePath(QStringLiteral("none")));
    return made;
}

// A store in `root` that holds "todo.txt" ("buy milk"); its global
// arguments, or none when it could not be made.
QStringList StoreWithTodoList(const QTemporaryDir& root)
{
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    const QString todo = root.filePath(QStringLiteral("todo.txt"));
    if (!ready || !WriteAll(todo, "buy milk\n") || RunCli(p + QStringList {QStringLiteral("add"), todo}).exitCode != 0)
        return {};
    return p;
}

// The same, with the environment added to RunCli's extra variables.
bool InstallTextProgram(const QTemporaryDir& xdg, const QByteArray& script, QHash<QString, QString>* extra)
{
    QProcessEnvironment env;
    const bool made = InstallTextProgram(xdg, script, &env);
    for (const QString& key : env.keys())
        extra->insert(key, env.value(key));
    return made;
}

bool WaitUntilExists(const QString& path, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(path)) {
        if (timer.elapsed() > milliseconds)
            return false;
        QThread::msleep(50);
    }
    return true;
}

}  // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void versionAndHelp();
    void usageErrors_data();
    void usageErrors();
    void inspectWhatTheEngineWrote();
    void inspectKeyFile();
    void inspectDamagedFiles_data();
    void inspectDamagedFiles();
    void speaksTheUsersLanguage();
    void keyFileCommands();
    void tenWrongPasswordsWipe();
    void busyKeyFile();
    void damagedKeyFileIsNeverSetUpAgain();
    void storeCommands();
    void repairRefusesAnotherStoresKey();
    void addGetCat();
    void interruptCancelsCleanly_data();
    void interruptCancelsCleanly();
    void openWritesBack();
    void openWaitsForADetachedWriter();
    void openKeepsACopyStillBeingWritten();
    void openDoesNotWaitForeverOnAReader();
    void interruptDuringOpenLeavesNoCopy_data();
    void interruptDuringOpenLeavesNoCopy();
    void interruptAtThePressEnterPrompt();
    void onATerminal();
};

void TestCli::versionAndHelp()
{
    Result r = RunHere({QStringLiteral("version")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith(QStringLiteral("nimbra-cli ")));
    r = RunHere({QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QStringLiteral("inspect")));
    QVERIFY(r.out.contains(QStringLiteral("Exit codes")));
    r = RunHere({QStringLiteral("help"), QStringLiteral("inspect")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QStringLiteral("Usage: nimbra-cli [OPTIONS] inspect FILE")));
    r = RunHere({QStringLiteral("inspect"), QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QStringLiteral("No password is needed")));
    QVERIFY(r.err.isEmpty());
}

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing") << QStringList {} << "no command given";
    QTest::newRow("unknown command") << QStringList {QStringLiteral("frobnicate")} << "unknown command \"frobnicate\"";
    QTest::newRow("unknown option") << QStringList {QStringLiteral("--bogus"), QStringLiteral("version")} << "unknown option \"--bogus\"";
    QTest::newRow("root without value") << QStringList {QStringLiteral("--root")} << "--root needs a value";
    QTest::newRow("inspect without file") << QStringList {QStringLiteral("inspect")} << "wrong arguments for \"inspect\"";
    QTest::newRow("help for unknown") << QStringList {QStringLiteral("help"), QStringLiteral("x")} << "unknown command \"x\"";
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Result r = RunHere(arguments);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.startsWith(QStringLiteral("nimbra-cli: error: ")), qPrintable(r.err));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
}

void TestCli::inspectWhatTheEngineWrote()
{
    QTemporaryDir dir;
    QVERIFY(WriteAll(dir.filePath("report.txt"), Pattern(1000)));
    CryptPtr engine = MakeEngine(Pattern(32, 9));
    QCOMPARE(engine->EncryptFileToFile(dir.filePath("report.txt"), dir.filePath("17"), nullptr, nullptr, nullptr), S_OK);
    const Result r = RunHere({QStringLiteral("-q"), QStringLiteral("inspect"), dir.filePath("17")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.isEmpty());
    for (const char* line : {"Type:             encrypted file", "Format id:        4 (AES-256)",
                             "Plain size:       1000 bytes", "Key block:        100 bytes",
                             "Encrypted name:   32 bytes, 10 code units", "Header length:    189 bytes",
                             "Content:          1008 bytes"})
        QVERIFY2(r.out.contains(QString::fromLatin1(line)), qPrintable(r.out));
    QVERIFY(r.out.contains(QStringLiteral("Last write:       20")));

    const Result fixture = RunHere({QStringLiteral("inspect"), Fixture("hello.enc")});
    QCOMPARE(fixture.exitCode, 0);
    QVERIFY(fixture.out.contains(QStringLiteral("Attributes:       0x00000020 (archive)")));
    QVERIFY(fixture.out.contains(QStringLiteral("Last write:       2023-02-04 16:00:00 UTC")));
    const Result legacy = RunHere({QStringLiteral("inspect"), Fixture("format2.enc")});
    QCOMPARE(legacy.exitCode, 0);
    QVERIFY(legacy.out.contains(QStringLiteral("old format")));
}

void TestCli::inspectKeyFile()
{
    Result r = RunHere({QStringLiteral("inspect"), Fixture("secparams.enc")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QStringLiteral("Type:             key file")));
    QVERIFY(r.out.contains(QStringLiteral("Key:              present")));
    QVERIFY2(r.out.contains(QStringLiteral("Property slots:   0 (4 bytes), 3 (16 bytes)")), qPrintable(r.out));

    QTemporaryDir dir;
    QVERIFY(WriteAll(dir.filePath("secparams.enc"), QByteArray()));
    r = RunHere({QStringLiteral("inspect"), dir.filePath("secparams.enc")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QStringLiteral("absent")));
    QVERIFY(r.out.contains(QStringLiteral("Property slots:   none")));
}

void TestCli::inspectDamagedFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    QTest::newRow("trailer") << Fixture("bad_trailer.enc") << "header is damaged";
    QTest::newRow("length") << Fixture("bad_length.enc") << "header is damaged";
    QTest::newRow("cut") << Fixture("cut_in_key_block.enc") << "could not be read completely";
    QTest::newRow("missing") << QStringLiteral("/nonexistent/file") << "System (0x00000003): No such file or directory";
    QTest::newRow("folder") << QStringLiteral(NIMBRA_TEST_DATA) << "System (0x00000005)";
}

void TestCli::inspectDamagedFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, message);
    const Result r = RunHere({QStringLiteral("inspect"), file});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.startsWith(QStringLiteral("nimbra-cli: error: ") + file), qPrintable(r.err));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
}

void TestCli::speaksTheUsersLanguage()
{
    QTemporaryDir config;
    const QHash<QString, QString> env {{QStringLiteral("XDG_CONFIG_HOME"), config.path()},
                                       {QStringLiteral("LANG"), QStringLiteral("fr_CA.UTF-8")}};
    auto run = [&](const QStringList& arguments) { return RunHere(arguments, {}, env).err; };
    QString err = run({QStringLiteral("inspect"), Fixture("bad_trailer.enc")});
    QVERIFY2(err.contains(QStringLiteral("L'en-tête du fichier est endommagé")), qPrintable(err));
    err = run({QStringLiteral("frobnicate")});
    QVERIFY2(err.contains(QStringLiteral("commande inconnue « frobnicate »")), qPrintable(err));
    // A saved choice wins over the environment. Settings are read once per
    // process: this takes a process of its own.
    QVERIFY(QDir().mkpath(config.filePath(QStringLiteral("Orvane"))));
    QVERIFY(WriteAll(config.filePath(QStringLiteral("Orvane/Nimbra.conf")), "[1.0.0.1]\nlanguageIndex=6\n"));
    err = RunCli({QStringLiteral("frobnicate")}, {}, {}, env).err;
    QVERIFY2(err.contains(QStringLiteral("comando desconocido")), qPrintable(err));
}

void TestCli::keyFileCommands()
{
    QTemporaryDir root;
    const QString r = root.path();
    Result res = RunHere({QStringLiteral("--root"), r, QStringLiteral("hint")});
    QCOMPARE(res.exitCode, 4);
    QVERIFY2(res.err.contains(QStringLiteral("Use \"init\"")), qPrintable(res.err));

    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("init")}, "secret1\nsecret2\n");
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("does not match")), qPrintable(res.err));
    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("init"), QStringLiteral("--hint"), QStringLiteral("secret1")},
                 "secret1\nsecret1\n");
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("must not give away")), qPrintable(res.err));
    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("init"), QStringLiteral("--hint"), QStringLiteral("the usual")},
                 "secret1\nsecret1\n");
    QCOMPARE(res.exitCode, 0);
    QVERIFY(QFileInfo::exists(r + QStringLiteral("/Encrypted Data/secparams.enc")));
    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("init")}, "secret1\nsecret1\n");
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("already set up")), qPrintable(res.err));

    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("hint")});
    QCOMPARE(res.exitCode, 0);
    QCOMPARE(res.out, QStringLiteral("Password hint: the usual\n"));

    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("passwd")}, "secret9\n");
    QCOMPARE(res.exitCode, 3);
    QVERIFY(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("printf 'secret1\\n' > ") + root.filePath(QStringLiteral("pw"))}) == 0);
    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("--password-file"), root.filePath(QStringLiteral("pw")),
                  QStringLiteral("passwd"), QStringLiteral("--hint"), QStringLiteral("new one")},
                 "renewed1\nrenewed1\n");
    QCOMPARE(res.exitCode, 0);
    QVERIFY2(res.out.contains(QStringLiteral("Your password has been changed.")), qPrintable(res.err));
    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("passwd")}, "renewed1\nrenewed2\nrenewed2\n");
    QCOMPARE(res.exitCode, 0);
    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("hint")});
    QCOMPARE(res.out, QStringLiteral("Password hint: new one\n"));

    // Nobody at a terminal to say yes: nothing is wiped.
    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("wipe")});
    QCOMPARE(res.exitCode, 5);
    QVERIFY(res.err.contains(QStringLiteral("no terminal to answer on")));
    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("-q"), QStringLiteral("wipe"), QStringLiteral("--yes")});
    QCOMPARE(res.exitCode, 0);
    QVERIFY(res.err.isEmpty());
    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("hint")});
    QCOMPARE(res.exitCode, 4);
    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("init")}, "fresh-start\nfresh-start\n");
    QCOMPARE(res.exitCode, 0);
}

void TestCli::tenWrongPasswordsWipe()
{
    QTemporaryDir root;
    const QString r = root.path();
    QCOMPARE(RunHere({QStringLiteral("--root"), r, QStringLiteral("init")}, "secret1\nsecret1\n").exitCode, 0);
    QVERIFY(WriteAll(r + QStringLiteral("/Encrypted Data/1"), "stored"));
    for (int i = 1; i <= 9; ++i) {
        const Result res = RunHere({QStringLiteral("--root"), r, QStringLiteral("passwd")}, "wrong-one\n");
        QCOMPARE(res.exitCode, 3);
        QCOMPARE(res.err.contains(QStringLiteral("only one attempt is left")), i == 9);
    }
    const Result last = RunHere({QStringLiteral("--root"), r, QStringLiteral("passwd")}, "secret1-not\n");
    QCOMPARE(last.exitCode, 3);
    QVERIFY2(last.err.contains(QStringLiteral("have been destroyed")), qPrintable(last.err));
    QVERIFY(!QFileInfo::exists(r + QStringLiteral("/Encrypted Data/1")));
    QVERIFY(QFileInfo::exists(r + QStringLiteral("/Encrypted Data/secparams.enc")));
    QCOMPARE(RunHere({QStringLiteral("--root"), r, QStringLiteral("passwd")}, "secret1\n").exitCode, 4);
}

void TestCli::busyKeyFile()
{
    QTemporaryDir root;
    const QString r = root.path();
    QCOMPARE(RunCli({QStringLiteral("--root"), r, QStringLiteral("init")}, "secret1\nsecret1\n").exitCode, 0);
    auto* holder = new nbr::FileStream;
    QCOMPARE(holder->Open(r + QStringLiteral("/Encrypted Data/secparams.enc")), nbr::S_OK);
    const Result res = RunCli({QStringLiteral("--root"), r, QStringLiteral("hint")});
    holder->Release();
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("in use by another Nimbra")), qPrintable(res.err));
}

void TestCli::damagedKeyFileIsNeverSetUpAgain()
{
    QTemporaryDir root;
    const QString r = root.path();
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("Encrypted Data"))));
    const QString keyFile = root.filePath(QStringLiteral("Encrypted Data/secparams.enc"));
    const QByteArray damaged = Pattern(4096, 3);
    QVERIFY(WriteAll(keyFile, damaged));
    Result res = RunHere({QStringLiteral("--root"), r, QStringLiteral("init")}, "secret1\nsecret1\n");
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("secparams.enc: The file header is damaged")), qPrintable(res.err));
    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("ls")}, "secret1\n");
    QCOMPARE(res.exitCode, 1);
    QCOMPARE(ReadAll(keyFile), damaged);

    // No key at all, but stored items: init refuses before asking anything.
    QVERIFY(QFile::remove(keyFile));
    QVERIFY(WriteAll(root.filePath(QStringLiteral("Encrypted Data/5")), Pattern(600, 5)));
    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("init")}, "secret1\nsecret1\n");
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("already holds encrypted items")), qPrintable(res.err));
    QVERIFY(ReadAll(keyFile).isEmpty());
}

void TestCli::storeCommands()
{
    QTemporaryDir root;
    const QString r = root.path();
    const QString data = r + QStringLiteral("/Encrypted Data");
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);

    QCOMPARE(RunHere(p + QStringList {QStringLiteral("mkdir"), QStringLiteral("Photos/2026")}).exitCode, 0);
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("mkdir"), QStringLiteral("Docs")}).exitCode, 0);
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("mkdir"), QStringLiteral("docs")}).exitCode, 0);  // exists already
    Result res = RunHere(p + QStringList {QStringLiteral("mkdir"), QStringLiteral("a|b")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("must not contain")), qPrintable(res.err));
    // A path that names no folder makes none, and says so.
    for (const QString& nothing : {QString(), QStringLiteral("/"), QStringLiteral("//")}) {
        res = RunHere(p + QStringList {QStringLiteral("mkdir"), nothing});
        QCOMPARE(res.exitCode, 1);
        QVERIFY2(res.err.contains(QStringLiteral("must not be empty")), qPrintable(res.err));
    }
    // A name longer than a stick's file systems take is refused with the limit.
    res = RunHere(p + QStringList {QStringLiteral("mkdir"), QStringLiteral("Docs/") + QString(256, QLatin1Char('n'))});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("at most 255 characters")), qPrintable(res.err));
    res = RunHere(p + QStringList {QStringLiteral("ls")});
    QCOMPARE(res.out, QStringLiteral("Docs/\nPhotos/\n"));
    res = RunHere(p + QStringList {QStringLiteral("ls"), QStringLiteral("-R"), QStringLiteral("photos")});
    QCOMPARE(res.out, QStringLiteral("2026/\n"));
    res = RunHere(p + QStringList {QStringLiteral("ls"), QStringLiteral("-lR")});
    QCOMPARE(res.exitCode, 0);
    QCOMPARE(res.out.count(QLatin1Char('\n')), 3);
    QVERIFY(res.out.contains(QStringLiteral("Photos/2026/")));
    res = RunHere(p + QStringList {QStringLiteral("ls"), QStringLiteral("Nothing")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY(res.err.contains(QStringLiteral("is not in the store")));

    res = RunHere(p + QStringList {QStringLiteral("check")});
    QCOMPARE(res.exitCode, 0);
    QVERIFY2(res.out.contains(QStringLiteral("Folders checked: 4, files checked: 0. Problems found: 0")), qPrintable(res.out));
    // The remains of an interrupted write and a damaged list with an intact backup.
    QVERIFY(WriteAll(data + QStringLiteral("/77"), QByteArray()));
    QFile manifest(data + QStringLiteral("/.manifest"));
    QVERIFY(manifest.open(QIODevice::ReadWrite) && manifest.resize(150));
    manifest.close();
    res = RunHere(p + QStringList {QStringLiteral("check")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.out.contains(QStringLiteral("/: the contents list is damaged; its backup is intact.")), qPrintable(res.out));
    QVERIFY2(res.out.contains(QStringLiteral("/77: the remains of an interrupted write")), qPrintable(res.out));
    res = RunHere(p + QStringList {QStringLiteral("check"), QStringLiteral("--repair")});
    QCOMPARE(res.exitCode, 0);
    QVERIFY(!QFileInfo::exists(data + QStringLiteral("/77")));
    res = RunHere(p + QStringList {QStringLiteral("check")});
    QCOMPARE(res.exitCode, 0);

    res = RunHere(p + QStringList {QStringLiteral("rm"), QStringLiteral("Photos")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY(res.err.contains(QStringLiteral("use -r")));
    res = RunHere(p + QStringList {QStringLiteral("rm"), QStringLiteral("-r"), QStringLiteral("Photos"), QStringLiteral("Docs")});
    QCOMPARE(res.exitCode, 5);
    QVERIFY2(res.err.contains(QStringLiteral("delete these 2 items")), qPrintable(res.err));
    res = RunHere(p + QStringList {QStringLiteral("rm"), QStringLiteral("-r"), QStringLiteral("--yes"), QStringLiteral("Photos")});
    QCOMPARE(res.exitCode, 0);
    res = RunHere(p + QStringList {QStringLiteral("ls"), QStringLiteral("-R")});
    QCOMPARE(res.out, QStringLiteral("Docs/\n"));
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("rm"), QStringLiteral("--yes"), QStringLiteral("/")}).exitCode, 2);
}

void TestCli::repairRefusesAnotherStoresKey()
{
    // Under another stick's key file nothing opens: a repair set every list
    // and file aside, ended 0, and the right key file could not undo it.
    QTemporaryDir root;
    QTemporaryDir other;
    QTemporaryDir host;
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    const QStringList q = SetUpStore(other, &ready);
    QVERIFY(ready);
    QVERIFY(QDir().mkpath(host.filePath(QStringLiteral("docs/sub"))));
    QVERIFY(WriteAll(host.filePath(QStringLiteral("docs/a.txt")), "report"));
    QVERIFY(WriteAll(host.filePath(QStringLiteral("docs/sub/b.txt")), "notes"));
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("add"), host.filePath(QStringLiteral("docs"))}).exitCode, 0);
    // An empty store has nothing to open and is repaired as before.
    QCOMPARE(RunHere(q + QStringList {QStringLiteral("check"), QStringLiteral("--repair")}).exitCode, 0);

    const QString key = root.filePath(QStringLiteral("Encrypted Data/secparams.enc"));
    const QByteArray own = ReadAll(key);
    const QString data = root.filePath(QStringLiteral("Encrypted Data"));
    const QStringList before = TreeOf(data);
    QVERIFY(QFile::remove(key));
    QVERIFY(QFile::copy(other.filePath(QStringLiteral("Encrypted Data/secparams.enc")), key));
    const Result res = RunHere(p + QStringList {QStringLiteral("check"), QStringLiteral("--repair")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("most likely belongs to another store")), qPrintable(res.err));
    QCOMPARE(TreeOf(data), before);
    QVERIFY(QFile::remove(key));
    QVERIFY(WriteAll(key, own));
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("cat"), QStringLiteral("docs/sub/b.txt")}).out, QStringLiteral("notes"));
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("check")}).exitCode, 0);
}

void TestCli::addGetCat()
{
    QTemporaryDir root;
    QTemporaryDir host;
    const QString r = root.path();
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    QVERIFY(QDir().mkpath(host.filePath(QStringLiteral("Album/Sub"))));
    QVERIFY(WriteAll(host.filePath(QStringLiteral("Album/one.jpg")), Pattern(700000, 1)));
    QVERIFY(WriteAll(host.filePath(QStringLiteral("Album/Sub/two.txt")), "two"));
    QVERIFY(WriteAll(host.filePath(QStringLiteral("note.txt")), "first note"));

    Result res = RunHere(p + QStringList {QStringLiteral("add"), QStringLiteral("--to"), QStringLiteral("Backup/2026"),
                                         host.filePath(QStringLiteral("Album")), host.filePath(QStringLiteral("note.txt")),
                                         host.filePath(QStringLiteral("missing"))});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("does not exist")), qPrintable(res.err));
    res = RunHere(p + QStringList {QStringLiteral("ls"), QStringLiteral("-R"), QStringLiteral("Backup")});
    QCOMPARE(res.out, QStringLiteral("2026/\n2026/Album/\n2026/Album/Sub/\n2026/Album/Sub/two.txt\n2026/Album/one.jpg\n2026/note.txt\n"));
    res = RunHere(p + QStringList {QStringLiteral("cat"), QStringLiteral("Backup/2026/note.txt")});
    QCOMPARE(res.exitCode, 0);
    QCOMPARE(res.out, QStringLiteral("first note"));
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("cat"), QStringLiteral("Backup")}).exitCode, 1);

    QVERIFY(WriteAll(host.filePath(QStringLiteral("note.txt")), "second note"));
    res = RunHere(p + QStringList {QStringLiteral("add"), QStringLiteral("--to"), QStringLiteral("Backup/2026"), QStringLiteral("--skip"),
                                  host.filePath(QStringLiteral("note.txt"))});
    QCOMPARE(res.exitCode, 5);
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("cat"), QStringLiteral("Backup/2026/note.txt")}).out, QStringLiteral("first note"));
    res = RunHere(p + QStringList {QStringLiteral("add"), QStringLiteral("--to"), QStringLiteral("Backup/2026"), QStringLiteral("--overwrite"),
                                  host.filePath(QStringLiteral("note.txt"))});
    QCOMPARE(res.exitCode, 0);
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("cat"), QStringLiteral("Backup/2026/note.txt")}).out, QStringLiteral("second note"));
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("add"), QStringLiteral("--skip"), QStringLiteral("--overwrite"), QStringLiteral("x")}).exitCode, 2);

    // A stored file cut short: cat and get fail with their own message, check names
    // it, with the terminal control in its name escaped.
    const QString cutName = QStringLiteral("cut\x1b[2J.bin");
    QVERIFY(WriteAll(host.filePath(cutName), Pattern(5000, 7)));
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("add"), host.filePath(cutName)}).exitCode, 0);
    QString cut;
    for (const QFileInfo& info : QDir(r + QStringLiteral("/Encrypted Data")).entryInfoList(QDir::Files)) {
        if (info.size() > 5000 && info.fileName().toUInt() != 0)
            cut = info.filePath();
    }
    QVERIFY(WriteAll(cut, ReadAll(cut).chopped(32)));
    res = RunHere(p + QStringList {QStringLiteral("cat"), cutName});
    QCOMPARE(res.exitCode, 1);
    QVERIFY(res.out.isEmpty());
    QVERIFY2(res.err.contains(QStringLiteral("shorter or longer than its header says")), qPrintable(res.err));
    QTemporaryDir cutOut;
    res = RunHere(p + QStringList {QStringLiteral("get"), QStringLiteral("--to"), cutOut.path(), cutName});
    QVERIFY(res.exitCode != 0);
    QVERIFY(!QFileInfo::exists(cutOut.filePath(cutName)));
    res = RunHere(p + QStringList {QStringLiteral("check")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.out.contains(QStringLiteral("/cut\\x1b[2J.bin: damaged")), qPrintable(res.out));
    QVERIFY(!res.out.contains(QChar(0x1b)));

    QTemporaryDir out;
    res = RunHere(p + QStringList {QStringLiteral("get"), QStringLiteral("--to"), out.path(), QStringLiteral("Backup/2026/Album")});
    QCOMPARE(res.exitCode, 0);
    QCOMPARE(ReadAll(out.filePath(QStringLiteral("Album/one.jpg"))), Pattern(700000, 1));
    QCOMPARE(ReadAll(out.filePath(QStringLiteral("Album/Sub/two.txt"))), QByteArray("two"));
    QCOMPARE(QFileInfo(out.filePath(QStringLiteral("Album/one.jpg"))).lastModified(),
             QFileInfo(host.filePath(QStringLiteral("Album/one.jpg"))).lastModified());
    QVERIFY(WriteAll(out.filePath(QStringLiteral("Album/Sub/two.txt")), "changed on the host"));
    res = RunHere(p + QStringList {QStringLiteral("get"), QStringLiteral("--to"), out.path(), QStringLiteral("--skip"),
                                  QStringLiteral("Backup/2026/Album")});
    // Left alone, as an import left alone says and ends.
    QCOMPARE(res.exitCode, 5);
    QVERIFY2(res.err.contains(QStringLiteral("not copied because they exist already")), qPrintable(res.err));
    QCOMPARE(ReadAll(out.filePath(QStringLiteral("Album/Sub/two.txt"))), QByteArray("changed on the host"));
    QVERIFY(WriteAll(out.filePath(QStringLiteral("note.txt")), "host note"));
    res = RunHere(p + QStringList {QStringLiteral("get"), QStringLiteral("--to"), out.path(), QStringLiteral("--skip"),
                                  QStringLiteral("Backup/2026/note.txt")});
    QCOMPARE(res.exitCode, 5);
    QCOMPARE(ReadAll(out.filePath(QStringLiteral("note.txt"))), QByteArray("host note"));
    res = RunHere(p + QStringList {QStringLiteral("get"), QStringLiteral("--to"), out.path(), QStringLiteral("--overwrite"),
                                  QStringLiteral("Backup/2026/Album")});
    QCOMPARE(res.exitCode, 0);
    QCOMPARE(ReadAll(out.filePath(QStringLiteral("Album/Sub/two.txt"))), QByteArray("two"));
    res = RunHere(p + QStringList {QStringLiteral("get"), QStringLiteral("--to"), out.path(), QStringLiteral("Nope")});
    QCOMPARE(res.exitCode, 1);
}

void TestCli::interruptCancelsCleanly_data()
{
    // A termination request (kill, timeout, a service stop) and a terminal
    // closed under the command stop it as Ctrl+C does.
    QTest::addColumn<int>("signal");
    QTest::newRow("Ctrl+C") << SIGINT;
    QTest::newRow("termination request") << SIGTERM;
    QTest::newRow("terminal closed") << SIGHUP;
}

void TestCli::interruptCancelsCleanly()
{
    QFETCH(int, signal);
    QTemporaryDir root;
    const QString r = root.path();
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    QFile big(root.filePath(QStringLiteral("big.bin")));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(4ll << 30));
    big.close();
    QProcess process;
    process.setProcessEnvironment(CliEnvironment());
    process.start(QStringLiteral(NIMBRA_CLI), p + QStringList {QStringLiteral("-q"), QStringLiteral("add"),
                                                               root.filePath(QStringLiteral("big.bin"))});
    QVERIFY(process.waitForStarted());
    // Wait until encryption is under way: the numbered file appears.
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(r + QStringLiteral("/Encrypted Data/1")) && timer.elapsed() < 20000)
        QThread::msleep(20);
    ::kill(static_cast<pid_t>(process.processId()), signal);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 5);
    QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains(QStringLiteral("Cancelled")));
    QVERIFY(!QFileInfo::exists(r + QStringLiteral("/Encrypted Data/1")));
    const Result res = RunCli(p + QStringList {QStringLiteral("check")});
    QCOMPARE(res.exitCode, 0);
}

void TestCli::openWritesBack()
{
    QTemporaryDir root;
    const QString r = root.path();
    const QStringList p = StoreWithTodoList(root);
    QVERIFY(!p.isEmpty());

    // The desktop's program for text files: a script that adds a line and ends.
    QTemporaryDir xdg;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QVERIFY(InstallTextProgram(xdg, "#!/bin/sh\necho 'buy bread' >> \"$1\"\nsleep 0.5\n", &env));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(NIMBRA_CLI), p + QStringList {QStringLiteral("open"), QStringLiteral("TODO.TXT")});
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(60000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("cat"), QStringLiteral("todo.txt")}).out, QStringLiteral("buy milk\nbuy bread\n"));
    QVERIFY(!QFileInfo::exists(r + QStringLiteral("/LaunchBin")));
}

void TestCli::openWaitsForADetachedWriter()
{
    QTemporaryDir root;
    const QString r = root.path();
    const QStringList p = StoreWithTodoList(root);
    QVERIFY(!p.isEmpty());

    // A program that hands the file to a process of a session of its own
    // and ends at once: the edit comes a second later.
    QTemporaryDir xdg;
    QHash<QString, QString> extra;
    QVERIFY(InstallTextProgram(xdg,
                               "#!/bin/sh\nsetsid sh -c 'sleep 1; echo \"buy bread\" >> \"$0\"' \"$1\" "
                               "</dev/null >/dev/null 2>&1 &\nexit 0\n",
                               &extra));
    const Result res = RunCli(p + QStringList {QStringLiteral("open"), QStringLiteral("todo.txt")}, {}, {}, extra);
    QVERIFY2(res.exitCode == 0, qPrintable(res.err));
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("cat"), QStringLiteral("todo.txt")}).out, QStringLiteral("buy milk\nbuy bread\n"));
    QVERIFY(!QFileInfo::exists(r + QStringLiteral("/LaunchBin")));
}

void TestCli::openKeepsACopyStillBeingWritten()
{
    QTemporaryDir root;
    const QString r = root.path();
    const QStringList p = StoreWithTodoList(root);
    QVERIFY(!p.isEmpty());

    // A detached writer that holds the copy open for writing past the wait's
    // limit, then closes it and says so in `done`.
    QTemporaryDir xdg;
    const QString done = xdg.filePath(QStringLiteral("done"));
    QHash<QString, QString> extra {{QStringLiteral("NIMBRA_OPEN_SETTLE"), QStringLiteral("200,1500")}};
    QVERIFY(InstallTextProgram(xdg,
                               "#!/bin/sh\nsetsid sh -c 'exec 3>>\"$0\"; sleep 1; echo \"buy bread\" >&3; sleep 4; "
                               "exec 3>&-; echo done > \"$1\"' \"$1\" \""
                                   + QFile::encodeName(done) + "\" </dev/null >/dev/null 2>&1 &\nexit 0\n",
                               &extra));
    Result res = RunCli(p + QStringList {QStringLiteral("open"), QStringLiteral("todo.txt")}, {}, {}, extra);
    // Neither stored nor wiped, and said so: the run fails, at the limit of
    // the wait rather than when the writer is done.
    QCOMPARE(res.exitCode, 1);
    QVERIFY(!QFileInfo::exists(done));
    QVERIFY2(res.err.contains(QStringLiteral("A program is still writing to \"todo.txt\"")), qPrintable(res.err));
    QVERIFY2(res.err.contains(QStringLiteral("\"todo.txt\" was still being written to by a program")), qPrintable(res.err));
    QVERIFY(QFileInfo::exists(r + QStringLiteral("/LaunchBin/todo.txt")));
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("cat"), QStringLiteral("todo.txt")}).out, QStringLiteral("buy milk\n"));
    QVERIFY(WaitUntilExists(done, 20000));

    // The next open's clean-up of leftovers stores the edit.
    QVERIFY(WriteAll(xdg.filePath(QStringLiteral("program.sh")), "#!/bin/sh\nexit 0\n"));
    res = RunCli(p + QStringList {QStringLiteral("open"), QStringLiteral("todo.txt")}, {}, {}, extra);
    QVERIFY2(res.exitCode == 0, qPrintable(res.err));
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("cat"), QStringLiteral("todo.txt")}).out, QStringLiteral("buy milk\nbuy bread\n"));
    QVERIFY(!QFileInfo::exists(r + QStringLiteral("/LaunchBin")));
}

void TestCli::openDoesNotWaitForeverOnAReader()
{
    QTemporaryDir root;
    const QString r = root.path();
    const QStringList p = StoreWithTodoList(root);
    QVERIFY(!p.isEmpty());

    // A program that edits the copy and leaves a process of its own reading
    // it for ten minutes: no one can answer the "still open" box here, so
    // the command gives up waiting at its limit, stores the edit and ends.
    QTemporaryDir xdg;
    QHash<QString, QString> extra {{QStringLiteral("NIMBRA_OPEN_SETTLE"), QStringLiteral("200,1500")}};
    QVERIFY(InstallTextProgram(xdg,
                               "#!/bin/sh\necho \"buy bread\" >> \"$1\"\n"
                               "setsid sh -c 'exec sleep 600' <\"$1\" >/dev/null 2>&1 &\nexit 0\n",
                               &extra));
    QElapsedTimer took;
    took.start();
    const Result res = RunCli(p + QStringList {QStringLiteral("open"), QStringLiteral("todo.txt")}, {}, {}, extra);
    QVERIFY2(res.exitCode == 0, qPrintable(res.err));
    QVERIFY2(took.elapsed() < 30000, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(res.err.count(QStringLiteral("still open")), 1);
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("cat"), QStringLiteral("todo.txt")}).out, QStringLiteral("buy milk\nbuy bread\n"));
    QVERIFY(!QFileInfo::exists(r + QStringLiteral("/LaunchBin")));
    (void)QProcess::execute(QStringLiteral("pkill"), {QStringLiteral("-f"), QStringLiteral("^sleep 600$")});
}

void TestCli::interruptDuringOpenLeavesNoCopy_data()
{
    interruptCancelsCleanly_data();
}

void TestCli::interruptDuringOpenLeavesNoCopy()
{
    QFETCH(int, signal);
    QTemporaryDir root;
    const QString r = root.path();
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    QByteArray text;
    while (text.size() < (48 << 20))
        text += "a line of a large text that takes a while to decrypt\n";
    QVERIFY(WriteAll(root.filePath(QStringLiteral("big.txt")), text));
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("add"), root.filePath(QStringLiteral("big.txt"))}).exitCode, 0);
    QTemporaryDir xdg;
    QProcessEnvironment env = CliEnvironment();
    QVERIFY(InstallTextProgram(xdg, "#!/bin/sh\nsleep 3\n", &env));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(NIMBRA_CLI), p + QStringList {QStringLiteral("-q"), QStringLiteral("open"), QStringLiteral("big.txt")});
    process.closeWriteChannel();
    QVERIFY(process.waitForStarted());
    // Ctrl+C as soon as the decryption has begun: a file in the launch folder.
    const auto launchFiles = [&r] {
        QStringList files;
        QDirIterator it(r + QStringLiteral("/LaunchBin"), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    };
    QElapsedTimer timer;
    timer.start();
    while (launchFiles().isEmpty() && timer.elapsed() < 20000)
        QThread::msleep(1);
    ::kill(static_cast<pid_t>(process.processId()), signal);
    QVERIFY(process.waitForFinished(60000));
    // Ended by its own clean-up, not by the signal: nothing decrypted stays.
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(launchFiles(), QStringList {});
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("check")}).exitCode, 0);
}

void TestCli::interruptAtThePressEnterPrompt()
{
    // The program handed the file on and ended at once, so the command waits
    // for Enter. Ctrl+C there must end the wait through the clean-up: the
    // read went on, and only a second Ctrl+C, which leaves the decrypted
    // copy behind, got out of it.
    if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
        QSKIP("script(1) is not installed");
    QTemporaryDir root;
    const QString r = root.path();
    const QStringList p = StoreWithTodoList(root);
    QVERIFY(!p.isEmpty());
    QTemporaryDir xdg;
    QProcessEnvironment env = CliEnvironment();
    QVERIFY(InstallTextProgram(xdg, "#!/bin/sh\nexit 0\n", &env));
    env.insert(QStringLiteral("NIMBRA_OPEN_SETTLE"), QStringLiteral("200,1500"));
    QProcess process;
    process.setProcessEnvironment(env);
    StartOnTerminal(process, p + QStringList {QStringLiteral("open"), QStringLiteral("todo.txt")});
    QVERIFY(process.waitForStarted());
    QByteArray transcript;
    while (!transcript.contains("Press Enter") && process.waitForReadyRead(30000))
        transcript += process.readAllStandardOutput();
    QVERIFY2(transcript.contains("Press Enter"), transcript.constData());
    QVERIFY(QFileInfo::exists(r + QStringLiteral("/LaunchBin/todo.txt")));
    process.write("\x03");  // Ctrl+C typed on the terminal
    QVERIFY(process.waitForBytesWritten());
    const bool ended = process.waitForFinished(30000);
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    QVERIFY2(ended, "Ctrl+C did not end the wait for Enter");
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(r + QStringLiteral("/LaunchBin/todo.txt")));
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("cat"), QStringLiteral("todo.txt")}).out, QStringLiteral("buy milk\n"));
}

void TestCli::onATerminal()
{
    if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
        QSKIP("script(1) is not installed");
    QTemporaryDir root;
    const QString r = root.path();
    // Passwords are typed without echo: the transcript never shows them.
    Result res = RunOnTerminal({QStringLiteral("--root"), r, QStringLiteral("init")}, "Tr1cky-secret\nTr1cky-secret\n");
    QVERIFY2(res.exitCode == 0, qPrintable(res.out));
    QVERIFY2(res.out.contains(QStringLiteral("Password: ")), qPrintable(res.out));
    QVERIFY2(!res.out.contains(QStringLiteral("Tr1cky-secret")), qPrintable(res.out));
    // Questions are asked and answered on the terminal.
    res = RunOnTerminal({QStringLiteral("--root"), r, QStringLiteral("wipe")}, "n\n");
    QCOMPARE(res.exitCode, 5);
    QVERIFY(res.out.contains(QStringLiteral("[Yes/No]")));
    QCOMPARE(RunCli({QStringLiteral("--root"), r, QStringLiteral("hint")}).exitCode, 0);
    // An answer longer than any line asks again; one with an accented letter,
    // typed in the user's language, is read as typed.
    const QByteArray rambling = QByteArray(400, 'y') + '\n';
    res = RunOnTerminal({QStringLiteral("--root"), r, QStringLiteral("wipe")}, rambling + "maybe\nno\n");
    QCOMPARE(res.exitCode, 5);
    QCOMPARE(res.out.count(QStringLiteral("Answer with one of: Yes, No")), 2);
    QCOMPARE(RunCli({QStringLiteral("--root"), r, QStringLiteral("hint")}).exitCode, 0);
    res = RunOnTerminal({QStringLiteral("--root"), r, QStringLiteral("wipe")}, "s\xc3\xad\n",
                        {{QStringLiteral("LANG"), QStringLiteral("es_ES.UTF-8")}});
    QVERIFY2(res.exitCode == 0, qPrintable(res.out));
    QVERIFY2(res.out.contains(QStringLiteral("[Sí/No]")), qPrintable(res.out));
    QCOMPARE(RunCli({QStringLiteral("--root"), r, QStringLiteral("hint")}).exitCode, 4);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
