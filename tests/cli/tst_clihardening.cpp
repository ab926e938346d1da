// The hardened key file and the recovery key from the command line: init
// --harden at the cost tuned on this machine, passwd --harden and
// --no-harden with the stored files readable all along, inspect saying which
// check the key file uses, recovery-key and recover with their counting.

#include "CliTestSupport.h"
#include "TestSupport.h"

#include "security/StretchTuning.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace nbr;
using namespace nbr::test;

namespace {

const QString kKeyFile = QStringLiteral("Encrypted Data/secparams.enc");

QString Arg(const char* text) { return QString::fromLatin1(text); }

// The counter of failed logins, as inspect cannot say it: slot 0's value.
int Counter(const QTemporaryDir& root)
{
    const QByteArray file = ReadAll(root.filePath(kKeyFile));
    const qsizetype at = 51200;
    if (file.size() < at + 16 || file.mid(at, 8) != "PROP0000")
        return 0;
    return static_cast<unsigned char>(file[at + 12]);
}

}  // namespace

class TestCliHardening : public QObject {
    Q_OBJECT

private slots:
    void initHardensAtTheTunedCost();
    void hardenAndUnhardenKeepStoredFiles();
    void recoveryKeySetsANewPassword();
};

void TestCliHardening::initHardensAtTheTunedCost()
{
    // A program of its own: the real tuning on this machine.
    QTemporaryDir root;
    Result r = RunCli({Arg("--root"), root.path(), Arg("init"), Arg("--harden")}, "secret1\nsecret1\n");
    QCOMPARE(r.exitCode, 0);
    const QRegularExpression said(QStringLiteral("hardened \\(Argon2id, (\\d+) MiB, (\\d+) passes, (\\d+) lanes\\)"));
    const QRegularExpressionMatch match = said.match(r.out);
    QVERIFY2(match.hasMatch(), qPrintable(r.out));
    QVERIFY(match.captured(1).toInt() >= 64 && match.captured(1).toInt() <= 1024);
    QVERIFY(match.captured(2).toInt() >= 3);
    QVERIFY(match.captured(3).toInt() >= 1);
    r = RunCli({Arg("inspect"), root.filePath(kKeyFile)});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains(QStringLiteral("Password check:   hardened (Argon2id, %1 MiB").arg(match.captured(1))),
             qPrintable(r.out));
    r = RunCli({Arg("--root"), root.path(), Arg("ls")}, "secret1\n");
    QCOMPARE(r.exitCode, 0);
    r = RunCli({Arg("--root"), root.path(), Arg("ls")}, "secret2\n");
    QCOMPARE(r.exitCode, 3);
    QCOMPARE(Counter(root), 1);
    // Both options at once are refused before anything is asked.
    r = RunCli({Arg("--root"), root.path(), Arg("passwd"), Arg("--harden"), Arg("--no-harden")});
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(Counter(root), 1);
}

void TestCliHardening::hardenAndUnhardenKeepStoredFiles()
{
    const Argon2id::Cost cost {1024, 1, 2};
    StretchTuning::FixCost(&cost);
    QTemporaryDir root;
    QVERIFY(RunHere({Arg("--root"), root.path(), Arg("init"), Arg("--hint"), Arg("h")}, "secret1\nsecret1\n").exitCode
            == 0);
    const QString host = root.filePath(QStringLiteral("host"));
    QVERIFY(QDir().mkpath(host + QStringLiteral("/sub")));
    QVERIFY(WriteAll(host + QStringLiteral("/a.txt"), "first file"));
    QVERIFY(WriteAll(host + QStringLiteral("/sub/b.bin"), Pattern(100000)));
    QCOMPARE(RunHere({Arg("--root"), root.path(), Arg("add"), host}, "secret1\n").exitCode, 0);
    const auto filesRead = [&](const QByteArray& password) {
        const Result a = RunHere({Arg("--root"), root.path(), Arg("cat"), Arg("host/a.txt")}, password + '\n');
        const Result b = RunHere({Arg("--root"), root.path(), Arg("cat"), Arg("host/sub/b.bin")}, password + '\n');
        return a.exitCode == 0 && a.out == QStringLiteral("first file") && b.exitCode == 0
               && b.out.toLatin1().size() > 0;
    };
    const auto check = [&] { return RunHere({Arg("inspect"), root.filePath(kKeyFile)}).out; };

    Result r = RunHere({Arg("--root"), root.path(), Arg("passwd"), Arg("--harden")}, "secret1\n");
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains(QStringLiteral("hardened (Argon2id, 1 MiB, 1 passes, 2 lanes)")), qPrintable(r.out));
    QVERIFY(check().contains(QStringLiteral("hardened (Argon2id, 1 MiB, 1 passes, 2 lanes")));
    QVERIFY(filesRead("secret1"));
    // A password change keeps the hardening.
    QCOMPARE(RunHere({Arg("--root"), root.path(), Arg("passwd")}, "secret1\nsecret2\nsecret2\n").exitCode, 0);
    QVERIFY(check().contains(QStringLiteral("hardened")));
    QVERIFY(filesRead("secret2"));
    r = RunHere({Arg("--root"), root.path(), Arg("passwd"), Arg("--no-harden")}, "secret2\n");
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QStringLiteral("plain password check")));
    QVERIFY(check().contains(QStringLiteral("Password check:   plain")));
    QVERIFY(filesRead("secret2"));
    QCOMPARE(RunHere({Arg("--root"), root.path(), Arg("hint")}).out, QStringLiteral("Password hint: h\n"));
    StretchTuning::FixCost(nullptr);
}

void TestCliHardening::recoveryKeySetsANewPassword()
{
    const Argon2id::Cost cost {1024, 1, 2};
    StretchTuning::FixCost(&cost);
    QTemporaryDir root;
    QCOMPARE(RunHere({Arg("--root"), root.path(), Arg("init"), Arg("--harden")}, "secret1\nsecret1\n").exitCode, 0);
    QVERIFY(WriteAll(root.filePath(QStringLiteral("f.txt")), "kept"));
    QCOMPARE(RunHere({Arg("--root"), root.path(), Arg("add"), root.filePath(QStringLiteral("f.txt"))}, "secret1\n")
                 .exitCode,
             0);

    // Only after the password; the wrong one counts as every login does.
    Result r = RunHere({Arg("--root"), root.path(), Arg("recovery-key")}, "wrong-one\n");
    QCOMPARE(r.exitCode, 3);
    QVERIFY(r.out.isEmpty());
    r = RunHere({Arg("--root"), root.path(), Arg("recovery-key")}, "secret1\n");
    QCOMPARE(r.exitCode, 0);
    const QString key = r.out.trimmed();
    QVERIFY2(QRegularExpression(QStringLiteral("^([0-9A-Z]{4}-){13}[0-9A-Z]{4}$")).match(key).hasMatch(),
             qPrintable(key));
    QVERIFY(r.err.contains(QStringLiteral("wiped")));
    QCOMPARE(Counter(root), 0);

    // A mistyped key is not counted; a well-formed wrong one is.
    QString typo = key;
    typo[0] = typo[0] == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
    r = RunHere({Arg("--root"), root.path(), Arg("recover")}, typo.toLatin1() + "\nsecret9\nsecret9\n");
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QStringLiteral("not counted")), qPrintable(r.err));
    QCOMPARE(Counter(root), 0);
    // A new password the rules refuse costs no attempt either.
    r = RunHere({Arg("--root"), root.path(), Arg("recover")}, key.toLatin1() + "\nshort\nshort\n");
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(Counter(root), 0);
    QTemporaryDir other;
    QCOMPARE(RunHere({Arg("--root"), other.path(), Arg("init")}, "secret1\nsecret1\n").exitCode, 0);
    const QString foreign = RunHere({Arg("--root"), other.path(), Arg("recovery-key")}, "secret1\n").out.trimmed();
    r = RunHere({Arg("--root"), root.path(), Arg("recover")}, foreign.toLatin1() + "\nsecret9\nsecret9\n");
    QCOMPARE(r.exitCode, 3);
    QVERIFY2(r.err.contains(QStringLiteral("does not open this store")), qPrintable(r.err));
    QCOMPARE(Counter(root), 1);

    // The right key, typed loosely: the new password opens the same files.
    r = RunHere({Arg("--root"), root.path(), Arg("recover"), Arg("--hint"), Arg("nine")},
                key.toLower().remove(QLatin1Char('-')).toLatin1() + "\nsecret9\nsecret9\n");
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(Counter(root), 0);
    QCOMPARE(RunHere({Arg("--root"), root.path(), Arg("cat"), Arg("f.txt")}, "secret9\n").out, QStringLiteral("kept"));
    QCOMPARE(RunHere({Arg("--root"), root.path(), Arg("ls")}, "secret1\n").exitCode, 3);
    QCOMPARE(RunHere({Arg("--root"), root.path(), Arg("hint")}).out, QStringLiteral("Password hint: nine\n"));
    QVERIFY(RunHere({Arg("inspect"), root.filePath(kKeyFile)}).out.contains(QStringLiteral("hardened")));
    // And the recovery key stays the same.
    QCOMPARE(RunHere({Arg("--root"), root.path(), Arg("recovery-key")}, "secret9\n").out.trimmed(), key);
    StretchTuning::FixCost(nullptr);
}

QTEST_GUILESS_MAIN(TestCliHardening)
#include "tst_clihardening.moc"
