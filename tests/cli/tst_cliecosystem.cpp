// nimbra-cli among the other tools of a shell: global options wherever they
// stand, bad options named by every command, JSON for scripts, and the
// manual page and completion written from the command table.

#include "TestSupport.h"

#include "CliTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace nbr;
using namespace nbr::test;

namespace {

const QStringList kCommands = {
    QStringLiteral("version"), QStringLiteral("init"), QStringLiteral("passwd"), QStringLiteral("hint"),
    QStringLiteral("wipe"),    QStringLiteral("ls"),   QStringLiteral("mkdir"),  QStringLiteral("rm"),
    QStringLiteral("add"),     QStringLiteral("get"),  QStringLiteral("cat"),    QStringLiteral("open"),
    QStringLiteral("check"),   QStringLiteral("inspect")};

QJsonArray Listing(const QStringList& store, const QStringList& arguments)
{
    const Result r = RunHere(store + QStringList {QStringLiteral("ls"), QStringLiteral("--json")} + arguments);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    if (r.exitCode != 0 || error.error != QJsonParseError::NoError || !document.isArray())
        qWarning() << r.exitCode << r.out << r.err;
    return document.array();
}

// What bash offers after the words typed so far (the last one being completed).
QString Complete(const QString& script, const QStringList& words)
{
    QStringList quoted;
    for (const QString& word : words)
        quoted << QLatin1Char('\'') + word + QLatin1Char('\'');
    QProcess bash;
    bash.start(QStringLiteral("bash"), {QStringLiteral("--norc"), QStringLiteral("-c"),
                                        script + QStringLiteral("\nCOMP_WORDS=(%1); COMP_CWORD=%2; _nimbra_cli; "
                                                                "echo \"${COMPREPLY[*]}\"")
                                                     .arg(quoted.join(QLatin1Char(' ')))
                                                     .arg(words.size() - 1)});
    bash.waitForFinished();
    return QString::fromUtf8(bash.readAllStandardOutput()).trimmed();
}

}  // namespace

class TestCliEcosystem : public QObject {
    Q_OBJECT

private slots:
    void everyCommandNamesABadOption();
    void globalOptionsAnywhere();
    void jsonListing();
    void manualPage();
    void bashCompletion();
};

void TestCliEcosystem::everyCommandNamesABadOption()
{
    for (const QString& command : kCommands) {
        const Result r = RunHere({command, QStringLiteral("--bogus")});
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(QStringLiteral("unknown option \"--bogus\"")), qPrintable(command + r.err));
    }
    const Result value = RunHere({QStringLiteral("get"), QStringLiteral("x"), QStringLiteral("--to")});
    QCOMPARE(value.exitCode, 2);
    QVERIFY2(value.err.contains(QStringLiteral("--to needs a value")), qPrintable(value.err));
}

void TestCliEcosystem::globalOptionsAnywhere()
{
    QTemporaryDir root;
    bool ok = false;
    const QStringList store = SetUpStore(root, &ok);
    QVERIFY(ok);
    QVERIFY(WriteAll(root.filePath(QStringLiteral("a.txt")), "alpha"));
    // Options of the tool after the command and between its arguments.
    Result r = RunHere(QStringList {QStringLiteral("add"), QStringLiteral("-q"), root.filePath(QStringLiteral("a.txt"))} + store);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    r = RunHere(QStringList {QStringLiteral("cat"), QStringLiteral("--root=") + root.path(), QStringLiteral("a.txt"),
                QStringLiteral("--password-file=") + root.filePath(QStringLiteral("pw"))});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("alpha"));
    // A command's own option keeps its value even when it looks like one of
    // the tool's; after "--" nothing is taken as an option.
    r = RunHere(store + QStringList {QStringLiteral("add"), QStringLiteral("--to"), QStringLiteral("-q"),
                                    root.filePath(QStringLiteral("a.txt"))});
    QCOMPARE(r.exitCode, 0);
    r = RunHere(store + QStringList {QStringLiteral("mkdir"), QStringLiteral("--"), QStringLiteral("--quiet")});
    QCOMPARE(r.exitCode, 0);
    r = RunHere(store + QStringList {QStringLiteral("ls"), QStringLiteral("-R")});
    QCOMPARE(r.out, QStringLiteral("--quiet/\n-q/\n-q/a.txt\na.txt\n"));
    r = RunHere(store + QStringList {QStringLiteral("ls"), QStringLiteral("--"), QStringLiteral("-h")});
    QCOMPARE(r.exitCode, 1);  // a store path, not the help
    QVERIFY(r.out.isEmpty());
}

void TestCliEcosystem::jsonListing()
{
    QTemporaryDir root;
    bool ok = false;
    const QStringList store = SetUpStore(root, &ok);
    QVERIFY(ok);
    QCOMPARE(Listing(store, {}), QJsonArray());  // an empty store is still an array
    QVERIFY(WriteAll(root.filePath(QStringLiteral("b \"q\".txt")), QByteArray(1000, 'b')));
    QCOMPARE(RunHere(store + QStringList {QStringLiteral("add"), QStringLiteral("--to"), QStringLiteral("Docs"),
                                         root.filePath(QStringLiteral("b \"q\".txt"))})
                 .exitCode,
             0);
    const QJsonArray all = Listing(store, {QStringLiteral("-R")});
    QCOMPARE(all.size(), 2);
    const QJsonObject folder = all.at(0).toObject();
    QCOMPARE(folder.value(QStringLiteral("name")).toString(), QStringLiteral("Docs"));
    QCOMPARE(folder.value(QStringLiteral("kind")).toString(), QStringLiteral("folder"));
    QVERIFY(folder.value(QStringLiteral("size")).isNull());
    const QJsonObject file = all.at(1).toObject();
    QCOMPARE(file.value(QStringLiteral("name")).toString(), QStringLiteral("Docs/b \"q\".txt"));
    QCOMPARE(file.value(QStringLiteral("kind")).toString(), QStringLiteral("file"));
    QCOMPARE(file.value(QStringLiteral("size")).toInteger(), 1000);
    QVERIFY(file.value(QStringLiteral("encrypted_size")).toInteger() >= 1008);
    const QDateTime date = QDateTime::fromString(file.value(QStringLiteral("date")).toString(), Qt::ISODate);
    QVERIFY(date.isValid());
    QVERIFY(qAbs(date.secsTo(QDateTime::currentDateTimeUtc())) < 600);
    // A single file listed by its path is one object too.
    QCOMPARE(Listing(store, {QStringLiteral("Docs/b \"q\".txt")}).size(), 1);
}

void TestCliEcosystem::manualPage()
{
    const Result r = RunHere({QStringLiteral("help"), QStringLiteral("--man")});
    QCOMPARE(r.exitCode, 0);
    for (const QString& command : kCommands)
        QVERIFY2(r.out.contains(QStringLiteral("\n.SS ") + command), qPrintable(command));
    if (QStandardPaths::findExecutable(QStringLiteral("groff")).isEmpty())
        QSKIP("groff is not installed: the page is not rendered");
    // Rendered with every warning on: nothing in the help texts may read as
    // a roff request or escape.
    QProcess groff;
    groff.start(QStringLiteral("groff"), {QStringLiteral("-man"), QStringLiteral("-ww"), QStringLiteral("-Tutf8")});
    groff.write(r.out.toUtf8());
    groff.closeWriteChannel();
    QVERIFY(groff.waitForFinished());
    QCOMPARE(QString::fromUtf8(groff.readAllStandardError()), QString());
    const QString text = QString::fromUtf8(groff.readAllStandardOutput()).remove(QRegularExpression(QStringLiteral(".\b")));
    QVERIFY2(text.contains(QStringLiteral("--password-file FILE")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("  --json  for scripts")));
}

void TestCliEcosystem::bashCompletion()
{
    const Result r = RunHere({QStringLiteral("help"), QStringLiteral("--bash-completion")});
    QCOMPARE(r.exitCode, 0);
    const QString script = r.out;
    QCOMPARE(Complete(script, {QStringLiteral("nimbra-cli"), QStringLiteral("-q"), QStringLiteral("ch")}),
             QStringLiteral("check"));
    QCOMPARE(Complete(script, {QStringLiteral("nimbra-cli"), QStringLiteral("--root"), QStringLiteral("/nowhere"),
                               QStringLiteral("ls"), QStringLiteral("--j")}),
             QStringLiteral("--json"));
    // The value of --to is no command, and global options are offered after one.
    QCOMPARE(Complete(script, {QStringLiteral("nimbra-cli"), QStringLiteral("add"), QStringLiteral("--to"),
                               QStringLiteral("x"), QStringLiteral("--q")}),
             QStringLiteral("--quiet"));
    QCOMPARE(Complete(script, {QStringLiteral("nimbra-cli"), QStringLiteral("help"), QStringLiteral("ins")}),
             QStringLiteral("inspect"));
}

QTEST_GUILESS_MAIN(TestCliEcosystem)
#include "tst_cliecosystem.moc"
