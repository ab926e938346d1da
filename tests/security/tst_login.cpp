// Password rules, the login steps with their counter across runs, the wipe,
// and the progress helpers the save and wipe jobs run behind.

#include "TestSupport.h"

#include "app/KeyFileJobs.h"
#include "app/StoreSession.h"
#include "base/HeadlessProgress.h"
#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "base/ProgressWorker.h"
#include "base/VariableStore.h"
#include "platform/ProcessHardening.h"
#include "security/FileStream.h"
#include "security/KeyFileLayout.h"
#include "security/LoginAttempts.h"
#include "security/Password.h"
#include "security/PasswordRules.h"
#include "security/PropertyStore.h"
#include "security/SecParams.h"
#include "security/SecurityStatus.h"
#include "store/EncryptedStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <climits>
#include <optional>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace nbr;
using namespace nbr::test;

namespace {

std::u16string U(const QString& s) { return s.toStdU16String(); }

// A key file set up with a password, opened as the application opens it.
struct Store {
    QTemporaryDir dir;
    QString folder;
    QString keyFile;
    FileStreamPtr stream {new FileStream};
    SecParams params;
    PropertyStore properties;

    explicit Store(const QString& password = QStringLiteral("right-password"))
    {
        folder = dir.filePath(QStringLiteral("Encrypted Data"));
        QDir().mkpath(folder);
        keyFile = folder + QStringLiteral("/secparams.enc");
        (void)stream->Open(keyFile);
        params.AttachStream(stream.get());
        properties.Attach(stream.get());
        const LockedByteBlock bytes = Password(password).Bytes();
        (void)params.CreateNew(bytes.data(), bytes.size());
        (void)params.Save();
        params.ClearMemory();
    }
};

// Fails every step of the key-file stream at and after the `failAt`-th
// consulted `kind` step, and keeps the order of the steps it saw.
struct SeamLog {
    QList<FileStream::Step> steps;
    explicit SeamLog(std::optional<FileStream::Step> kind = std::nullopt, int failAt = 0)
    {
        FileStream::SetFaultSeam([this, kind, failAt, seen = 0](FileStream::Step step) mutable {
            steps << step;
            if (kind && step == *kind && ++seen >= failAt)
                return FileStream::Fault::kFail;
            return FileStream::Fault::kNone;
        });
    }
    ~SeamLog() { FileStream::SetFaultSeam(nullptr); }
};

}  // namespace

class TestLogin : public QObject {
    Q_OBJECT

private slots:
    void newPasswordRules_data();
    void newPasswordRules();
    void changeRules();
    void passwordFromUtf8();
    void tenFailuresWipe();
    void damagedKeyFileIsNotAFailedLogin_data();
    void damagedKeyFileIsNotAFailedLogin();
    void rightPasswordResetsTheCounter();
    void counterPastTheLimitWipesAtOnce();
    void counterOutOfRangeCountsAsTheLimit_data();
    void counterOutOfRangeCountsAsTheLimit();
    void counterIsOnTheDeviceBeforeThePasswordIsRead();
    void failedCounterResetIsReported();
    void tooLongHintChangesNothing();
    void wipeKeepsTheKeyFileOnly();
    void storeSessionSteps();
    void headlessProgressRules();
    void progressWorkerFillsAndReports();
    void coreDumpsAreOff();
};

void TestLogin::newPasswordRules_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("message");
    QTest::addColumn<int>("argument");
    QTest::newRow("six letters") << "abcdef" << "abcdef" << "my hint" << true << msg::kPasswordsMatch << -1;
    // A confirmed password of the wrong length keeps the length's text.
    QTest::newRow("five letters") << "abcde" << "abcde" << "" << false << msg::kPasswordTooShort << 6;
    QTest::newRow("one letter") << "a" << "a" << "" << false << msg::kPasswordTooShort << 6;
    QTest::newRow("257 confirmed") << QString(257, u'p') << QString(257, u'p') << "" << false << msg::kPasswordTooLong << 256;
    QTest::newRow("five letters, no confirmation") << "abcde" << "" << "" << false << msg::kConfirmationEmpty << -1;
    QTest::newRow("empty") << "" << "x" << "" << false << msg::kConfirmationDiffers << -1;
    QTest::newRow("differs") << "abcdefg" << "abcdefh" << "" << false << msg::kConfirmationDiffers << -1;
    QTest::newRow("password") << "password" << "password" << "" << false << msg::kPasswordTooCommon << -1;
    QTest::newRow("Password") << "Password" << "Password" << "" << true << msg::kPasswordsMatch << -1;
    QTest::newRow("hint is the password") << "secret77" << "secret77" << "secret77" << false << msg::kHintRevealsPassword << -1;
    QTest::newRow("hint unconfirmed") << "secret77" << "" << "secret77" << false << msg::kConfirmationEmpty << -1;
    const QString p126 = QString(126, u'p');
    QTest::newRow("126 and a longer hint") << p126 << p126 << p126 + QStringLiteral("more") << false << msg::kHintRevealsPassword << -1;
    const QString p257 = QString(257, u'p');
    QTest::newRow("257 unconfirmed") << p257 << "" << "" << false << msg::kConfirmationEmpty << -1;
    QTest::newRow("256") << QString(256, u'q') << QString(256, u'q') << "" << true << msg::kPasswordsMatch << -1;
    // The hint has to fit its property record: 249 units and the terminator.
    QTest::newRow("hint of 249") << "abcdef" << "abcdef" << QString(249, u'h') << true << msg::kPasswordsMatch << -1;
    QTest::newRow("hint of 250") << "abcdef" << "abcdef" << QString(250, u'h') << false << msg::kHintTooLong << 249;
    QTest::newRow("long hint, unconfirmed") << "abcdef" << "" << QString(300, u'h') << false << msg::kHintTooLong << 249;
}

void TestLogin::newPasswordRules()
{
    QFETCH(QString, password);
    QFETCH(QString, confirmation);
    QFETCH(QString, hint);
    QFETCH(bool, valid);
    QFETCH(int, message);
    QFETCH(int, argument);
    const PasswordVerdict v = PasswordRules::CheckNew(U(password), U(confirmation), U(hint));
    QCOMPARE(v.valid, valid);
    QCOMPARE(v.messageId, message);
    QCOMPARE(v.argument, argument);
}

void TestLogin::changeRules()
{
    // Length messages stand when nothing later applies.
    PasswordVerdict v = PasswordRules::CheckNew(u"", u"", u"");
    QCOMPARE(v.messageId, msg::kConfirmationEmpty);
    QVERIFY(!v.valid);
    v = PasswordRules::CheckChange(u"", u"abcdef", u"abcdef", u"");
    QCOMPARE(v.messageId, msg::kCurrentPasswordEmpty);
    QVERIFY(!v.valid);
    const std::u16string long257(257, u'c');
    v = PasswordRules::CheckChange(long257, u"abcdef", u"abcdef", u"");
    QCOMPARE(v.messageId, msg::kCurrentPasswordTooLong);
    QCOMPARE(v.argument, 256);
    v = PasswordRules::CheckChange(u"oldpass", u"abcdef", u"abcdef", u"");
    QVERIFY(v.valid);
}

void TestLogin::passwordFromUtf8()
{
    Password p;
    const QByteArray utf8 = QStringLiteral("pä✓😀").toUtf8();
    QVERIFY(Password::FromUtf8(reinterpret_cast<const std::uint8_t*>(utf8.constData()), static_cast<std::size_t>(utf8.size()), &p));
    QCOMPARE(QString::fromStdU16String(std::u16string(p.View())), QStringLiteral("pä✓😀"));
    QCOMPARE(p.Length(), std::size_t(5));  // the emoji takes two units
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(p.Bytes().data()), 10), Utf16Le(QStringLiteral("pä✓😀")));
    for (const QByteArray& bad : {QByteArray("\xC3"), QByteArray("\xC0\x80"), QByteArray("\xED\xA0\x80"), QByteArray("a\xFF"),
                                  QByteArray("\xF4\x90\x80\x80")})
        QVERIFY(!Password::FromUtf8(reinterpret_cast<const std::uint8_t*>(bad.constData()), static_cast<std::size_t>(bad.size()), &p));
}

void TestLogin::tenFailuresWipe()
{
    Store store;
    LoginAttempts attempts(store.params, store.properties);
    QCOMPARE(attempts.Open(), S_OK);
    QCOMPARE(attempts.Counter(), 0);
    for (int i = 1; i <= 9; ++i) {
        // A short entry counts like a wrong one.
        const LoginOutcome o = attempts.Attempt(Password(i == 3 ? QStringLiteral("short") : QStringLiteral("wrong-password")));
        QCOMPARE(o.kind, LoginOutcome::kRefused);
        QCOMPARE(o.messageId, i == 3 ? msg::kPasswordTooShort : msg::kLoginWrongPassword);
        QCOMPARE(o.lastChance, i == 9);
        std::int32_t stored = 0;
        QCOMPARE(store.properties.ReadInt(0, &stored), S_OK);
        QCOMPARE(stored, i);
    }
    // A restart does not help: the counter is on the stick.
    LoginAttempts restarted(store.params, store.properties);
    QCOMPARE(restarted.Open(), S_OK);
    QCOMPARE(restarted.Counter(), 9);
    const LoginOutcome tenth = restarted.Attempt(Password(QStringLiteral("wrong-again")));
    QCOMPARE(tenth.kind, LoginOutcome::kWipe);
    QCOMPARE(tenth.messageId, msg::kLoginWrongPassword);
    QVERIFY(!store.params.IsUnlocked());
}

void TestLogin::damagedKeyFileIsNotAFailedLogin_data()
{
    QTest::addColumn<int>("offset");  // of the byte flipped in the file
    QTest::addColumn<bool>("guessCounts");  // whether a wrong password still counts
    const int record = static_cast<int>(KeyFileLayout::kRecordOffset);
    QTest::newRow("integrity code") << record + static_cast<int>(KeyFileLayout::kMac) << true;
    QTest::newRow("wrapped key") << record + static_cast<int>(KeyFileLayout::kWrappedKey) + 3 << true;
    QTest::newRow("record version") << record + static_cast<int>(KeyFileLayout::kVersion) << false;
}

void TestLogin::damagedKeyFileIsNotAFailedLogin()
{
    // Ten tries with the right password on a damaged key file must not
    // destroy a store that a kept copy of the key file still opens; wrong
    // passwords, where the file can judge them, still count.
    QFETCH(int, offset);
    QFETCH(bool, guessCounts);
    Store store;
    QCOMPARE(store.properties.WriteInt(0, 4), S_OK);
    {
        QFile file(store.keyFile);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(offset));
        char c = 0;
        QVERIFY(file.getChar(&c));
        QVERIFY(file.seek(offset));
        QVERIFY(file.putChar(static_cast<char>(c ^ 0x5A)));
    }
    for (int run = 0; run < 12; ++run) {
        LoginAttempts attempts(store.params, store.properties);
        QCOMPARE(attempts.Open(), S_OK);
        const LoginOutcome o = attempts.Attempt(Password(QStringLiteral("right-password")));
        QCOMPARE(o.kind, LoginOutcome::kRefused);
        QVERIFY(!o.counted);
        QCOMPARE(o.messageId, msg::kKeyFileDamagedNotCounted);
        QVERIFY(!o.lastChance);
        QCOMPARE(o.counter, 4);
    }
    std::int32_t stored = 0;
    QCOMPARE(store.properties.ReadInt(0, &stored), S_OK);
    QCOMPARE(stored, 4);
    LoginAttempts attempts(store.params, store.properties);
    QCOMPARE(attempts.Open(), S_OK);
    const LoginOutcome guess = attempts.Attempt(Password(QStringLiteral("wrong-password")));
    QCOMPARE(guess.counted, guessCounts);
    QCOMPARE(guess.counter, guessCounts ? 5 : 4);
    QVERIFY(!store.params.IsUnlocked());
}

void TestLogin::rightPasswordResetsTheCounter()
{
    Store store;
    LoginAttempts attempts(store.params, store.properties);
    QCOMPARE(attempts.Open(), S_OK);
    for (int i = 0; i < 8; ++i)
        (void)attempts.Attempt(Password(QStringLiteral("wrong-password")));
    const LoginOutcome ninth = attempts.Attempt(Password(QStringLiteral("right-password")));
    QCOMPARE(ninth.kind, LoginOutcome::kLoggedIn);
    QCOMPARE(ninth.counter, 0);
    std::int32_t stored = -1;
    QCOMPARE(store.properties.ReadInt(0, &stored), S_OK);
    QCOMPARE(stored, 0);
    QCOMPARE(store.params.GetMasterKeyLength(), std::size_t(32));
}

void TestLogin::counterPastTheLimitWipesAtOnce()
{
    Store store;
    // Killed after the tenth press, before the wipe finished.
    QCOMPARE(store.properties.WriteInt(0, 10), S_OK);
    LoginAttempts attempts(store.params, store.properties);
    QCOMPARE(attempts.Open(), S_OK);
    const LoginOutcome o = attempts.Attempt(Password(QStringLiteral("right-password")));
    QCOMPARE(o.kind, LoginOutcome::kWipe);
    QVERIFY(!store.params.IsUnlocked());  // the password was never looked at
}

void TestLogin::counterOutOfRangeCountsAsTheLimit_data()
{
    QTest::addColumn<int>("stored");
    QTest::newRow("-1") << -1;
    QTest::newRow("INT_MIN") << INT_MIN;
    QTest::newRow("INT_MAX") << INT_MAX;  // one more would overflow
    QTest::newRow("11") << 11;
    QTest::newRow("10") << 10;
}

void TestLogin::counterOutOfRangeCountsAsTheLimit()
{
    QFETCH(int, stored);
    Store store;
    QCOMPARE(store.properties.WriteInt(0, stored), S_OK);
    LoginAttempts attempts(store.params, store.properties);
    QCOMPARE(attempts.Open(), S_OK);
    QCOMPARE(attempts.Counter(), 10);
    const LoginOutcome o = attempts.Attempt(Password(QStringLiteral("right-password")));
    QCOMPARE(o.kind, LoginOutcome::kWipe);
    QVERIFY(!store.params.IsUnlocked());
    std::int32_t now = 0;
    QCOMPARE(store.properties.ReadInt(0, &now), S_OK);
    QCOMPARE(now, 11);
}

void TestLogin::counterIsOnTheDeviceBeforeThePasswordIsRead()
{
    Store store;
    LoginAttempts attempts(store.params, store.properties);
    QCOMPARE(attempts.Open(), S_OK);
    {
        SeamLog log;
        QCOMPARE(attempts.Attempt(Password(QStringLiteral("wrong-password"))).kind, LoginOutcome::kRefused);
        QCOMPARE(log.steps, (QList<FileStream::Step> {FileStream::Step::kWrite, FileStream::Step::kFlush}));
    }
    // A flush that fails ends the attempt before the password is looked at.
    SeamLog failingFlush(FileStream::Step::kFlush, 1);
    const LoginOutcome o = attempts.Attempt(Password(QStringLiteral("right-password")));
    QCOMPARE(o.kind, LoginOutcome::kFatal);
    QVERIFY(Failed(o.status));
    QVERIFY(!store.params.IsUnlocked());
}

void TestLogin::failedCounterResetIsReported()
{
    Store store;
    LoginAttempts attempts(store.params, store.properties);
    QCOMPARE(attempts.Open(), S_OK);
    (void)attempts.Attempt(Password(QStringLiteral("wrong-password")));
    SeamLog failingReset(FileStream::Step::kWrite, 2);  // the first write counts, the second resets
    const LoginOutcome o = attempts.Attempt(Password(QStringLiteral("right-password")));
    QCOMPARE(o.kind, LoginOutcome::kFatal);
    QCOMPARE(o.messageId, msg::kLoginCounterNotReset);
    QCOMPARE(o.argument, 2);
    QVERIFY(Failed(o.status));
    // Nobody goes on with a key while the stick says two failures.
    QVERIFY(!store.params.IsUnlocked());
    QCOMPARE(store.params.GetMasterKeyLength(), std::size_t(0));
    std::int32_t stored = 0;
    QCOMPARE(store.properties.ReadInt(0, &stored), S_OK);
    QCOMPARE(stored, 2);
}

void TestLogin::tooLongHintChangesNothing()
{
    Store store;
    QCOMPARE(store.properties.WriteString(3, QStringLiteral("old hint")), S_OK);
    const LockedByteBlock right = Password(QStringLiteral("right-password")).Bytes();
    QCOMPARE(store.params.Unlock(right.data(), right.size()), S_OK);
    const QByteArray before = ReadAll(store.keyFile);
    const Password current(QStringLiteral("right-password"));
    const Password next(QStringLiteral("next-password"));
    const PasswordChange change =
        KeyFileJobs::ApplyChange(store.params, store.properties, current, next, next, QString(250, u'h'));
    QVERIFY(!change.changed);
    QCOMPARE(change.messageId, msg::kHintTooLong);
    QCOMPARE(change.argument, 249);
    QCOMPARE(change.status, S_OK);
    QVERIFY(store.params.VerifyPassword(right.data(), right.size()));
    QVERIFY(!store.properties.HasStaged());
    QCOMPARE(store.params.Save(&store.properties), S_OK);
    store.params.ClearMemory();
    QCOMPARE(store.params.Unlock(right.data(), right.size()), S_OK);
    QString hint;
    QCOMPARE(store.properties.ReadString(3, &hint), S_OK);
    QCOMPARE(hint, QStringLiteral("old hint"));
    QVERIFY(ReadAll(store.keyFile).mid(51200) == before.mid(51200));

    // The first run refuses it before a key exists.
    SecParams fresh;
    QCOMPARE(KeyFileJobs::CommitSetup(fresh, store.properties, next, QString(250, u'h')), E_PROP_RANGE);
    QVERIFY(!fresh.IsUnlocked());
    QVERIFY(!store.properties.HasStaged());
}

void TestLogin::wipeKeepsTheKeyFileOnly()
{
    Store store;
    QCOMPARE(store.properties.WriteString(3, QStringLiteral("hint")), S_OK);
    QCOMPARE(store.properties.WriteInt(0, 4), S_OK);
    QCOMPARE(store.properties.WriteInt(1, 1), S_OK);
    QCOMPARE(store.properties.WriteInt(7, 77), S_OK);
    QVERIFY(QDir().mkpath(store.folder + QStringLiteral("/1/2")));
    QVERIFY(WriteAll(store.folder + QStringLiteral("/1/2/3"), "x"));
    QVERIFY(WriteAll(store.folder + QStringLiteral("/.manifest"), "x"));
    QVERIFY(WriteAll(store.folder + QStringLiteral("/4"), "x"));
    QVERIFY(QFile::setPermissions(store.folder + QStringLiteral("/4"), QFile::ReadOwner));

    LanguageManager languages;
    HeadlessProgress dialog(&languages);
    QVERIFY(KeyFileJobs::RunWipe(store.params, store.properties, store.folder, store.keyFile, dialog, QStringLiteral("Deleting")));
    QVERIFY(!dialog.HasFailed());
    QCOMPARE(QDir(store.folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList {QStringLiteral("secparams.enc")});
    bool has = true;
    QCOMPARE(store.params.HasKeyFile(&has), S_OK);
    QVERIFY(!has);
    std::int32_t value = 0;
    for (std::uint32_t slot : {0u, 1u, 3u})
        QCOMPARE(store.properties.ReadInt(slot, &value), E_PROP_NOT_FOUND);
    QString marker;
    QCOMPARE(store.properties.ReadString(2, &marker), S_OK);
    QCOMPARE(marker, QStringLiteral("false"));
    QCOMPARE(store.properties.ReadInt(7, &value), S_OK);  // other slots are not the wipe's business
}

void TestLogin::storeSessionSteps()
{
    QTemporaryDir dir;
    VariableStore variables;
    variables.InitVariables({}, HostFacts {});
    variables.SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_LETTER"), dir.path());
    LanguageManager languages;
    {
        // No key file: not set up, and nothing is created on the stick.
        StoreSession session(variables);
        QCOMPARE(session.Open(false), S_FALSE);
        QVERIFY(!session.IsOpen());
        QVERIFY(!QFileInfo::exists(session.StoreFolder()));
        // The first run: an empty key file is set up and saved.
        QCOMPARE(session.Open(true), S_OK);
        QVERIFY(!session.IsSetUp());
        QCOMPARE(session.Setup(Password(QStringLiteral("right-password")), QStringLiteral("hint")), S_OK);
        HeadlessProgress dialog(&languages);
        QVERIFY(session.Save(dialog, languages));
        QVERIFY(session.IsSetUp());
        // Another session cannot open the key file while this one holds it.
        StoreSession second(variables);
        QCOMPARE(second.Open(false), StatusFromWin32(win32::kSharingViolation));
    }
    StoreSession session(variables);
    QCOMPARE(session.Open(false), S_OK);
    QVERIFY(session.IsSetUp());
    // An attempt outside the login steps is refused, not counted.
    QCOMPARE(session.Attempt(Password(QStringLiteral("right-password"))).kind, LoginOutcome::kFatal);
    QVERIFY(!session.IsLoggedIn());
    QCOMPARE(session.BeginLogin(), S_OK);
    QCOMPARE(session.Attempt(Password(QStringLiteral("wrong-password"))).kind, LoginOutcome::kRefused);
    QCOMPARE(session.LastOutcome()->counter, 1);
    QCOMPARE(session.Attempt(Password(QStringLiteral("right-password"))).kind, LoginOutcome::kLoggedIn);
    QVERIFY(session.IsLoggedIn());
    QString stored;
    ManifestEntry entry;
    QCOMPARE(session.Store().EnsureStoreFolders(QString(), QStringLiteral("Docs"), &stored), S_OK);
    QCOMPARE(session.Store().Resolve(QStringLiteral("Docs"), &stored, &entry), S_OK);
    // The wipe leaves a session that holds no key and no store.
    HeadlessProgress dialog(&languages);
    QVERIFY(session.Wipe(dialog, QString()));
    QVERIFY(!session.IsLoggedIn());
    QVERIFY(!session.IsSetUp());
    QVERIFY(!QFileInfo::exists(stored));
}

void TestLogin::headlessProgressRules()
{
    HeadlessProgress dialog;
    dialog.SetReady(false);
    dialog.Begin(10);  // not ready, no waiting: dropped
    QCOMPARE(dialog.State().maximum, 0.0f);
    dialog.EnableWaitForWindow();
    QThread* worker = QThread::create([&] {
        dialog.Begin(4294967295u);  // blocks until ready; unsigned total
        dialog.Step(5);
    });
    worker->start();
    QThread::msleep(100);
    QCOMPARE(dialog.State().maximum, 0.0f);
    dialog.SetReady(true);
    QVERIFY(worker->wait(5000));
    delete worker;
    QCOMPARE(dialog.State().maximum, 4294967295.0f);
    QCOMPARE(dialog.State().position, 5.0f);
    // This thread is not the owner: its reports are dropped.
    QVERIFY(!dialog.Step(1));
    QCOMPARE(dialog.State().position, 5.0f);
    dialog.SetLine2(QStringLiteral("any thread may set texts"));
    QCOMPARE(dialog.State().line2, QStringLiteral("any thread may set texts"));

    dialog.SetCancelable(true);
    dialog.Cancel();
    QVERIFY(dialog.IsCancelled());
    dialog.SetOwnerThread(QThread::currentThreadId());
    dialog.Begin(3);
    QVERIFY(dialog.IsCancelled());  // pressed before the job's Begin: it still counts
    dialog.End(false);
    QVERIFY(dialog.HasFailed());
    QVERIFY(dialog.State().finished);
}

void TestLogin::progressWorkerFillsAndReports()
{
    HeadlessProgress quick;
    ProgressWorker worker(100);
    QElapsedTimer timer;
    timer.start();
    const OwnedThread driver = worker.Start([] { return 0; }, &quick);
    QVERIFY(driver);
    quick.RunModal(driver.get(), false);
    QVERIFY(timer.elapsed() >= 450);  // the final fill takes ten ticks of 50 ms
    QVERIFY(!quick.HasFailed());
    QCOMPARE(quick.State().position, 100.0f);
    QVERIFY(!worker.Start([] { return 0; }, nullptr));

    HeadlessProgress failing;
    const OwnedThread second = worker.Start([] { return 3; }, &failing);
    failing.RunModal(second.get(), false);
    QVERIFY(failing.HasFailed());
    QCOMPARE(worker.ExitCode(), 3);

    // A long job keeps the bar short of full until it ends.
    HeadlessProgress slow;
    std::atomic<bool> release {false};
    float seen = 0;
    const OwnedThread third = worker.Start([&] {
        while (!release)
            QThread::msleep(10);
        return 0;
    }, &slow);
    QThread::msleep(1500);
    seen = slow.State().position;
    release = true;
    slow.RunModal(third.get(), false);
    QVERIFY(seen > 5 && seen < 100);
    QCOMPARE(slow.State().position, 100.0f);
}

void TestLogin::coreDumpsAreOff()
{
    const pid_t child = ::fork();
    if (child == 0) {
        ProcessHardening::DisableCoreDumps();
        rlimit limit {};
        ::getrlimit(RLIMIT_CORE, &limit);
        ::_exit(limit.rlim_cur == 0 && ::prctl(PR_GET_DUMPABLE) == 0 ? 0 : 1);
    }
    int status = -1;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    const QByteArray secret(64, 's');
    QVERIFY(ProcessHardening::LockMemory(secret.constData(), static_cast<std::size_t>(secret.size())) || ::geteuid() != 0);
    ProcessHardening::UnlockMemory(secret.constData(), static_cast<std::size_t>(secret.size()));
}

QTEST_GUILESS_MAIN(TestLogin)
#include "tst_login.moc"
