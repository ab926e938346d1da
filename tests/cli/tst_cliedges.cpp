// nimbra-cli where the outside world is hostile or odd: stored names made to
// drive the terminal or leave the target folder, password sources that never
// end a line or never get a writer, a volume root that reads like variable
// references, and system error texts under a foreign environment language.

#include "CliTestSupport.h"
#include "TestSupport.h"

#include "security/FileStream.h"
#include "security/SecParams.h"
#include "store/EncryptedStore.h"
#include "store/StoreManifest.h"

#include <QDir>
#include <QFile>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace nbr;
using namespace nbr::test;

namespace {

// Writes entries into the list of the stored folder at `displayPath` as a
// crafted stick would hold them: names no import lets through, and no
// stored item behind them. The store's password is "secret1".
bool AddCraftedEntries(const QString& root, const QString& displayPath, const QStringList& fileNames)
{
    auto* stream = new FileStream;
    bool ok = false;
    if (stream->Open(root + QStringLiteral("/Encrypted Data/secparams.enc")) == S_OK) {
        SecParams params;
        params.AttachStream(stream);
        const QByteArray pw = Utf16Le(QStringLiteral("secret1"));
        if (params.Unlock(reinterpret_cast<const std::uint8_t*>(pw.constData()), static_cast<std::size_t>(pw.size())) == S_OK) {
            const EncryptedStore store(root + QStringLiteral("/Encrypted Data"), params);
            QString stored;
            ManifestEntry entry;
            StoreManifest manifest(params);
            if (Succeeded(store.Resolve(displayPath, &stored, &entry)))
                manifest.Open(EncryptedStore::ManifestPathOf(stored), false);
            if (manifest.IsLoaded()) {
                for (const QString& name : fileNames)
                    (void)manifest.AddEntry(name, false, 0, stored);
                ok = manifest.Save() == S_OK;
            }
        }
    }
    stream->Release();
    return ok;
}

// Runs nimbra-cli through the shell, so that `redirection` can close or
// redirect its standard streams as a script or a cron job would.
Result RunRedirected(const QStringList& arguments, const QString& redirection)
{
    QProcess process;
    process.setProcessEnvironment(CliEnvironment());
    process.start(QStringLiteral("/bin/sh"), QStringList {QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$@\" ") + redirection,
                                                           QStringLiteral(NIMBRA_CLI)} + arguments);
    Result result;
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

}  // namespace

class TestCliEdges : public QObject {
    Q_OBJECT

private slots:
    void emptiedKeyFileBesideItems();
    void readOnlyStickSaysWhy();
    void closedStreamsTakeNothingIn_data();
    void closedStreamsTakeNothingIn();
    void getTargetThatIsNoFolder_data();
    void getTargetThatIsNoFolder();
    void getNeverIntoTheStick_data();
    void getNeverIntoTheStick();
    void getNeverMergesIntoTheStick();
    void fileNamedLikeTheLaunchFolderIsLeftAlone();
    void listCallingAFolderAFileIsDamage();
    void outputThatCannotBeWrittenFails_data();
    void outputThatCannotBeWrittenFails();
    void storeInFolderWithPercentSigns();
    void systemTextsFollowTheChosenLanguage();
    void namesCannotDriveTheTerminal();
    void getThatSkipsFails();
    void passwordSources_data();
    void passwordSources();
    void newPasswordFromUnusableInput();
    void emptyPasswordLinesNeverCount_data();
    void emptyPasswordLinesNeverCount();
    void passwordFromFifoWithWriter();
    void progressLineShowsNamesEscaped();
};

void TestCliEdges::storeInFolderWithPercentSigns()
{
    QTemporaryDir base;
    const QString r = base.filePath(QStringLiteral("50%OFF%sale"));
    QVERIFY(QDir().mkpath(r));
    Result res = RunHere({QStringLiteral("--root"), r, QStringLiteral("init")}, "secret1\nsecret1\n");
    QCOMPARE(res.exitCode, 0);
    QVERIFY2(res.out.contains(r + QStringLiteral("/Encrypted Data")), qPrintable(res.out));
    QVERIFY(QFileInfo::exists(r + QStringLiteral("/Encrypted Data/secparams.enc")));
    // Nothing was made anywhere else.
    QCOMPARE(QDir(base.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList {QStringLiteral("50%OFF%sale")});
    res = RunHere({QStringLiteral("--root"), r, QStringLiteral("ls")}, "secret1\n");
    QCOMPARE(res.exitCode, 0);
}

void TestCliEdges::systemTextsFollowTheChosenLanguage()
{
    // The C library would answer in Spanish here; the program speaks English
    // and, once French is chosen, French.
    QTemporaryDir config;
    const QHash<QString, QString> env {{QStringLiteral("LANGUAGE"), QStringLiteral("es")},
                                       {QStringLiteral("XDG_CONFIG_HOME"), config.path()}};
    Result res = RunCli({QStringLiteral("inspect"), QStringLiteral("/nonexistent/file")}, {}, {}, env);
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("System (0x00000003): No such file or directory")), qPrintable(res.err));
    QVERIFY(QDir().mkpath(config.filePath(QStringLiteral("Orvane"))));
    QVERIFY(WriteAll(config.filePath(QStringLiteral("Orvane/Nimbra.conf")), "[1.0.0.1]\nlanguageIndex=2\n"));
    res = RunCli({QStringLiteral("inspect"), QStringLiteral("/nonexistent/file")}, {}, {}, env);
    QVERIFY2(res.err.contains(QStringLiteral("Système (0x00000003) : Aucun fichier ou dossier de ce nom")), qPrintable(res.err));
}

void TestCliEdges::namesCannotDriveTheTerminal()
{
    QTemporaryDir root;
    QTemporaryDir host;
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    QVERIFY(QDir().mkpath(host.filePath(QStringLiteral("Album"))));
    QVERIFY(WriteAll(host.filePath(QStringLiteral("Album/one.txt")), "one"));
    QVERIFY(WriteAll(host.filePath(QStringLiteral("Album/red\x1b[31mtext")), "red"));
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("add"), host.filePath(QStringLiteral("Album"))}).exitCode, 0);
    QVERIFY(AddCraftedEntries(root.path(), QStringLiteral("Album"),
                              {QStringLiteral("clear\x1b[2J\x1b[H"), QStringLiteral("title\x1b]0;pwned\x07"),
                               QStringLiteral("two\nlines"), QStringLiteral("back\\slash\rreturn"),
                               QStringLiteral("mirror\u202Etxt.exe"), QStringLiteral("$'looks quoted'")}));

    const Result res = RunHere(p + QStringList {QStringLiteral("ls"), QStringLiteral("-R")});
    QCOMPARE(res.exitCode, 0);
    for (const QChar c : res.out) {
        if (c != QLatin1Char('\n'))
            QVERIFY2(c.unicode() >= 0x20 && c.unicode() != 0x7F && c.unicode() != 0x202E, qPrintable(res.out));
    }
    // One line per item, each name as the shell would read it back.
    const QStringList lines = res.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList expected {QStringLiteral("Album/"), QStringLiteral("Album/one.txt"),
                                QStringLiteral("$'Album/red\\e[31mtext'"), QStringLiteral("$'Album/clear\\e[2J\\e[H'"),
                                QStringLiteral("$'Album/title\\e]0;pwned\\a'"), QStringLiteral("$'Album/two\\nlines'"),
                                QStringLiteral("$'Album/back\\\\slash\\rreturn'"), QStringLiteral("$'Album/mirror\\u202etxt.exe'"),
                                QStringLiteral("$'Album/$\\'looks quoted\\''")};
    QCOMPARE(QSet<QString>(lines.begin(), lines.end()), QSet<QString>(expected.begin(), expected.end()));
    QCOMPARE(lines.size(), expected.size());

    // The hint is readable without the password, so anyone can plant one.
    QTemporaryDir other;
    QCOMPARE(RunHere({QStringLiteral("--root"), other.path(), QStringLiteral("init"), QStringLiteral("--hint"),
                     QStringLiteral("blue\x1b[2J\x1b]0;x\x07")},
                    "secret1\nsecret1\n").exitCode,
             0);
    const Result hint = RunHere({QStringLiteral("--root"), other.path(), QStringLiteral("hint")});
    QCOMPARE(hint.out, QStringLiteral("Password hint: blue\\e[2J\\e]0;x\\a\n"));
}

void TestCliEdges::getThatSkipsFails()
{
    QTemporaryDir root;
    QTemporaryDir host;
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    QVERIFY(QDir().mkpath(host.filePath(QStringLiteral("Album"))));
    QVERIFY(WriteAll(host.filePath(QStringLiteral("Album/one.txt")), "one"));
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("add"), host.filePath(QStringLiteral("Album"))}).exitCode, 0);
    // Names that would leave the target folder, one of them with an escape sequence.
    QVERIFY(AddCraftedEntries(root.path(), QStringLiteral("Album"),
                              {QStringLiteral(".."), QStringLiteral("up/\x1b[2Jthere")}));

    QTemporaryDir out;
    const Result res = RunHere(p + QStringList {QStringLiteral("get"), QStringLiteral("--to"), out.path(), QStringLiteral("Album")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("cannot be used on this computer (\"..\")")), qPrintable(res.err));
    QVERIFY2(res.err.contains(QStringLiteral("(\"up/\\e[2Jthere\")")), qPrintable(res.err));
    QVERIFY(!res.err.contains(QChar(0x1B)));
    QVERIFY2(res.err.contains(QStringLiteral("Not everything was decrypted: see the 2 message(s) above.")), qPrintable(res.err));
    // The rest came out, and nothing outside the target.
    QCOMPARE(ReadAll(out.filePath(QStringLiteral("Album/one.txt"))), QByteArray("one"));
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList {QStringLiteral("Album")});
}

void TestCliEdges::passwordSources_data()
{
    QTest::addColumn<QByteArray>("content");  // of the password file; empty: see `source`
    QTest::addColumn<QString>("source");      // a path instead of a file with `content`
    QTest::addColumn<bool>("asStandardInput");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QString kind = QStringLiteral("A password can only be read from a file, a pipe or a terminal.");
    const QString tooLong = QStringLiteral("The first line is too long for a password (more than 4096 bytes).");
    QTest::newRow("endless device") << QByteArray() << "/dev/zero" << false << 1 << kind;
    QTest::newRow("endless device on standard input") << QByteArray() << "/dev/zero" << true << 1 << kind;
    QTest::newRow("empty device") << QByteArray() << "/dev/null" << false << 1 << kind;
    QTest::newRow("folder") << QByteArray() << "/" << false << 1 << kind;
    QTest::newRow("file of zero bytes, no line end") << QByteArray(100000, '\0') << QString() << false << 1 << tooLong;
    QTest::newRow("line one byte too long") << QByteArray(4097, 'x') + '\n' << QString() << true << 1 << tooLong;
    QTest::newRow("longest line: read, and wrong") << QByteArray(4096, 'x') + '\n' << QString() << false << 3 << "";
    QTest::newRow("last line without its end") << QByteArray("secret1") << QString() << true << 0 << "";
    QTest::newRow("Windows line end") << QByteArray("secret1\r\nrest") << QString() << false << 0 << "";
    QTest::newRow("empty file") << QByteArray("") << QStringLiteral("empty") << false << 1 << "No password was given.";
}

void TestCliEdges::passwordSources()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, source);
    QFETCH(bool, asStandardInput);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir root;
    bool ready = false;
    QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    p = p.mid(0, 2);  // the password comes from the row
    QString path = source;
    if (source.isEmpty() || source == QLatin1String("empty")) {
        path = root.filePath(QStringLiteral("row"));
        QVERIFY(WriteAll(path, content));
    }
    const QStringList arguments = asStandardInput ? p + QStringList {QStringLiteral("ls")}
                                                  : p + QStringList {QStringLiteral("--password-file"), path, QStringLiteral("ls")};
    const Result res = RunCli(arguments, {}, asStandardInput ? path : QStringLiteral("/dev/null"));
    QCOMPARE(res.exitCode, exitCode);
    QVERIFY2(res.err.contains(message), qPrintable(res.err));
}

void TestCliEdges::emptyPasswordLinesNeverCount_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("asStandardInput");
    QTest::newRow("empty line in the file") << QByteArray("\n") << false;
    QTest::newRow("Windows line end alone") << QByteArray("\r\n") << false;
    QTest::newRow("empty line on standard input") << QByteArray("\n") << true;  // echo "$UNSET" | nimbra-cli
}

void TestCliEdges::emptyPasswordLinesNeverCount()
{
    // A script whose password variable is unset feeds an empty line at
    // every run: that is no wrong guess, and must not add up to the wipe.
    QFETCH(QByteArray, line);
    QFETCH(bool, asStandardInput);
    QTemporaryDir root;
    bool ready = false;
    QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    QVERIFY(WriteAll(root.filePath(QStringLiteral("a.txt")), "kept"));
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("add"), root.filePath(QStringLiteral("a.txt"))}).exitCode, 0);
    const QStringList bare = p.mid(0, 2);
    const QString file = root.filePath(QStringLiteral("blank"));
    QVERIFY(WriteAll(file, line));
    const QStringList arguments = asStandardInput ? bare + QStringList {QStringLiteral("ls")}
                                                  : bare + QStringList {QStringLiteral("--password-file"), file, QStringLiteral("ls")};
    for (int run = 0; run < 11; ++run) {
        const Result res = RunHere(arguments, asStandardInput ? line : QByteArray());
        QCOMPARE(res.exitCode, 1);
        QVERIFY2(res.err.contains(QStringLiteral("No password was given.")), qPrintable(res.err));
        QVERIFY2(!res.err.contains(QStringLiteral("attempt")), qPrintable(res.err));
    }
    const Result listed = RunHere(p + QStringList {QStringLiteral("ls")});
    QCOMPARE(listed.exitCode, 0);
    QCOMPARE(listed.out, QStringLiteral("a.txt\n"));
    // A real wrong guess still counts.
    QVERIFY(WriteAll(file, "wrong-password\n"));
    QCOMPARE(RunHere(bare + QStringList {QStringLiteral("--password-file"), file, QStringLiteral("ls")}).exitCode, 3);
}

void TestCliEdges::newPasswordFromUnusableInput()
{
    QTemporaryDir root;
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    // The current password comes from the file, the new one from standard
    // input: the error is about the input, and the file is not blamed.
    const Result res = RunCli(p + QStringList {QStringLiteral("passwd")}, {}, QStringLiteral("/dev/null"));
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("A password can only be read from a file, a pipe or a terminal.")),
             qPrintable(res.err));
    QVERIFY2(!res.err.contains(root.filePath(QStringLiteral("pw"))), qPrintable(res.err));
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("ls")}).exitCode, 0);
}

void TestCliEdges::passwordFromFifoWithWriter()
{
    QTemporaryDir root;
    bool ready = false;
    QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    const QString fifo = root.filePath(QStringLiteral("fifo"));
    QVERIFY(QProcess::execute(QStringLiteral("mkfifo"), {fifo}) == 0);
    // The writer comes a moment after nimbra-cli waits, as a password manager would.
    QProcess writer;
    writer.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("sleep 1; printf 'secret1\\n' > \"$0\""), fifo});
    const Result res = RunCli(p.mid(0, 2) + QStringList {QStringLiteral("--password-file"), fifo, QStringLiteral("ls")});
    QVERIFY(writer.waitForFinished(10000));
    QVERIFY2(res.exitCode == 0, qPrintable(res.err));

    // The shell's process substitution hands over a pipe by its /dev/fd name.
    QProcess bash;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Config());
    bash.setProcessEnvironment(env);
    bash.start(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral("\"$0\" --root \"$1\" --password-file <(echo secret1) ls"),
                                        QStringLiteral(NIMBRA_CLI), root.path()});
    QVERIFY(bash.waitForFinished(30000));
    QVERIFY2(bash.exitCode() == 0, bash.readAllStandardError().constData());
}

void TestCliEdges::progressLineShowsNamesEscaped()
{
    if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
        QSKIP("script(1) is not installed");
    QTemporaryDir root;
    QTemporaryDir host;
    QTemporaryDir out;
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    const QString name = QStringLiteral("clear\x1b[2Jme");
    QVERIFY(WriteAll(host.filePath(name), Pattern(3000000)));
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("add"), host.filePath(name)}).exitCode, 0);
    const Result res = RunOnTerminal(p + QStringList {QStringLiteral("get"), QStringLiteral("--to"), out.path(), name}, {});
    QCOMPARE(res.exitCode, 0);
    QVERIFY2(res.out.contains(QStringLiteral("$'clear\\e[2Jme'")), qPrintable(res.out));
    QVERIFY(!res.out.contains(QStringLiteral("\x1b[2J")));
    QCOMPARE(ReadAll(out.filePath(name)), Pattern(3000000));
}

void TestCliEdges::emptiedKeyFileBesideItems()
{
    QTemporaryDir root;
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    QVERIFY(WriteAll(root.filePath(QStringLiteral("a.txt")), "kept"));
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("add"), root.filePath(QStringLiteral("a.txt"))}).exitCode, 0);
    // The key file emptied (a stick pulled while it was replaced by another
    // program, say): the items are there, the key is not. Not "use init".
    QVERIFY(WriteAll(root.filePath(QStringLiteral("Encrypted Data/secparams.enc")), QByteArray()));
    const Result listed = RunHere(p + QStringList {QStringLiteral("ls")});
    QVERIFY(listed.exitCode != 0);
    QVERIFY2(listed.err.contains(QStringLiteral("no key that opens them")), qPrintable(listed.err));
    QVERIFY(!listed.err.contains(QStringLiteral("init")));
}

void TestCliEdges::readOnlyStickSaysWhy()
{
    QTemporaryDir base;
    const QString stick = base.filePath(QStringLiteral("stick"));
    QVERIFY(QDir().mkpath(stick));
    const QByteArray where = QFile::encodeName(stick);
    if (::geteuid() != 0 || ::mount("tmpfs", where.constData(), "tmpfs", 0, "size=4m") != 0)
        QSKIP("no tmpfs can be mounted here");
    const QStringList p = {QStringLiteral("--root"), stick};
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("init")}, "secret1\nsecret1\n").exitCode, 0);
    QVERIFY(WriteAll(base.filePath(QStringLiteral("a.txt")), "kept"));
    QCOMPARE(RunHere(p + QStringList {QStringLiteral("add"), base.filePath(QStringLiteral("a.txt"))}, "secret1\n").exitCode, 0);
    // The stick's lock switch, as the system sees it.
    QCOMPARE(::mount(nullptr, where.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    for (const char* command : {"ls", "check"}) {
        const Result res = RunHere(p + QStringList {QString::fromLatin1(command)}, "secret1\n");
        QVERIFY(res.exitCode != 0);
        QVERIFY2(res.err.contains(QStringLiteral("The stick is read-only")) && res.err.contains(QStringLiteral("count failed attempts")),
                 qPrintable(res.err));
    }
    (void)::umount(where.constData());
}

void TestCliEdges::closedStreamsTakeNothingIn_data()
{
    QTest::addColumn<QString>("redirection");
    QTest::newRow("error") << QStringLiteral("2>&-");
    QTest::newRow("output and error") << QStringLiteral(">&- 2>&-");
    QTest::newRow("all three") << QStringLiteral("<&- >&- 2>&-");
}

void TestCliEdges::closedStreamsTakeNothingIn()
{
    // A job started with its streams closed: the files the run opens must
    // not take their numbers, or the messages of the run (here the one
    // about a pipe that is not stored) are written into the key file or a
    // stored file.
    QFETCH(QString, redirection);
    QTemporaryDir root;
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    const QString source = root.filePath(QStringLiteral("src"));
    QVERIFY(QDir().mkpath(source));
    QVERIFY(WriteAll(source + QStringLiteral("/a.bin"), Pattern(300000, 7)));
    QVERIFY(WriteAll(source + QStringLiteral("/b.txt"), "kept"));
    QCOMPARE(::mkfifo(QFile::encodeName(source + QStringLiteral("/pipe")).constData(), 0600), 0);

    QCOMPARE(RunRedirected(p + QStringList {QStringLiteral("add"), source}, redirection).exitCode, 1);

    QDirIterator it(root.filePath(QStringLiteral("Encrypted Data")), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        QVERIFY2(!ReadAll(file).contains("nimbra-cli"), qPrintable(file));
    }
    const QString out = root.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    const Result got = RunCli(p + QStringList {QStringLiteral("get"), QStringLiteral("--to"), out, QStringLiteral("src")});
    QCOMPARE(got.exitCode, 0);
    QCOMPARE(ReadAll(out + QStringLiteral("/src/a.bin")), Pattern(300000, 7));
    QCOMPARE(ReadAll(out + QStringLiteral("/src/b.txt")), QByteArray("kept"));
}

void TestCliEdges::outputThatCannotBeWrittenFails_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("redirection");
    QTest::newRow("recovery key to a full disk") << QStringList {QStringLiteral("recovery-key")} << QStringLiteral(">/dev/full");
    QTest::newRow("listing to a full disk") << QStringList {QStringLiteral("ls"), QStringLiteral("-l")} << QStringLiteral(">/dev/full");
    QTest::newRow("json to a full disk") << QStringList {QStringLiteral("ls"), QStringLiteral("--json")} << QStringLiteral(">/dev/full");
    QTest::newRow("hint to a closed output") << QStringList {QStringLiteral("hint")} << QStringLiteral(">&-");
    QTest::newRow("listing to a closed output") << QStringList {QStringLiteral("ls")} << QStringLiteral(">&-");
    QTest::newRow("help to a full disk") << QStringList {QStringLiteral("help")} << QStringLiteral(">/dev/full");
}

void TestCliEdges::outputThatCannotBeWrittenFails()
{
    // A script that keeps what nimbra-cli writes (the recovery key above
    // all) must learn that it was never written.
    QFETCH(QStringList, arguments);
    QFETCH(QString, redirection);
    QTemporaryDir root;
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    QVERIFY(WriteAll(root.filePath(QStringLiteral("a.txt")), "kept"));
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("add"), root.filePath(QStringLiteral("a.txt"))}).exitCode, 0);
    const Result res = RunRedirected(p + arguments, redirection);
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("Standard output could not be written")), qPrintable(res.err));
    // The same to a place that takes it ends well.
    QCOMPARE(RunRedirected(p + arguments, QStringLiteral(">/dev/null")).exitCode, 0);
}

void TestCliEdges::getTargetThatIsNoFolder_data()
{
    QTest::addColumn<QString>("to");  // under the volume root
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << QStringLiteral("nowhere") << QStringLiteral("/nowhere\" does not exist.");
    QTest::newRow("a file") << QStringLiteral("pw") << QStringLiteral("/pw\" is a file, not a folder.");
}

void TestCliEdges::getTargetThatIsNoFolder()
{
    QFETCH(QString, to);
    QFETCH(QString, message);
    QTemporaryDir root;
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    const Result res = RunHere(p + QStringList {QStringLiteral("get"), QStringLiteral("--to"), root.filePath(to), QStringLiteral("x")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(message), qPrintable(res.err));
}

void TestCliEdges::getNeverIntoTheStick_data()
{
    QTest::addColumn<QString>("to");  // under the volume root
    QTest::newRow("the store") << QStringLiteral("Encrypted Data");
    QTest::newRow("a stored folder's own folder") << QStringLiteral("Encrypted Data/1");
    QTest::newRow("the store by another way") << QStringLiteral("elsewhere/../Encrypted Data/");
    QTest::newRow("a link to the store") << QStringLiteral("link");
    QTest::newRow("the launch folder") << QStringLiteral("LaunchBin");
}

void TestCliEdges::getNeverIntoTheStick()
{
    // Decrypted copies among the encrypted items would pass for stored ones,
    // and a stored "secparams.enc" would replace the key file.
    QFETCH(QString, to);
    QTemporaryDir root;
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    const QString source = root.filePath(QStringLiteral("src"));
    QVERIFY(QDir().mkpath(source));
    QVERIFY(WriteAll(source + QStringLiteral("/secparams.enc"), "plain words"));
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("elsewhere"))));
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("LaunchBin"))));
    QVERIFY(QFile::link(root.filePath(QStringLiteral("Encrypted Data")), root.filePath(QStringLiteral("link"))));
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("add"), source}).exitCode, 0);
    const QByteArray key = ReadAll(root.filePath(QStringLiteral("Encrypted Data/secparams.enc")));

    const QString target = root.filePath(to);
    for (const QString& item : {QStringLiteral("src"), QStringLiteral("src/secparams.enc")}) {
        const Result res = RunCli(p + QStringList {QStringLiteral("get"), QStringLiteral("--overwrite"), QStringLiteral("--to"), target, item});
        QCOMPARE(res.exitCode, 1);
        QVERIFY2(res.err.contains(QStringLiteral("decrypted copies cannot be put there")), qPrintable(res.err));
    }
    QDirIterator it(root.filePath(QStringLiteral("Encrypted Data")), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = it.next().section(QLatin1Char('/'), -1);
        QVERIFY2(name != QLatin1String("src"), qPrintable(it.filePath()));
    }
    QVERIFY(QDir(root.filePath(QStringLiteral("LaunchBin"))).isEmpty());
    QCOMPARE(ReadAll(root.filePath(QStringLiteral("Encrypted Data/secparams.enc"))).size(), key.size());
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("check")}).exitCode, 0);
}

void TestCliEdges::getNeverMergesIntoTheStick()
{
    // A stored folder that bears the store's own name (a copy of another
    // stick's store, say) taken out at the top of this stick: it would
    // merge into the live store, its key file over this one's.
    QTemporaryDir root;
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    QTemporaryDir other;
    for (const QString& name : {QStringLiteral("Encrypted Data"), QStringLiteral("LaunchBin")}) {
        QVERIFY(QDir().mkpath(other.filePath(name)));
        QVERIFY(WriteAll(other.filePath(name + QStringLiteral("/secparams.enc")), "another stick's"));
    }
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("add"), other.filePath(QStringLiteral("Encrypted Data")),
                                     other.filePath(QStringLiteral("LaunchBin"))}).exitCode, 0);
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("LaunchBin"))));
    const Result res = RunCli(p + QStringList {QStringLiteral("get"), QStringLiteral("--overwrite"), QStringLiteral("--to"), root.path(),
                                               QStringLiteral("Encrypted Data"), QStringLiteral("LaunchBin")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.count(QStringLiteral("decrypted copies cannot be put there")) == 2, qPrintable(res.err));
    QVERIFY(ReadAll(root.filePath(QStringLiteral("Encrypted Data/secparams.enc"))) != "another stick's");
    QVERIFY(QDir(root.filePath(QStringLiteral("LaunchBin"))).isEmpty());
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("ls")}).exitCode, 0);
    // Elsewhere they come out as any folder does.
    QTemporaryDir out;
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("get"), QStringLiteral("--to"), out.path(), QStringLiteral("Encrypted Data")}).exitCode, 0);
    QCOMPARE(ReadAll(out.filePath(QStringLiteral("Encrypted Data/secparams.enc"))), QByteArray("another stick's"));
}

void TestCliEdges::fileNamedLikeTheLaunchFolderIsLeftAlone()
{
    // A file of the user's own where the launch folder goes: open took it
    // for an earlier run's leftovers and deleted it. It is now refused, the
    // file kept, and a stored file of that name never comes out there.
    QTemporaryDir root;
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    QTemporaryDir host;
    QVERIFY(WriteAll(host.filePath(QStringLiteral("a.txt")), "hello"));
    QVERIFY(WriteAll(host.filePath(QStringLiteral("launchbin")), "stored"));
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("add"), host.filePath(QStringLiteral("a.txt")),
                                     host.filePath(QStringLiteral("launchbin"))}).exitCode, 0);
    const QString own = root.filePath(QStringLiteral("LaunchBin"));
    QVERIFY(WriteAll(own, "my own notes"));
    Result res = RunCli(p + QStringList {QStringLiteral("open"), QStringLiteral("a.txt")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("a file of that name is in its place")), qPrintable(res.err));
    QVERIFY2(!res.err.contains(QStringLiteral("did not end properly")), qPrintable(res.err));
    QCOMPARE(ReadAll(own), QByteArray("my own notes"));
    QVERIFY(QFile::remove(own));
    // Names are compared as a stick's file system does: without case.
    res = RunCli(p + QStringList {QStringLiteral("get"), QStringLiteral("--to"), root.path(), QStringLiteral("launchbin")});
    QCOMPARE(res.exitCode, 1);
    QVERIFY2(res.err.contains(QStringLiteral("decrypted copies cannot be put there")), qPrintable(res.err));
    QVERIFY(!QFileInfo::exists(own));
    QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("launchbin"))));
}

void TestCliEdges::listCallingAFolderAFileIsDamage()
{
    // Another folder's valid list put in place of this one's: its file entry
    // names what is a folder here. get made an empty folder and ended 0.
    QTemporaryDir root;
    bool ready = false;
    const QStringList p = SetUpStore(root, &ready);
    QVERIFY(ready);
    QTemporaryDir host;
    QVERIFY(QDir().mkpath(host.filePath(QStringLiteral("src/sub"))));
    QVERIFY(WriteAll(host.filePath(QStringLiteral("src/sub/b.txt")), "x"));
    QCOMPARE(RunCli(p + QStringList {QStringLiteral("add"), host.filePath(QStringLiteral("src"))}).exitCode, 0);
    const QString data = root.filePath(QStringLiteral("Encrypted Data"));
    QVERIFY(QFile::remove(data + QStringLiteral("/1/.manifest")));
    QVERIFY(QFile::copy(data + QStringLiteral("/1/1/.manifest"), data + QStringLiteral("/1/.manifest")));
    QTemporaryDir out;
    for (const QString& item : {QStringLiteral("src/b.txt"), QStringLiteral("src")}) {
        const Result res = RunCli(p + QStringList {QStringLiteral("get"), QStringLiteral("--to"), out.path(), item});
        QCOMPARE(res.exitCode, 1);
        QVERIFY2(res.err.contains(QStringLiteral("b.txt\" was not copied out. The contents list")), qPrintable(res.err));
    }
    QVERIFY(!QFileInfo::exists(out.filePath(QStringLiteral("b.txt"))));
    QVERIFY(!QFileInfo::exists(out.filePath(QStringLiteral("src/b.txt"))));
}

QTEST_GUILESS_MAIN(TestCliEdges)
#include "tst_cliedges.moc"
