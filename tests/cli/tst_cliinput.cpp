// What nimbra-cli reads and writes at the terminal's edge: the password
// sources (FIFOs with and without a writer, devices, long lines) and the
// escaping of names, checked against the shell that reads the quoting back.

#include "CliTestSupport.h"
#include "TestSupport.h"

#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "cli/TerminalText.h"
#include "platform/SecretSource.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace nbr;
using namespace nbr::cli;
using namespace nbr::test;

namespace {

// Opens `fifo` for writing after `openAfterMs`, writes `line` after a further
// `writeAfterMs`, and closes it.
std::thread Writer(const QString& fifo, int openAfterMs, int writeAfterMs, QByteArray line)
{
    return std::thread([path = QFile::encodeName(fifo), openAfterMs, writeAfterMs, line = std::move(line)] {
        std::this_thread::sleep_for(std::chrono::milliseconds(openAfterMs));
        const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(writeAfterMs));
        (void)!::write(fd, line.constData(), static_cast<std::size_t>(line.size()));
        ::close(fd);
    });
}

Status ReadFrom(const QString& path, int writerWaitMs, QByteArray* line, std::size_t capacity = 64)
{
    SecretSource source;
    source.SetWriterWait(writerWaitMs);
    Status s = source.Open(path);
    if (Failed(s))
        return s;
    QByteArray buffer(static_cast<qsizetype>(capacity), '\0');
    std::size_t length = 0;
    s = source.ReadLine(reinterpret_cast<std::uint8_t*>(buffer.data()), capacity, &length);
    *line = buffer.left(static_cast<qsizetype>(length));
    return s;
}

}  // namespace

class TestCliInput : public QObject {
    Q_OBJECT

private slots:
    void fifoWithoutWriter();
    void fifoWriterThatTakesItsTime();
    void fifoWriterBeforeTheRead();
    void sources_data();
    void sources();
    void quoting_data();
    void quoting();
    void quotingReadsBackInTheShell();
    void passwordFileOddBytes();
};

void TestCliInput::fifoWithoutWriter()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QByteArray line;
    QCOMPARE(ReadFrom(fifo, 200, &line), SecretSource::kNoWriter);
}

void TestCliInput::fifoWriterThatTakesItsTime()
{
    // The writer opens within the wait, then takes far longer than the wait
    // to write: once it is there, its line is waited for.
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    std::thread writer = Writer(fifo, 50, 800, "late secret\nnext line\n");
    QByteArray line;
    const Status s = ReadFrom(fifo, 400, &line);
    writer.join();
    QCOMPARE(s, S_OK);
    QCOMPARE(line, QByteArray("late secret"));
}

void TestCliInput::fifoWriterBeforeTheRead()
{
    // A writer that wrote its line and left before the read: the line is
    // still in the FIFO and is read.
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    SecretSource source;
    QCOMPARE(source.Open(fifo), S_OK);
    std::thread writer = Writer(fifo, 0, 0, "early\r\n");
    writer.join();
    QByteArray buffer(64, '\0');
    std::size_t length = 0;
    QCOMPARE(source.ReadLine(reinterpret_cast<std::uint8_t*>(buffer.data()), 64, &length), S_OK);
    QCOMPARE(buffer.left(static_cast<qsizetype>(length)), QByteArray("early"));
}

void TestCliInput::sources_data()
{
    QTest::addColumn<QString>("path");       // empty: a file with `content`
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<Status>("status");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("first line") << QString() << QByteArray("one\ntwo\n") << 64 << S_OK << QByteArray("one");
    QTest::newRow("exactly the capacity") << QString() << QByteArray("abcd\n") << 4 << S_OK << QByteArray("abcd");
    QTest::newRow("one byte over") << QString() << QByteArray("abcde\n") << 4 << SecretSource::kLineTooLong << QByteArray();
    QTest::newRow("over, no line end") << QString() << QByteArray(1 << 20, 'z') << 64 << SecretSource::kLineTooLong
                                       << QByteArray();
    QTest::newRow("no line end") << QString() << QByteArray("last") << 64 << S_OK << QByteArray("last");
    QTest::newRow("empty line") << QString() << QByteArray("\nx\n") << 64 << S_OK << QByteArray();
    QTest::newRow("nothing") << QString() << QByteArray() << 64 << S_FALSE << QByteArray();
    QTest::newRow("zero device") << QStringLiteral("/dev/zero") << QByteArray() << 64 << SecretSource::kNotALineSource
                                 << QByteArray();
    QTest::newRow("random device") << QStringLiteral("/dev/urandom") << QByteArray() << 64
                                   << SecretSource::kNotALineSource << QByteArray();
    QTest::newRow("folder") << QStringLiteral("/") << QByteArray() << 64 << SecretSource::kNotALineSource << QByteArray();
    QTest::newRow("missing") << QStringLiteral("/nonexistent/pw") << QByteArray() << 64
                             << StatusFromWin32(win32::kPathNotFound) << QByteArray();
}

void TestCliInput::sources()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, content);
    QFETCH(int, capacity);
    QFETCH(Status, status);
    QFETCH(QByteArray, line);
    QTemporaryDir dir;
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("pw"));
        QVERIFY(WriteAll(path, content));
    }
    QByteArray read;
    QCOMPARE(ReadFrom(path, 100, &read, static_cast<std::size_t>(capacity)), status);
    QCOMPARE(read, line);
}

void TestCliInput::quoting_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("quoted");
    QTest::addColumn<QString>("visible");
    QTest::newRow("plain") << "Holiday 2026.jpg" << "Holiday 2026.jpg" << "Holiday 2026.jpg";
    QTest::newRow("quotes and backslashes alone") << "it's a\\b" << "it's a\\b" << "it's a\\b";
    QTest::newRow("accents") << "Été" << "Été" << "Été";
    QTest::newRow("outside the basic plane") << "smile \U0001F600" << "smile \U0001F600" << "smile \U0001F600";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("line break") << "a\nb" << "$'a\\nb'" << "a\nb";
    QTest::newRow("escape sequence") << "\x1b[2Jx" << "$'\\e[2Jx'" << "\\e[2Jx";
    QTest::newRow("carriage return") << "ok\rbad" << "$'ok\\rbad'" << "ok\\rbad";
    QTest::newRow("tab and bell") << "a\tb\a" << "$'a\\tb\\a'" << "a\\tb\\a";
    QTest::newRow("other control") << QString("x") + QChar(1) << "$'x\\x01'" << "x\\x01";
    QTest::newRow("delete") << "x\x7f" << "$'x\\x7f'" << "x\\x7f";
    QTest::newRow("C1 control sequence introducer") << QString("x") + QChar(0x9B) << "$'x\\u009b'" << "x\\u009b";
    QTest::newRow("right-to-left override") << "cod\u202Etxt.exe" << "$'cod\\u202etxt.exe'" << "cod\\u202etxt.exe";
    QTest::newRow("isolate") << "a\u2066b" << "$'a\\u2066b'" << "a\\u2066b";
    QTest::newRow("line separator") << "a\u2028b" << "$'a\\u2028b'" << "a\\u2028b";
    QTest::newRow("lone surrogate") << QString("a") + QChar(0xD800) + "b" << "$'a\\ud800b'" << "a\\ud800b";
    QTest::newRow("quote and backslash with a control") << "it's\\\x01" << "$'it\\'s\\\\\\x01'" << "it's\\\\x01";
    QTest::newRow("looks quoted already") << "$'x'" << "$'$\\'x\\''" << "$'x'";
}

void TestCliInput::quoting()
{
    QFETCH(QString, name);
    QFETCH(QString, quoted);
    QFETCH(QString, visible);
    QCOMPARE(TerminalText::Quote(name), quoted);
    QCOMPARE(TerminalText::Visible(name), visible);
}

void TestCliInput::quotingReadsBackInTheShell()
{
    // Whatever ls shows in quotes, pasted into the shell, is the name itself.
    const QStringList names {QStringLiteral("a\nb"), QStringLiteral("\x1b]0;title\x07"), QStringLiteral("it's\\ \x01\x7f"),
                             QStringLiteral("cod\u202Etxt.exe \U0001F600"), QStringLiteral("$'x'"),
                             QString(QChar(0x9B)) + QStringLiteral("31m")};
    for (const QString& name : names) {
        const QString quoted = TerminalText::Quote(name);
        QVERIFY(quoted.startsWith(QLatin1String("$'")));
        QProcess bash;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        bash.setProcessEnvironment(env);
        bash.start(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral("printf %s ") + quoted});
        QVERIFY(bash.waitForFinished(10000));
        QCOMPARE(bash.readAllStandardOutput(), name.toUtf8());
    }
}

void TestCliInput::passwordFileOddBytes()
{
    QTemporaryDir root;
    bool ready = false;
    (void)SetUpStore(root, &ready);
    QVERIFY(ready);
    const QString file = root.filePath(QStringLiteral("odd-pw"));
    const auto list = [&](const QByteArray& content) {
        (void)WriteAll(file, content);
        return RunHere({QStringLiteral("--root"), root.path(), QStringLiteral("--password-file"), file,
                        QStringLiteral("ls")});
    };
    // A byte-order mark an editor wrote first is no part of the password.
    QCOMPARE(list("\xEF\xBB\xBFsecret1\n").exitCode, 0);
    // A NUL byte is refused before any login is tried: no one could type it.
    LanguageManager texts;
    texts.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
    (void)texts.SelectLanguage(0, false);
    const Result nul = list(QByteArray("secret1\0tail\n", 13));
    QVERIFY(nul.exitCode != 0);
    QVERIFY2(nul.err.contains(texts.GetText(msg::kCliPasswordHasNul)), qPrintable(nul.err));
    QVERIFY(!nul.err.contains(texts.GetText(msg::kWrongPassword)));
    QCOMPARE(list("secret1\n").exitCode, 0);
}

QTEST_GUILESS_MAIN(TestCliInput)
#include "tst_cliinput.moc"
