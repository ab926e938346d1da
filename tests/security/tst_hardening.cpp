// The hardened key file: Argon2id against its published answer, the record
// against an independent computation and a frozen copy, what a reader of the
// plain record alone makes of it, the change in both directions with every
// stored file still readable, a record asking too much, the login counter
// with it, and the recovery key (its reading and its login attempts).

#include "TestSupport.h"

#include "app/KeyFileJobs.h"
#include "base/MessageIds.h"
#include "security/Argon2id.h"
#include "security/FileStream.h"
#include "security/KeyFileLayout.h"
#include "security/KeyStretch.h"
#include "security/LoginAttempts.h"
#include "security/Password.h"
#include "security/PropertyStore.h"
#include "security/RecoveryKey.h"
#include "security/SecParams.h"
#include "security/SecurityStatus.h"
#include "security/StretchTuning.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace nbr;
using namespace nbr::test;

namespace {

// Small enough for tests, large enough for two lanes.
constexpr Argon2id::Cost kCost {256, 2, 2};
const QString kPassword = QStringLiteral("hardened-password");
const QString kFixture = QStringLiteral(NIMBRA_TEST_DATA "/secparams_hardened.enc");

const std::uint8_t* U8(const QByteArray& a) { return reinterpret_cast<const std::uint8_t*>(a.constData()); }

QByteArray Stretch(const QByteArray& password, const QByteArray& salt, const Argon2id::Cost& cost)
{
    QByteArray out(32, '\0');
    if (Failed(Argon2id::Hash(cost, U8(password), static_cast<std::size_t>(password.size()), U8(salt),
                              static_cast<std::size_t>(salt.size()), reinterpret_cast<std::uint8_t*>(out.data()),
                              32)))
        return {};
    return out;
}

QByteArray Words(const Argon2id::Cost& cost, const QByteArray& salt)
{
    QByteArray words(40, '\0');
    const quint32 head[] = {2, 0x13, cost.memoryKiB, cost.passes, cost.lanes};
    for (int i = 0; i < 5; ++i)
        qToLittleEndian<quint32>(head[i], words.data() + 4 * i);
    words.replace(20, 16, salt);
    qToLittleEndian<quint32>(32, words.data() + 36);
    return words;
}

// The parts of the frozen hardened key file; the password's place in the
// record's hashes is taken by its stretching.
KeyRecordParts HardenedParts()
{
    const QByteArray salt = Hex("404142434445464748494a4b4c4d4e4f");
    KeyRecordParts parts {Stretch(Utf16Le(kPassword), salt, kCost), kMaster, Hex("01020304"), Hex("05060708"),
                          kIv, Hex("202122232425262728292a2b2c2d2e2f"), Hex("09090909"), Words(kCost, salt)};
    return parts;
}

QByteArray Magic()
{
    return QByteArray(reinterpret_cast<const char*>(KeyFileLayout::kMagic.data()), 8);
}

// A key file as a program holds it.
struct Keys {
    QTemporaryDir dir;
    QString keyFile = dir.filePath(QStringLiteral("secparams.enc"));
    FileStreamPtr stream {new FileStream};
    SecParams params;
    PropertyStore properties;

    Keys() { Attach(); }
    void Attach()
    {
        stream.reset(new FileStream);
        (void)stream->Open(keyFile);
        params.AttachStream(stream.get());
        properties.Attach(stream.get());
    }
    // Forgets everything in memory and opens the file afresh.
    void Reopen()
    {
        params.ClearMemory();
        params.AttachStream(nullptr);
        properties.Attach(nullptr);
        Attach();
    }
    Status Unlock(const QString& password)
    {
        const LockedByteBlock bytes = Password(password).Bytes();
        return params.Unlock(bytes.data(), bytes.size());
    }
};

// What a reader that knows only the plain key file makes of a file: "not
// set up" without the magic, "invalid record" for a length or version it
// does not know, else a record to check the password against.
enum class PlainReading { NotSetUp, InvalidRecord, Record };
PlainReading ReadAsPlain(const QByteArray& file)
{
    if (file.size() < 8 || file.left(8) != Magic())
        return PlainReading::NotSetUp;
    if (file.size() < 8 + 30986 || qFromLittleEndian<quint32>(file.constData() + 8) != 30986
        || qFromLittleEndian<quint16>(file.constData() + 12) != 1)
        return PlainReading::InvalidRecord;
    return PlainReading::Record;
}

}  // namespace

class TestHardening : public QObject {
    Q_OBJECT

private slots:
    void init() { StretchTuning::FixCost(&kCost); }
    void cleanup() { StretchTuning::FixCost(nullptr); }
    void argon2idKnownAnswer();
    void tuningStaysWithinItsBounds_data();
    void tuningStaysWithinItsBounds();
    void hardenedRecordMatchesIndependentComputation();
    void plainReaderTakesHardenedFileForInvalidRecord();
    void hardenAndUnhardenKeepEveryStoredFile();
    void recordAskingTooMuchIsRefusedBeforeWork();
    void tenAttemptsCountWithHardenedFile();
    void recoveryKeyReadsWhatPeopleType();
    void recoveryKeyAttemptsCount();
};

void TestHardening::argon2idKnownAnswer()
{
    // RFC 9106, section 5.3: Argon2id with a secret and associated data.
    const QByteArray password(32, '\x01');
    const QByteArray salt(16, '\x02');
    const QByteArray secret(8, '\x03');
    const QByteArray associated(12, '\x04');
    Argon2id::Extra extra;
    extra.secret = U8(secret);
    extra.secretLength = 8;
    extra.associated = U8(associated);
    extra.associatedLength = 12;
    QByteArray tag(32, '\0');
    QCOMPARE(Argon2id::Hash({32, 3, 4}, U8(password), 32, U8(salt), 16, reinterpret_cast<std::uint8_t*>(tag.data()),
                            32, &extra),
             S_OK);
    QCOMPARE(tag.toHex(), QByteArray("0d640df58d78766c08c037a34a8b53c9d01ef0452d75b65eb52520e96b01e659"));
    // What the library refuses comes back as a status, never as a crash.
    QCOMPARE(Argon2id::Hash({32, 3, 4}, U8(password), 32, U8(salt), 4, reinterpret_cast<std::uint8_t*>(tag.data()),
                            32),
             E_STRETCH_FAILED);
    QCOMPARE(Argon2id::Hash({32, 0, 4}, U8(password), 32, U8(salt), 16, reinterpret_cast<std::uint8_t*>(tag.data()),
                            32),
             E_STRETCH_FAILED);
}

void TestHardening::tuningStaysWithinItsBounds_data()
{
    QTest::addColumn<double>("seconds");  // one run at 64 MiB, 3 passes, 4 lanes
    QTest::addColumn<int>("mib");
    QTest::addColumn<int>("passes");
    QTest::newRow("half a second: memory doubles") << 0.5 << 128 << 3;
    QTest::newRow("slow computer: never below the floor") << 4.0 << 64 << 3;
    QTest::newRow("a third of a second: steps of 8 MiB") << 0.3 << 208 << 3;
    QTest::newRow("fast: the ceiling, then passes") << 0.04 << 1024 << 4;
    QTest::newRow("faster still: passes stop at 16") << 0.001 << 1024 << 16;
    QTest::newRow("no time measured") << 0.0 << 64 << 3;
}

void TestHardening::tuningStaysWithinItsBounds()
{
    QFETCH(double, seconds);
    QFETCH(int, mib);
    QFETCH(int, passes);
    const Argon2id::Cost cost = StretchTuning::Scale({64 * 1024, 3, 4}, seconds, 1.0);
    QCOMPARE(cost.memoryKiB, std::uint32_t(mib * 1024));
    QCOMPARE(cost.passes, std::uint32_t(passes));
    QCOMPARE(cost.lanes, 4u);
    QVERIFY(KeyStretch::WithinBounds(cost));
    QCOMPARE(StretchTuning::Scale({64 * 1024, 3, 64}, seconds, 1.0).lanes, StretchTuning::kMaxLanes);
}

void TestHardening::hardenedRecordMatchesIndependentComputation()
{
    const KeyRecordParts parts = HardenedParts();
    QVERIFY(!parts.password.isEmpty());
    const QByteArray reference = ReferenceKeyRecord(parts);

    // Drawn in the order creation draws: master key, stretching salt,
    // verifier salt, wrapping salt and IV, the unused random bytes, MAC salt
    // (and the save's MAC salt).
    Keys keys;
    FixedRandom random(kMaster + parts.stretchWords.mid(20, 16) + parts.verifierSalt + parts.wrapSalt + parts.wrapIv
                       + parts.creationRandom + parts.macSalt + parts.macSalt);
    keys.params.SetRandomSource(&random);
    const QByteArray pw = Utf16Le(kPassword);
    QCOMPARE(keys.params.CreateNew(U8(pw), static_cast<std::size_t>(pw.size()), &kCost), S_OK);
    QCOMPARE(keys.params.Save(), S_OK);
    keys.params.SetRandomSource(nullptr);
    QCOMPARE(ReadAll(keys.keyFile).left(8 + 30986), Magic() + reference);
    Argon2id::Cost cost;
    QVERIFY(keys.params.IsHardened(&cost));
    QCOMPARE(cost, kCost);

    // The frozen copy: what this version writes, every later one must open.
    if (qEnvironmentVariableIsSet("NIMBRA_WRITE_FIXTURES"))
        QVERIFY(WriteAll(kFixture, Magic() + reference));
    const QByteArray frozen = ReadAll(kFixture);
    QCOMPARE(frozen, Magic() + reference);
    QVERIFY(WriteAll(keys.keyFile, frozen));
    keys.Reopen();
    QCOMPARE(keys.Unlock(kPassword), S_OK);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(keys.params.GetMasterKey()), 32), kMaster);
    QVERIFY(keys.params.IsHardened());
    // The save changes only the MAC salt and the MAC.
    QCOMPARE(keys.params.Save(), S_OK);
    const QByteArray saved = ReadAll(keys.keyFile);
    QCOMPARE(saved.size(), qsizetype(KeyFileLayout::kFileLength));
    QCOMPARE(saved.left(8 + 30950), frozen.left(8 + 30950));

    keys.Reopen();
    QCOMPARE(keys.Unlock(QStringLiteral("hardened-passwore")), E_WRONG_PASSWORD);
    QCOMPARE(keys.params.GetMasterKeyLength(), std::size_t(0));
    QVERIFY(!keys.params.IsHardened());
}

void TestHardening::plainReaderTakesHardenedFileForInvalidRecord()
{
    const QByteArray frozen = ReadAll(kFixture);
    QCOMPARE(ReadAsPlain(frozen), PlainReading::InvalidRecord);
    // Ours, freshly made at a cost tuned here, and after an un-hardening.
    Keys keys;
    const QByteArray pw = Utf16Le(kPassword);
    QCOMPARE(keys.params.CreateNew(U8(pw), static_cast<std::size_t>(pw.size()), &kCost), S_OK);
    QCOMPARE(keys.params.Save(), S_OK);
    QCOMPARE(ReadAsPlain(ReadAll(keys.keyFile)), PlainReading::InvalidRecord);
    bool has = false;
    QCOMPARE(keys.params.HasKeyFile(&has), S_OK);
    QVERIFY(has);
    SecParams::KeyArea area = SecParams::KeyArea::Blank;
    QCOMPARE(keys.params.ReadKeyArea(&area), S_OK);
    QCOMPARE(area, SecParams::KeyArea::Key);
    bool hardened = false;
    QCOMPARE(keys.params.ReadHardened(&hardened), S_OK);
    QVERIFY(hardened);

    QCOMPARE(keys.params.Rewrap(U8(pw), static_cast<std::size_t>(pw.size()), nullptr), S_OK);
    QCOMPARE(keys.params.Save(), S_OK);
    const QByteArray plain = ReadAll(keys.keyFile);
    QCOMPARE(ReadAsPlain(plain), PlainReading::Record);
    // Nothing of the stretching stays in the plain record.
    QCOMPARE(plain.mid(8 + 110, 40), QByteArray(40, '\0'));
    QCOMPARE(keys.params.ReadHardened(&hardened), S_OK);
    QVERIFY(!hardened);
}

void TestHardening::hardenAndUnhardenKeepEveryStoredFile()
{
    Keys keys;
    const QString first = QStringLiteral("first-password");
    const QString second = QStringLiteral("second-password");
    QCOMPARE(KeyFileJobs::CommitSetup(keys.params, keys.properties, Password(first), QStringLiteral("one")), S_OK);
    QCOMPARE(keys.params.Save(&keys.properties), S_OK);
    const QByteArray master(reinterpret_cast<const char*>(keys.params.GetMasterKey()), 32);

    // Stored files under the master key, of sizes around the block edges.
    const QString plainDir = keys.dir.filePath(QStringLiteral("plain"));
    const QString storeDir = keys.dir.filePath(QStringLiteral("store"));
    QVERIFY(QDir().mkpath(plainDir) && QDir().mkpath(storeDir));
    const QList<qsizetype> sizes {0, 1, 16, 17, 70000};
    {
        CryptPtr engine = MakeEngine(master);
        for (const qsizetype size : sizes) {
            const QString name = QString::number(size);
            QVERIFY(WriteAll(plainDir + QLatin1Char('/') + name, Pattern(size, static_cast<int>(size))));
            QCOMPARE(engine->EncryptFileToFile(plainDir + QLatin1Char('/') + name, storeDir + QLatin1Char('/') + name,
                                               nullptr, nullptr, nullptr),
                     S_OK);
        }
    }
    const auto everyFileReads = [&](const QString& password, bool hardened) {
        keys.Reopen();
        if (keys.Unlock(password) != S_OK || keys.params.IsHardened() != hardened)
            return false;
        CryptPtr engine;
        if (Failed(CreateCrypt(CryptAlgorithmAes256, &engine))
            || Failed(engine->SetMasterKey(keys.params.GetMasterKey(), keys.params.GetMasterKeyLength())))
            return false;
        for (const qsizetype size : sizes) {
            const QString name = QString::number(size);
            const QString out = keys.dir.filePath(QStringLiteral("out-") + name);
            QFile::remove(out);
            if (Failed(engine->DecryptFileToFile(storeDir + QLatin1Char('/') + name, out, nullptr, nullptr, nullptr))
                || ReadAll(out) != Pattern(size, static_cast<int>(size)))
                return false;
        }
        return true;
    };
    const auto change = [&](const QString& current, const QString& next, Protection protection) {
        const PasswordChange result = KeyFileJobs::ApplyChange(keys.params, keys.properties, Password(current),
                                                               Password(next), Password(next), QStringLiteral("h"),
                                                               protection);
        return result.changed && Succeeded(result.status) && Succeeded(keys.params.Save(&keys.properties))
               ? result.messageId
               : -1;
    };

    // Plain to hardened keeping the password, then hardened with a new one.
    QVERIFY(everyFileReads(first, false));
    QCOMPARE(change(first, QString(), Protection::Hardened), msg::kProtectionChanged);
    QVERIFY(everyFileReads(first, true));
    QCOMPARE(change(first, second, Protection::Keep), msg::kPasswordChanged);
    QVERIFY(everyFileReads(second, true));
    QCOMPARE(keys.Unlock(first), E_WRONG_PASSWORD);
    // Hardened to plain with a new password, and back with a third.
    QCOMPARE(keys.Unlock(second), S_OK);
    QCOMPARE(change(second, first, Protection::Plain), msg::kPasswordChanged);
    QVERIFY(everyFileReads(first, false));
    QCOMPARE(change(first, second, Protection::Hardened), msg::kPasswordChanged);
    QVERIFY(everyFileReads(second, true));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(keys.params.GetMasterKey()), 32), master);
    // A wrong current password changes nothing.
    const QByteArray before = ReadAll(keys.keyFile);
    const PasswordChange refused = KeyFileJobs::ApplyChange(keys.params, keys.properties, Password(first),
                                                            Password(), Password(), QString(), Protection::Plain);
    QVERIFY(!refused.changed);
    QCOMPARE(refused.messageId, msg::kCurrentPasswordWrong);
    QCOMPARE(ReadAll(keys.keyFile), before);
}

void TestHardening::recordAskingTooMuchIsRefusedBeforeWork()
{
    const QByteArray frozen = ReadAll(kFixture);
    QVERIFY(!frozen.isEmpty());
    Keys keys;
    struct Case {
        int word;  // offset in the record
        quint32 value;
        Status expected;
    };
    const Case cases[] = {
        {KeyFileLayout::kStretchMemory, 4u * 1024 * 1024, E_STRETCH_COST},  // 4 GiB
        {KeyFileLayout::kStretchMemory, 0xFFFFFFFFu, E_STRETCH_COST},
        {KeyFileLayout::kStretchPasses, 1000000, E_STRETCH_COST},
        {KeyFileLayout::kStretchLanes, 0, E_STRETCH_COST},
        {KeyFileLayout::kStretchLanes, 1u << 24, E_STRETCH_COST},
        {KeyFileLayout::kStretchAlgorithm, 1, E_INVALIDARG},
        {KeyFileLayout::kStretchAlgorithmVersion, 0x10, E_INVALIDARG},
        {KeyFileLayout::kStretchOutput, 64, E_INVALIDARG},
        // Within bounds but not what the record was made with.
        {KeyFileLayout::kStretchPasses, 3, E_WRONG_PASSWORD},
    };
    for (const Case& c : cases) {
        QByteArray file = frozen;
        qToLittleEndian<quint32>(c.value, file.data() + 8 + c.word);
        QVERIFY(WriteAll(keys.keyFile, file));
        keys.Reopen();
        QCOMPARE(keys.Unlock(kPassword), c.expected);
        QCOMPARE(keys.params.GetMasterKeyLength(), std::size_t(0));
        LockedByteBlock key;
        QCOMPARE(SecParams::VerifyRecord(U8(Utf16Le(kPassword)), 34, U8(file.mid(8)), 30986, &key), c.expected);
        QCOMPARE(key.size(), std::size_t(0));
    }
}

void TestHardening::tenAttemptsCountWithHardenedFile()
{
    for (const bool rightAtNine : {false, true}) {
        Keys keys;
        const QByteArray pw = Utf16Le(kPassword);
        QCOMPARE(keys.params.CreateNew(U8(pw), static_cast<std::size_t>(pw.size()), &kCost), S_OK);
        QCOMPARE(keys.params.Save(), S_OK);
        keys.Reopen();
        LoginAttempts attempts(keys.params, keys.properties);
        QCOMPARE(attempts.Open(), S_OK);
        for (int i = 1; i <= 8; ++i) {
            const LoginOutcome outcome = attempts.Attempt(Password(QStringLiteral("wrong-password")));
            QCOMPARE(outcome.kind, LoginOutcome::kRefused);
            QCOMPARE(outcome.messageId, msg::kLoginWrongPassword);
            QVERIFY(!outcome.lastChance);
        }
        std::int32_t stored = -1;
        QCOMPARE(keys.properties.ReadInt(KeyFileLayout::kSlotFailedLogins, &stored), S_OK);
        QCOMPARE(stored, 8);
        const LoginOutcome ninth = attempts.Attempt(Password(rightAtNine ? kPassword : QStringLiteral("wrong-pass")));
        if (rightAtNine) {
            QCOMPARE(ninth.kind, LoginOutcome::kLoggedIn);
            QCOMPARE(keys.properties.ReadInt(KeyFileLayout::kSlotFailedLogins, &stored), S_OK);
            QCOMPARE(stored, 0);
            continue;
        }
        QVERIFY(ninth.lastChance);
        // A run that starts again keeps counting from the stick.
        keys.Reopen();
        LoginAttempts again(keys.params, keys.properties);
        QCOMPARE(again.Open(), S_OK);
        QCOMPARE(again.Counter(), 9);
        QCOMPARE(again.Attempt(Password(kPassword.left(5))).kind, LoginOutcome::kWipe);
    }
}

void TestHardening::recoveryKeyReadsWhatPeopleType()
{
    QString text;
    QCOMPARE(RecoveryKey::Format(U8(kMaster), &text), S_OK);
    QCOMPARE(text.size(), 56 + 13);
    QCOMPARE(text.count(QLatin1Char('-')), 13);
    QVERIFY(!text.contains(QRegularExpression(QStringLiteral("[ILOU]"))));
    const auto read = [](const QString& typed, QByteArray* key = nullptr) {
        LockedByteBlock block;
        const Status s = RecoveryKey::Parse(typed.toStdU16String(), &block);
        if (key)
            *key = QByteArray(reinterpret_cast<const char*>(block.data()), static_cast<qsizetype>(block.size()));
        return s;
    };
    QByteArray key;
    QCOMPARE(read(text, &key), S_OK);
    QCOMPARE(key, kMaster);
    // As people type it: lower case, spaces, no hyphens, O for 0 and I or L for 1.
    QString loose = text.toLower().replace(QLatin1Char('-'), QLatin1Char(' '));
    QCOMPARE(read(loose, &key), S_OK);
    QCOMPARE(key, kMaster);
    QString lookalikes = text;
    lookalikes.remove(QLatin1Char('-')).replace(QLatin1Char('0'), QLatin1Char('O')).replace(QLatin1Char('1'), QLatin1Char('l'));
    QCOMPARE(read(lookalikes, &key), S_OK);
    QCOMPARE(key, kMaster);

    // Every sign changed anywhere is caught, as are a sign dropped or added
    // and signs that are none.
    const QString bare = QString(text).remove(QLatin1Char('-'));
    for (int i = 0; i < bare.size(); ++i) {
        QString typo = bare;
        typo[i] = typo[i] == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
        QVERIFY2(read(typo) == E_RECOVERY_KEY_TYPO, qPrintable(QString::number(i)));
    }
    for (const QString& bad : {bare.left(55), bare + QLatin1Char('A'), QString(), bare.left(55) + QLatin1Char('U'),
                               bare.left(55) + QLatin1Char('*'), bare + bare}) {
        key.clear();
        QCOMPARE(read(bad, &key), E_RECOVERY_KEY_TYPO);
        QVERIFY(key.isEmpty());
    }
    // Two keys, two texts.
    QString other;
    QCOMPARE(RecoveryKey::Format(U8(kFileKey), &other), S_OK);
    QVERIFY(other != text);
}

void TestHardening::recoveryKeyAttemptsCount()
{
    for (const bool hardened : {false, true}) {
        Keys keys;
        const QByteArray pw = Utf16Le(kPassword);
        QCOMPARE(keys.params.CreateNew(U8(pw), static_cast<std::size_t>(pw.size()), hardened ? &kCost : nullptr),
                 S_OK);
        QCOMPARE(keys.params.Save(), S_OK);
        const QByteArray master(reinterpret_cast<const char*>(keys.params.GetMasterKey()), 32);
        keys.Reopen();

        LoginAttempts attempts(keys.params, keys.properties);
        QCOMPARE(attempts.Open(), S_OK);
        // A well-formed key of another store counts as a failed login.
        QByteArray wrong = master;
        wrong[0] = static_cast<char>(wrong[0] ^ 1);
        LockedByteBlock wrongKey(U8(wrong), 32);
        LoginOutcome outcome = attempts.AttemptRecovery(wrongKey);
        QCOMPARE(outcome.kind, LoginOutcome::kRefused);
        QCOMPARE(outcome.messageId, msg::kRecoveryKeyWrong);
        QCOMPARE(outcome.status, E_WRONG_RECOVERY_KEY);
        QCOMPARE(outcome.counter, 1);
        QCOMPARE(keys.params.GetMasterKeyLength(), std::size_t(0));
        std::int32_t stored = -1;
        QCOMPARE(keys.properties.ReadInt(KeyFileLayout::kSlotFailedLogins, &stored), S_OK);
        QCOMPARE(stored, 1);

        // The right key logs in; a new password wraps the same master key,
        // the record stays as hardened as it was.
        LockedByteBlock rightKey(U8(master), 32);
        outcome = attempts.AttemptRecovery(rightKey);
        QCOMPARE(outcome.kind, LoginOutcome::kLoggedIn);
        QCOMPARE(outcome.counter, 0);
        const QString fresh = QStringLiteral("after-recovery");
        const PasswordChange change = KeyFileJobs::SetRecoveredPassword(
            keys.params, keys.properties, Password(fresh), Password(fresh), QStringLiteral("new hint"));
        QVERIFY(change.changed);
        QCOMPARE(change.status, S_OK);
        QCOMPARE(change.messageId, msg::kRecoveredPasswordSet);
        QCOMPARE(keys.params.Save(&keys.properties), S_OK);
        keys.Reopen();
        QCOMPARE(keys.Unlock(kPassword), E_WRONG_PASSWORD);
        QCOMPARE(keys.Unlock(fresh), S_OK);
        QCOMPARE(keys.params.IsHardened(), hardened);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(keys.params.GetMasterKey()), 32), master);

        // At nine failures, a wrong recovery key is the tenth: the wipe.
        QCOMPARE(keys.properties.WriteInt(KeyFileLayout::kSlotFailedLogins, 9), S_OK);
        keys.Reopen();
        LoginAttempts last(keys.params, keys.properties);
        QCOMPARE(last.Open(), S_OK);
        QCOMPARE(last.AttemptRecovery(wrongKey).kind, LoginOutcome::kWipe);
    }
    // The rules of a new password hold after a recovery too.
    Keys keys;
    const PasswordChange refused =
        KeyFileJobs::SetRecoveredPassword(keys.params, keys.properties, Password(QStringLiteral("password")),
                                          Password(QStringLiteral("password")), QString());
    QVERIFY(!refused.changed);
    QCOMPARE(refused.messageId, msg::kPasswordTooCommon);
}

QTEST_GUILESS_MAIN(TestHardening)
#include "tst_hardening.moc"
