// A password change (plain, and one that hardens the key file) killed at
// every step of its key-file writes, and the command line's password and
// hint checks that must come before any change.

#include "CliTestSupport.h"
#include "TestSupport.h"

#include "app/KeyFileJobs.h"
#include "security/FileStream.h"
#include "security/KeyFileLayout.h"
#include "security/LoginAttempts.h"
#include "security/Password.h"
#include "security/PropertyStore.h"
#include "security/SecParams.h"
#include "security/SecurityStatus.h"
#include "security/StretchTuning.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

using namespace nbr;
using namespace nbr::test;

namespace {

const QString kOld = QStringLiteral("first-password");
const QString kNew = QStringLiteral("second-password");
constexpr int kKilled = 42;

// The key file as a program holds it.
struct Session {
    FileStreamPtr stream {new FileStream};
    SecParams params;
    PropertyStore properties;
    Status opened = S_OK;

    explicit Session(const QString& keyFile)
    {
        opened = stream->Open(keyFile);
        params.AttachStream(stream.get());
        properties.Attach(stream.get());
    }
    bool Unlock(const QString& password)
    {
        const LockedByteBlock bytes = Password(password).Bytes();
        return params.Unlock(bytes.data(), bytes.size()) == S_OK;
    }
};

// What a password change does, login included, in a child process that dies
// where the seam says. Returns the child's exit code.
int ChangeInChild(const QString& keyFile, int dieAt, bool tearFirstWriteOfNewFile, Protection protection)
{
    const pid_t child = ::fork();
    if (child != 0) {
        int status = -1;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int step = 0;
    bool tornAlready = false;
    FileStream::SetFaultSeam([&](FileStream::Step now) {
        if (tornAlready)
            ::_exit(kKilled);
        if (++step == dieAt) {
            if (tearFirstWriteOfNewFile && now == FileStream::Step::kWriteReplacement) {
                tornAlready = true;
                return FileStream::Fault::kTear;
            }
            ::_exit(kKilled);
        }
        return FileStream::Fault::kNone;
    });
    Session session(keyFile);
    LoginAttempts attempts(session.params, session.properties);
    if (Failed(attempts.Open()) || attempts.Attempt(Password(kOld)).kind != LoginOutcome::kLoggedIn)
        ::_exit(1);
    const PasswordChange change = KeyFileJobs::ApplyChange(session.params, session.properties, Password(kOld),
                                                           Password(kNew), Password(kNew), QStringLiteral("new hint"),
                                                           protection);
    if (!change.changed || Failed(change.status) || Failed(session.params.Save(&session.properties)))
        ::_exit(2);
    ::_exit(0);
}


}  // namespace

class TestKeyFileSaves : public QObject {
    Q_OBJECT

private slots:
    void passwordChangeKilledAtEveryStep_data();
    void passwordChangeKilledAtEveryStep();
    void shortConfirmedPasswordIsTooShort();
    void longHintIsRefusedFirst();
};

void TestKeyFileSaves::passwordChangeKilledAtEveryStep_data()
{
    QTest::addColumn<bool>("tear");
    QTest::addColumn<bool>("harden");
    QTest::newRow("killed before a step") << false << false;
    QTest::newRow("new file torn, then killed") << true << false;
    QTest::newRow("hardening, killed before a step") << false << true;
    QTest::newRow("hardening, new file torn, then killed") << true << true;
}

void TestKeyFileSaves::passwordChangeKilledAtEveryStep()
{
    QFETCH(bool, tear);
    QFETCH(bool, harden);
    // The child inherits the cost: no second of tuning at every point.
    const Argon2id::Cost cost {1024, 1, 2};
    StretchTuning::FixCost(&cost);
    int points = 0;
    int renewed = 0;
    for (int dieAt = 1;; ++dieAt) {
        QTemporaryDir dir;
        const QString keyFile = dir.filePath(QStringLiteral("secparams.enc"));
        {
            Session setUp(keyFile);
            const LockedByteBlock bytes = Password(kOld).Bytes();
            QCOMPARE(setUp.params.CreateNew(bytes.data(), bytes.size()), S_OK);
            QCOMPARE(setUp.properties.StageString(KeyFileLayout::kSlotHint, QStringLiteral("old hint")), S_OK);
            QCOMPARE(setUp.params.Save(&setUp.properties), S_OK);
        }
        const int code = ChangeInChild(keyFile, dieAt, tear, harden ? Protection::Hardened : Protection::Keep);
        QVERIFY2(code == kKilled || code == 0, qPrintable(QStringLiteral("point %1: exit %2").arg(dieAt).arg(code)));

        // One of the two passwords opens it, with its own hint, and the
        // counter is one a login can go on from.
        Session after(keyFile);
        QCOMPARE(after.opened, S_OK);
        const bool isOld = after.Unlock(kOld);
        const bool isNew = !isOld && after.Unlock(kNew);
        QVERIFY2(isOld != isNew, qPrintable(QStringLiteral("point %1").arg(dieAt)));
        // The old password opens the plain record, the new one the hardened.
        QCOMPARE(after.params.IsHardened(), harden && isNew);
        QString hint;
        QCOMPARE(after.properties.ReadString(KeyFileLayout::kSlotHint, &hint), S_OK);
        QCOMPARE(hint, isNew ? QStringLiteral("new hint") : QStringLiteral("old hint"));
        std::int32_t counter = -1;
        const Status read = after.properties.ReadInt(KeyFileLayout::kSlotFailedLogins, &counter);
        QVERIFY(read == E_PROP_NOT_FOUND || (read == S_OK && (counter == 0 || counter == 1)));
        // And the next save goes through, leftovers or not.
        QCOMPARE(after.params.Save(), S_OK);
        QVERIFY(!QFile::exists(FileStream::ReplacementName(keyFile)));
        renewed += isNew ? 1 : 0;
        if (code == 0)
            break;
        ++points;
    }
    // Login (the first counter, then write, flush, write, flush for the
    // attempt), then create, write, flush, rename, folder flush and scrub.
    QVERIFY(points >= (tear ? 6 : 12));
    QVERIFY(renewed >= 1);
    StretchTuning::FixCost(nullptr);
}

void TestKeyFileSaves::shortConfirmedPasswordIsTooShort()
{
    QTemporaryDir root;
    const Result r = RunCli({QStringLiteral("--root"), root.path(), QStringLiteral("init")}, "abcde\nabcde\n");
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QStringLiteral("too short: at least 6")), qPrintable(r.err));
    QVERIFY(!r.err.contains(QStringLiteral("match")));
}

void TestKeyFileSaves::longHintIsRefusedFirst()
{
    QTemporaryDir root;
    const QString tooLong(250, u'h');
    Result r = RunCli({QStringLiteral("--root"), root.path(), QStringLiteral("init"), QStringLiteral("--hint"), tooLong},
                      "secret1\nsecret1\n");
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QStringLiteral("at most 249")), qPrintable(r.err));
    QVERIFY(!QDir(root.filePath(QStringLiteral("Encrypted Data"))).exists());

    r = RunCli({QStringLiteral("--root"), root.path(), QStringLiteral("init"), QStringLiteral("--hint"), QString(249, u'h')},
               "secret1\nsecret1\n");
    QCOMPARE(r.exitCode, 0);
    const QString keyFile = root.filePath(QStringLiteral("Encrypted Data/secparams.enc"));
    const QByteArray before = ReadAll(keyFile);
    // Refused before the login, which would count the attempt.
    r = RunCli({QStringLiteral("--root"), root.path(), QStringLiteral("passwd"), QStringLiteral("--hint"), tooLong},
               "secret1\nsecret2\nsecret2\n");
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QStringLiteral("at most 249")), qPrintable(r.err));
    QVERIFY(ReadAll(keyFile) == before);

    r = RunCli({QStringLiteral("--root"), root.path(), QStringLiteral("passwd"), QStringLiteral("--hint"), QStringLiteral("two")},
               "secret1\nsecret2\nsecret2\n");
    QCOMPARE(r.exitCode, 0);
    QVERIFY(!QFile::exists(FileStream::ReplacementName(keyFile)));
    r = RunCli({QStringLiteral("--root"), root.path(), QStringLiteral("hint")});
    QCOMPARE(r.out, QStringLiteral("Password hint: two\n"));
}

QTEST_GUILESS_MAIN(TestKeyFileSaves)
#include "tst_keyfilesaves.moc"
