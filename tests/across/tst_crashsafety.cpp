// Kill -9 and a full disk at every file change of the operations that write
// to the stick, then check what a person would: the store opens, every listed
// file decrypts to what was put in, nothing stored before is lost, one of the
// two passwords works, and a repair leaves a consistent store that lost
// nothing. The points come from the fault seam (NIMBRA_FAULT) of nimbra-cli.
//
// Run with an argument (add, import, replace, rm, passwd, repair, full,
// randomKills) for one operation; CTest runs each as a test of its own.

#include "CliTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace nbr;
using namespace nbr::test;

namespace {

const QByteArray kPassword = "secret1";
const QByteArray kNewPassword = "secret2";

QStringList Global(const QString& root, const QByteArray& password)
{
    (void)WriteAll(root + QStringLiteral("/pw-") + QString::fromLatin1(password), password + '\n');
    return {QStringLiteral("--root"), root, QStringLiteral("--password-file"),
            root + QStringLiteral("/pw-") + QString::fromLatin1(password)};
}

QHash<QString, QString> Armed(const QString& fault)
{
    return {{QStringLiteral("NIMBRA_FAULT"), fault}};
}

// What may be found under a display path: any of these contents.
using Expected = QHash<QString, QSet<QByteArray>>;

}  // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void add();
    void import();
    void replace();
    void rm();
    void passwd();
    void repair();
    void full();
    void randomKills();

private:
    struct Operation {
        QStringList arguments;       // after the global options
        QByteArray input;            // standard input
        Expected after;              // the items the operation adds or changes
        QStringList mayGo;           // display paths it may remove
        bool changesPassword = false;
    };
    void Walk(const Operation& op, const QString& mode, const QList<int>& points = {});
    int CountPoints(const Operation& op);
    // Checks a store after a crash; `where` names the point for messages.
    void Verify(const QString& root, const Operation& op, const QString& where, bool reportedSuccess);

    QTemporaryDir work_;
    QString template_;
    QString host_;
    Expected base_;
};

void TestCrashSafety::initTestCase()
{
    QVERIFY(work_.isValid());
    template_ = work_.filePath(QStringLiteral("template"));
    host_ = work_.filePath(QStringLiteral("host"));
    QVERIFY(QDir().mkpath(template_));
    QVERIFY(QDir().mkpath(host_ + QStringLiteral("/Docs/Sub")));
    QVERIFY(QDir().mkpath(host_ + QStringLiteral("/Import/Inner")));
    QVERIFY(QDir().mkpath(host_ + QStringLiteral("/replacement")));
    const QList<QPair<QString, QByteArray>> files = {
        {QStringLiteral("Docs/a.txt"), "alpha"},
        {QStringLiteral("Docs/empty.bin"), QByteArray()},
        {QStringLiteral("Docs/sixteen.bin"), Pattern(16, 2)},
        {QStringLiteral("Docs/big.bin"), Pattern(70001, 3)},
        {QStringLiteral("Docs/Sub/deep.txt"), "deep"},
        {QStringLiteral("top.txt"), "top"},
    };
    for (const auto& [name, data] : files) {
        QVERIFY(WriteAll(host_ + QLatin1Char('/') + name, data));
        base_[name] = {data};
    }
    QVERIFY(WriteAll(host_ + QStringLiteral("/Import/one.txt"), "one"));
    QVERIFY(WriteAll(host_ + QStringLiteral("/Import/Inner/two.bin"), Pattern(5000, 4)));
    QVERIFY(WriteAll(host_ + QStringLiteral("/new.txt"), "brand new"));
    QVERIFY(WriteAll(host_ + QStringLiteral("/replacement/a.txt"), "alpha, second version"));

    QCOMPARE(RunCli({QStringLiteral("--root"), template_, QStringLiteral("init")}, kPassword + '\n' + kPassword + '\n').exitCode, 0);
    const QStringList g = Global(template_, kPassword);
    QCOMPARE(RunCli(g + QStringList {QStringLiteral("add"), host_ + QStringLiteral("/Docs"), host_ + QStringLiteral("/top.txt")}).exitCode, 0);
}

int TestCrashSafety::CountPoints(const Operation& op)
{
    const QString root = work_.filePath(QStringLiteral("count"));
    QDir(root).removeRecursively();
    if (!CopyTree(template_, root))
        return -1;
    const QString file = work_.filePath(QStringLiteral("count.txt"));
    const Result res = RunCli(Global(root, kPassword) + op.arguments, op.input, {}, Armed(QStringLiteral("count:") + file));
    if (res.exitCode != 0) {
        qWarning("the operation fails unarmed: %s", qPrintable(res.err));
        return -1;
    }
    return ReadAll(file).trimmed().toInt();
}

void TestCrashSafety::Walk(const Operation& op, const QString& mode, const QList<int>& chosen)
{
    QList<int> points = chosen;
    if (points.isEmpty()) {
        const int count = CountPoints(op);
        QVERIFY2(count > 0, "no file changes counted");
        for (int n = 1; n <= count; ++n)
            points << n;
        qInfo("%s: %d points", qPrintable(op.arguments.join(QLatin1Char(' '))), count);
    }
    for (const int n : points) {
        const QString root = work_.filePath(QStringLiteral("run"));
        QDir(root).removeRecursively();
        QVERIFY(CopyTree(template_, root));
        const QString where = QStringLiteral("%1:%2 of %3").arg(mode).arg(n).arg(op.arguments.first());
        const Result res = RunCli(Global(root, kPassword) + op.arguments, op.input, {}, Armed(mode + QLatin1Char(':') + QString::number(n)));
        QVERIFY2(res.exitCode != -1 || mode != QLatin1String("full"), qPrintable(where + QStringLiteral(": did not end")));
        Verify(root, op, where, res.exitCode == 0);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestCrashSafety::Verify(const QString& root, const Operation& op, const QString& where, bool reportedSuccess)
{
    // One of the two passwords opens the store (never both wrong).
    QStringList g = Global(root, kPassword);
    Result listing = RunCli(g + QStringList {QStringLiteral("ls"), QStringLiteral("-R")});
    if (listing.exitCode == 3 && op.changesPassword) {
        g = Global(root, kNewPassword);
        listing = RunCli(g + QStringList {QStringLiteral("ls"), QStringLiteral("-R")});
    }
    QVERIFY2(listing.exitCode == 0, qPrintable(where + QStringLiteral(": ls: ") + listing.err));

    QStringList before;  // listed and whole before the repair
    QSet<QByteArray> anything;  // every content put in, for recovered files
    for (int pass = 0; pass < 2; ++pass) {
        QStringList files;
        for (const QString& line : listing.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (!line.endsWith(QLatin1Char('/')))
                files << line;
        }
        // A run that said it succeeded (on a full disk) did all it was asked.
        for (auto it = op.after.cbegin(); reportedSuccess && pass == 0 && it != op.after.cend(); ++it)
            QVERIFY2(files.contains(it.key()), qPrintable(where + QStringLiteral(": reported success, but ") + it.key() + QStringLiteral(" is not listed")));
        // Everything stored before is there, unless the operation removes it.
        for (auto it = base_.cbegin(); it != base_.cend(); ++it) {
            const bool allowedToGo = std::any_of(op.mayGo.cbegin(), op.mayGo.cend(),
                                                 [&](const QString& p) { return it.key().startsWith(p); });
            QVERIFY2(allowedToGo || files.contains(it.key()),
                     qPrintable(QStringLiteral("%1: %2 lost (pass %3)\n%4").arg(where, it.key()).arg(pass).arg(listing.out)));
        }
        // Every listed file decrypts to something that was put in.
        const QString out = root + QStringLiteral("-out");
        QDir(out).removeRecursively();
        QVERIFY(QDir().mkpath(out));
        QStringList tops;
        for (const QString& line : listing.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QString top = line.section(QLatin1Char('/'), 0, 0);
            if (!tops.contains(top))
                tops << top;
        }
        if (!tops.isEmpty()) {
            // Before the repair, an interrupted deletion may leave entries
            // whose items are gone; the others still come out.
            const Result got = RunCli(g + QStringList {QStringLiteral("get"), QStringLiteral("--to"), out} + tops);
            QVERIFY2(got.exitCode == 0 || (pass == 0 && !op.mayGo.isEmpty()),
                     qPrintable(where + QStringLiteral(": get: ") + got.err));
        }
        for (const QString& file : files) {
            if (!QFileInfo::exists(out + QLatin1Char('/') + file))
                continue;  // an entry without its item, before the repair
            const QByteArray data = ReadAll(out + QLatin1Char('/') + file);
            QSet<QByteArray> allowed = base_.value(file) + op.after.value(file);
            // Repair brings unlisted files back under "Recovered", by their own names.
            if (file.startsWith(QLatin1String("Recovered/")) && anything.isEmpty()) {
                for (const auto& set : base_)
                    anything += set;
                for (const auto& set : op.after)
                    anything += set;
            }
            QVERIFY2(allowed.contains(data) || (file.startsWith(QLatin1String("Recovered/")) && anything.contains(data)),
                     qPrintable(QStringLiteral("%1: %2 holds other data").arg(where, file)));
        }
        if (pass == 1) {
            // The repair took no listed file away that came out whole before it.
            for (const QString& file : std::as_const(before)) {
                QVERIFY2(files.contains(file), qPrintable(QStringLiteral("%1: the repair lost %2").arg(where, file)));
            }
            break;
        }
        for (const QString& file : std::as_const(files)) {
            const bool allowedToGo = std::any_of(op.mayGo.cbegin(), op.mayGo.cend(),
                                                 [&](const QString& p) { return file.startsWith(p); });
            if (!allowedToGo && QFileInfo::exists(out + QLatin1Char('/') + file))
                before << file;
        }
        // The repair leaves a consistent store that lost nothing.
        const Result repaired = RunCli(g + QStringList {QStringLiteral("check"), QStringLiteral("--repair")});
        QVERIFY2(repaired.exitCode == 0 || repaired.exitCode == 1, qPrintable(where + QStringLiteral(": repair: ") + repaired.err));
        const Result checked = RunCli(g + QStringList {QStringLiteral("check")});
        QVERIFY2(checked.exitCode == 0, qPrintable(where + QStringLiteral(": check after repair: ") + checked.out + checked.err));
        listing = RunCli(g + QStringList {QStringLiteral("ls"), QStringLiteral("-R")});
        QVERIFY2(listing.exitCode == 0, qPrintable(where + QStringLiteral(": ls after repair: ") + listing.err));
    }
}

void TestCrashSafety::add()
{
    Operation op;
    op.arguments = {QStringLiteral("add"), QStringLiteral("--to"), QStringLiteral("Docs"), host_ + QStringLiteral("/new.txt")};
    op.after[QStringLiteral("Docs/new.txt")] = {"brand new"};
    Walk(op, QStringLiteral("kill"));
    Walk(op, QStringLiteral("tear"));
}

void TestCrashSafety::import()
{
    Operation op;
    op.arguments = {QStringLiteral("add"), QStringLiteral("--to"), QStringLiteral("Docs/Sub"), host_ + QStringLiteral("/Import")};
    op.after[QStringLiteral("Docs/Sub/Import/one.txt")] = {"one"};
    op.after[QStringLiteral("Docs/Sub/Import/Inner/two.bin")] = {Pattern(5000, 4)};
    Walk(op, QStringLiteral("kill"));
}

void TestCrashSafety::replace()
{
    Operation op;
    op.arguments = {QStringLiteral("add"), QStringLiteral("--overwrite"), QStringLiteral("--to"), QStringLiteral("Docs"),
                    host_ + QStringLiteral("/replacement/a.txt")};
    op.after[QStringLiteral("Docs/a.txt")] = {"alpha, second version"};
    Walk(op, QStringLiteral("kill"));
    Walk(op, QStringLiteral("tear"));
}

void TestCrashSafety::rm()
{
    Operation op;
    op.arguments = {QStringLiteral("rm"), QStringLiteral("-r"), QStringLiteral("--yes"), QStringLiteral("Docs")};
    op.mayGo = {QStringLiteral("Docs/")};
    Walk(op, QStringLiteral("kill"));
}

void TestCrashSafety::passwd()
{
    Operation op;
    op.arguments = {QStringLiteral("passwd"), QStringLiteral("--hint"), QStringLiteral("a new hint")};
    op.input = kNewPassword + '\n' + kNewPassword + '\n';
    op.changesPassword = true;
    Walk(op, QStringLiteral("kill"));
    Walk(op, QStringLiteral("tear"));
}

void TestCrashSafety::repair()
{
    // Leftovers for the repair to work on: an unlisted stored file, the
    // remains of an interrupted replacement, an empty numbered file.
    const QString store = template_ + QStringLiteral("/Encrypted Data");
    const QString copy = work_.filePath(QStringLiteral("repair-template"));
    QVERIFY(CopyTree(template_, copy));
    const QString saved = template_;
    template_ = copy;
    // (Stored items carry the hidden attribute on Windows.)
    QDirIterator it(copy + QStringLiteral("/Encrypted Data"), QDir::Files | QDir::Hidden);
    QString stored;
    while (it.hasNext()) {
        const QString path = it.next();
        if (!QFileInfo(path).fileName().startsWith(QLatin1Char('.')) && QFileInfo(path).fileName() != QLatin1String("secparams.enc"))
            stored = path;
    }
    QVERIFY(!stored.isEmpty());
    QVERIFY(QFile::copy(stored, copy + QStringLiteral("/Encrypted Data/77")));
    QVERIFY(QFile::copy(stored, copy + QStringLiteral("/Encrypted Data/.5.nbr-new")));
    QVERIFY(WriteAll(copy + QStringLiteral("/Encrypted Data/78"), {}));
    Operation op;
    op.arguments = {QStringLiteral("check"), QStringLiteral("--repair")};
    Walk(op, QStringLiteral("kill"));
    template_ = saved;
    Q_UNUSED(store);
}

void TestCrashSafety::full()
{
    // A full disk at several levels: the run fails or succeeds, and what it
    // says matches what is on the stick.
    Operation add;
    add.arguments = {QStringLiteral("add"), QStringLiteral("--to"), QStringLiteral("Docs/Sub"), host_ + QStringLiteral("/Import")};
    add.after[QStringLiteral("Docs/Sub/Import/one.txt")] = {"one"};
    add.after[QStringLiteral("Docs/Sub/Import/Inner/two.bin")] = {Pattern(5000, 4)};
    Walk(add, QStringLiteral("full"), {1, 2, 3, 5, 8, 13, 21, 34});
    Operation mkdir;
    mkdir.arguments = {QStringLiteral("mkdir"), QStringLiteral("Docs/Made/Deeper")};
    Walk(mkdir, QStringLiteral("full"), {1, 2, 3, 4, 6, 9});
}

void TestCrashSafety::randomKills()
{
    // A folder of 2,000 files of many sizes going in while the process is
    // killed at random instants: the pool of workers, the deferred list saves
    // and the volume flushes all meet a kill somewhere.
    const QString album = host_ + QStringLiteral("/Album");
    Operation op;
    op.arguments = {QStringLiteral("-q"), QStringLiteral("add"), album};
    for (int i = 0; i < 2000; ++i) {
        const QString name = QStringLiteral("%1/f%2.bin").arg(i % 10 == 0 ? QStringLiteral("Deep") : QString()).arg(i);
        const QByteArray data = Pattern(static_cast<qsizetype>((i * 7919) % 20000), i);
        QVERIFY(QDir().mkpath(QFileInfo(album + QLatin1Char('/') + name).path()));
        QVERIFY(WriteAll(album + QLatin1Char('/') + name, data));
        op.after[QStringLiteral("Album") + (name.startsWith(QLatin1Char('/')) ? name : QLatin1Char('/') + name)] = {data};
    }
    // How long the whole import takes here, to spread the kills over it.
    const QString timing = work_.filePath(QStringLiteral("timing"));
    QVERIFY(CopyTree(template_, timing));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(RunCli(Global(timing, kPassword) + op.arguments).exitCode, 0);
    const qint64 whole = std::max<qint64>(clock.elapsed(), 50);
    QDir(timing).removeRecursively();

    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("import of 2,000 files: %lld ms; kill instants from seed %u", whole, seed);
    QRandomGenerator random(seed);
    // Fewer rounds where starting a program costs more (under Wine).
    const int asked = qEnvironmentVariableIntValue("NIMBRA_KILL_ROUNDS");
    const int rounds = asked > 0 ? asked : 30;
    for (int round = 0; round < rounds; ++round) {
        const QString root = work_.filePath(QStringLiteral("run"));
        QDir(root).removeRecursively();
        QVERIFY(CopyTree(template_, root));
        const qint64 at = random.bounded(whole);
        QProcess child;
        child.setProcessEnvironment(CliEnvironment());
        child.setStandardInputFile(QProcess::nullDevice());
        child.start(QStringLiteral(NIMBRA_CLI), Global(root, kPassword) + op.arguments);
        QVERIFY(child.waitForStarted());
        QThread::msleep(static_cast<unsigned long>(at));
        child.kill();  // SIGKILL
        QVERIFY(child.waitForFinished(60000));
        Verify(root, op, QStringLiteral("kill after %1 ms (seed %2)").arg(at).arg(seed), false);
        if (QTest::currentTestFailed())
            return;
    }
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TestCrashSafety test;
    QStringList args = app.arguments();
    // A bare operation name runs that test function alone.
    if (args.size() == 2 && !args.at(1).startsWith(QLatin1Char('-')))
        args = {args.at(0), args.at(1)};
    return QTest::qExec(&test, args);
}

#include "tst_crashsafety.moc"
