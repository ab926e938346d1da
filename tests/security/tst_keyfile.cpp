// The key file: its stream, the record against an independent computation in
// both directions, password change, saves, erase and the property records.

#include "TestSupport.h"

#include "platform/FileSystem.h"
#include "security/FileStream.h"
#include "security/KeyFileLayout.h"
#include "security/PropertyStore.h"
#include "security/SecParams.h"
#include "security/SecurityStatus.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <QTemporaryDir>
#include <QTest>

using namespace nbr;
using namespace nbr::test;

namespace {

const KeyRecordParts kParts = {
    Utf16Le(QStringLiteral("Correct horse ✓")),
    Hex("a0a1a2a3a4a5a6a7a8a9aaabacadaeafb0b1b2b3b4b5b6b7b8b9babbbcbdbebf"),
    Hex("01020304"),
    Hex("05060708"),
    Hex("101112131415161718191a1b1c1d1e1f"),
    Hex("202122232425262728292a2b2c2d2e2f"),
    Hex("09090909"),
    {},  // plain
};

struct StreamDeleter {
    void operator()(FileStream* s) const { s->Release(); }
};
using StreamPtr = std::unique_ptr<FileStream, StreamDeleter>;

StreamPtr OpenStream(const QString& path, Status* status = nullptr)
{
    StreamPtr stream(new FileStream);
    const Status s = stream->Open(path);
    if (status)
        *status = s;
    return stream;
}

const std::uint8_t* U8(const QByteArray& a) { return reinterpret_cast<const std::uint8_t*>(a.constData()); }

// Whether `password` opens the key file at `path`, read afresh.
bool Opens(const QString& path, const QByteArray& password)
{
    StreamPtr stream = OpenStream(path);
    SecParams params;
    params.AttachStream(stream.get());
    return params.Unlock(U8(password), static_cast<std::size_t>(password.size())) == S_OK;
}

// The hint as a reader that takes no lock sees it.
QString HintOf(const QString& path)
{
    const QByteArray record = ReadAll(path).mid(51200 + 512 * 3, 512);
    if (!record.startsWith("PROP0003"))
        return {};
    const auto length = qFromLittleEndian<std::uint32_t>(record.constData() + 8);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(record.constData() + 12), length / 2).section(QChar(0), 0, 0);
}

// From the `at`-th step of kind `step` on, every step fails, as on a stick
// that was pulled; `tear` makes that first failing step a torn write.
class PulledStick {
public:
    PulledStick(FileStream::Step step, bool tear)
    {
        FileStream::SetFaultSeam([this, step, tear](FileStream::Step now) {
            if (!pulled_ && now == step) {
                pulled_ = true;
                return tear ? FileStream::Fault::kTear : FileStream::Fault::kFail;
            }
            return pulled_ ? FileStream::Fault::kFail : FileStream::Fault::kNone;
        });
    }
    ~PulledStick() { FileStream::SetFaultSeam(nullptr); }
    [[nodiscard]] bool Pulled() const { return pulled_; }

private:
    bool pulled_ = false;
};

struct SetUpKey {
    QByteArray oldPw = Utf16Le(QStringLiteral("first-password"));
    QByteArray newPw = Utf16Le(QStringLiteral("second-password"));
};

}  // namespace

class TestKeyFile : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(dir_.isValid()); path_ = dir_.filePath(QStringLiteral("secparams.enc")); QFile::remove(path_); }
    void streamRules();
    void secondWriterIsLockedOut();
    void emptyKeyFile();
    void foreignRecordUnlocks();
    void ourRecordMatchesTheLayout();
    void wrongPasswordAndDamage();
    void passwordChangeKeepsTheMasterKey();
    void savesDifferInMacOnly();
    void eraseKeepsProperties();
    void propertyLimits();
    void changePasswordIsAllOrNothing();
    void saveReplacesTheFileUnderTheStream();
    void plantedReplacementLinkIsNotFollowed();
    void tornSaveKeepsTheOldRecord_data();
    void tornSaveKeepsTheOldRecord();
    void propertyWriteTouchesOnlyItsRecord();

private:
    QTemporaryDir dir_;
    QString path_;
};

void TestKeyFile::streamRules()
{
    StreamPtr stream = OpenStream(path_);
    char buffer[8];
    std::uint32_t done = 99;
    QCOMPARE(stream->Read(buffer, 8, &done), S_OK);
    QCOMPARE(done, 0u);
    QCOMPARE(stream->Read(buffer, 8, nullptr), E_STREAM_READ);
    QCOMPARE(stream->Write("0123456789", 10, nullptr), S_OK);
    std::uint64_t position = 0;
    QCOMPARE(stream->Seek(2, FileStream::kSeekSet, &position), S_OK);
    QCOMPARE(stream->Seek(3, FileStream::kSeekCur, &position), S_OK);
    QCOMPARE(position, 5ull);
    QCOMPARE(stream->Seek(1, 7, &position), S_OK);  // unknown origins move from here too
    QCOMPARE(position, 6ull);
    QCOMPARE(stream->Seek(-1, FileStream::kSeekEnd, &position), S_OK);
    QCOMPARE(position, 9ull);
    QCOMPARE(stream->Seek(-100, FileStream::kSeekCur, &position), StatusFromWin32(87));
    QCOMPARE(stream->Commit(), S_OK);
    QCOMPARE(stream->QueryInterface(), E_NOTIMPL);

    Status s = S_OK;
    StreamPtr missing = OpenStream(dir_.filePath(QStringLiteral("no/secparams.enc")), &s);
    QCOMPARE(s, StatusFromWin32(3));
    QCOMPARE(missing->Read(buffer, 1, nullptr), E_STREAM_READ);
    QCOMPARE(missing->Write(buffer, 1, nullptr), E_STREAM_WRITE);

    auto* fresh = new FileStream;
    QCOMPARE(fresh->AddRef(), 2);
    QCOMPARE(fresh->Release(), 1);
    QCOMPARE(fresh->Release(), 0);  // destroyed: the count started at 1
}

void TestKeyFile::secondWriterIsLockedOut()
{
    StreamPtr first = OpenStream(path_);
    QCOMPARE(first->Write("data", 4, nullptr), S_OK);
    Status s = S_OK;
    StreamPtr second = OpenStream(path_, &s);
    QCOMPARE(s, StatusFromWin32(32));
    QVERIFY(!second->IsOpen());
    // Readers are welcome.
    QFile reader(path_);
    QVERIFY(reader.open(QIODevice::ReadOnly));
    QCOMPARE(reader.readAll(), QByteArray("data"));
    first.reset();
    StreamPtr third = OpenStream(path_, &s);
    QCOMPARE(s, S_OK);
}

void TestKeyFile::emptyKeyFile()
{
    StreamPtr stream = OpenStream(path_);
    SecParams params;
    bool has = true;
    QCOMPARE(params.HasKeyFile(&has), E_NO_KEY_STREAM);
    params.AttachStream(stream.get());
    QCOMPARE(params.HasKeyFile(&has), E_KEY_FILE_SHORT);
    QVERIFY(!has);
    const QByteArray pw = kParts.password;
    QCOMPARE(params.Unlock(U8(pw), static_cast<std::size_t>(pw.size())), E_BAD_STATE);
    PropertyStore properties;
    std::int32_t value = 0;
    QCOMPARE(properties.ReadInt(0, &value), E_PROP_NO_STREAM);
    properties.Attach(stream.get());
    for (std::uint32_t slot : {0u, 1u, 2u, 3u, 49u})
        QCOMPARE(properties.ReadInt(slot, &value), E_PROP_NOT_FOUND);
    QVERIFY(!params.IsUnlocked());
    QCOMPARE(params.Save(), E_BAD_STATE);
}

void TestKeyFile::foreignRecordUnlocks()
{
    const QByteArray record = ReferenceKeyRecord(kParts);
    QVERIFY(WriteAll(path_, QByteArray(reinterpret_cast<const char*>(KeyFileLayout::kMagic.data()), 8) + record));
    StreamPtr stream = OpenStream(path_);
    SecParams params;
    params.AttachStream(stream.get());
    QCOMPARE(params.Unlock(U8(kParts.password), static_cast<std::size_t>(kParts.password.size())), S_OK);
    QCOMPARE(params.GetMasterKeyLength(), std::size_t(32));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(params.GetMasterKey()), 32).toHex(), kParts.master.toHex());
    QVERIFY(params.VerifyPassword(U8(kParts.password), static_cast<std::size_t>(kParts.password.size())));
    const QByteArray other = Utf16Le(QStringLiteral("Correct horse ✗"));
    QVERIFY(!params.VerifyPassword(U8(other), static_cast<std::size_t>(other.size())));
}

void TestKeyFile::ourRecordMatchesTheLayout()
{
    // The random draws in their order: master key, verifier salt, wrapping
    // salt, wrapping IV, the 16 creation bytes, the MAC salt.
    FixedRandom random(kParts.master + kParts.verifierSalt + kParts.wrapSalt + kParts.wrapIv + kParts.creationRandom
                       + kParts.macSalt + kParts.macSalt);
    StreamPtr stream = OpenStream(path_);
    SecParams params;
    params.SetRandomSource(&random);
    params.AttachStream(stream.get());
    QCOMPARE(params.CreateNew(U8(kParts.password), static_cast<std::size_t>(kParts.password.size())), S_OK);
    QCOMPARE(params.Save(), S_OK);
    const QByteArray file = ReadAll(path_);
    QCOMPARE(file.size(), qsizetype(KeyFileLayout::kFileLength));  // the property records too, all absent
    QCOMPARE(file.left(8).toHex(), QByteArray("aa78010012f5125d"));
    QVERIFY(file.mid(8, 30986) == ReferenceKeyRecord(kParts));
    QVERIFY(file.mid(30994) == QByteArray(file.size() - 30994, '\0'));
}

void TestKeyFile::wrongPasswordAndDamage()
{
    QVERIFY(WriteAll(path_, QByteArray(reinterpret_cast<const char*>(KeyFileLayout::kMagic.data()), 8)
                                + ReferenceKeyRecord(kParts)));
    const std::size_t n = static_cast<std::size_t>(kParts.password.size());
    {
        StreamPtr stream = OpenStream(path_);
        SecParams params;
        params.AttachStream(stream.get());
        const QByteArray wrong = Utf16Le(QStringLiteral("correct horse ✓"));
        QCOMPARE(params.Unlock(U8(wrong), static_cast<std::size_t>(wrong.size())), E_WRONG_PASSWORD);
        QCOMPARE(params.GetMasterKeyLength(), std::size_t(0));
        QVERIFY(params.GetMasterKey() == nullptr);
        QCOMPARE(params.Unlock(U8(wrong), 0), E_INVALIDARG);
    }
    // Any byte outside the verifier and wrapping fields is covered by the MAC.
    for (const int offset : {100, 94, 30949, 30950, 30985}) {
        QByteArray record = ReferenceKeyRecord(kParts);
        record[offset] = char(record[offset] ^ 0x20);
        QVERIFY(WriteAll(path_, QByteArray(reinterpret_cast<const char*>(KeyFileLayout::kMagic.data()), 8) + record));
        StreamPtr stream = OpenStream(path_);
        SecParams params;
        params.AttachStream(stream.get());
        QCOMPARE(params.Unlock(U8(kParts.password), n), E_INTEGRITY);
        QCOMPARE(params.GetMasterKeyLength(), std::size_t(0));
    }
    // A record of another version, and one cut short.
    QByteArray record = ReferenceKeyRecord(kParts);
    record[4] = 2;
    LockedByteBlock key;
    QCOMPARE(SecParams::VerifyRecord(U8(kParts.password), n, U8(record), 30986, &key), E_INVALIDARG);
    QCOMPARE(SecParams::VerifyRecord(U8(kParts.password), n, U8(record), 30985, &key), E_BUFFER_TOO_SMALL);
    QCOMPARE(SecParams::VerifyRecord(nullptr, 0, U8(record), 30986, &key), E_WRONG_PASSWORD);
    QVERIFY(WriteAll(path_, QByteArray(reinterpret_cast<const char*>(KeyFileLayout::kMagic.data()), 8) + record.left(500)));
    StreamPtr stream = OpenStream(path_);
    SecParams params;
    params.AttachStream(stream.get());
    QCOMPARE(params.Unlock(U8(kParts.password), n), E_BAD_STATE);
}

void TestKeyFile::passwordChangeKeepsTheMasterKey()
{
    const QByteArray oldPw = Utf16Le(QStringLiteral("first-password"));
    const QByteArray newPw = Utf16Le(QStringLiteral("second-password"));
    QByteArray master;
    {
        StreamPtr stream = OpenStream(path_);
        SecParams params;
        params.AttachStream(stream.get());
        QCOMPARE(params.CreateNew(U8(oldPw), static_cast<std::size_t>(oldPw.size())), S_OK);
        master = QByteArray(reinterpret_cast<const char*>(params.GetMasterKey()), 32);
        QCOMPARE(params.Save(), S_OK);
        // A stored file written under the first password.
        QVERIFY(WriteAll(dir_.filePath(QStringLiteral("plain.txt")), "kept across the change"));
        CryptPtr engine = MakeEngine(master);
        QCOMPARE(engine->EncryptFileToFile(dir_.filePath(QStringLiteral("plain.txt")), dir_.filePath(QStringLiteral("1")),
                                           nullptr, nullptr, nullptr),
                 S_OK);
        QCOMPARE(params.ChangePassword(U8(newPw), static_cast<std::size_t>(newPw.size())), S_OK);
        QCOMPARE(params.Save(), S_OK);
    }
    StreamPtr stream = OpenStream(path_);
    SecParams params;
    params.AttachStream(stream.get());
    QCOMPARE(params.Unlock(U8(oldPw), static_cast<std::size_t>(oldPw.size())), E_WRONG_PASSWORD);
    QCOMPARE(params.Unlock(U8(newPw), static_cast<std::size_t>(newPw.size())), S_OK);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(params.GetMasterKey()), 32), master);
    CryptPtr engine = MakeEngine(master);
    QCOMPARE(engine->DecryptFileToFile(dir_.filePath(QStringLiteral("1")), dir_.filePath(QStringLiteral("back.txt")),
                                       nullptr, nullptr, nullptr),
             S_OK);
    QCOMPARE(ReadAll(dir_.filePath(QStringLiteral("back.txt"))), QByteArray("kept across the change"));
    SecParams locked;
    QCOMPARE(locked.ChangePassword(U8(newPw), static_cast<std::size_t>(newPw.size())), E_BAD_STATE);
    QCOMPARE(params.ChangePassword(nullptr, 0), E_INVALIDARG);
}

void TestKeyFile::savesDifferInMacOnly()
{
    StreamPtr stream = OpenStream(path_);
    SecParams params;
    params.AttachStream(stream.get());
    QCOMPARE(params.CreateNew(U8(kParts.password), static_cast<std::size_t>(kParts.password.size())), S_OK);
    QCOMPARE(params.Save(), S_OK);
    const QByteArray first = ReadAll(path_);
    QCOMPARE(params.Save(), S_OK);
    const QByteArray second = ReadAll(path_);
    QCOMPARE(first.size(), second.size());
    QVERIFY(first.left(8 + 30950) == second.left(8 + 30950));
    QVERIFY(first.mid(8 + 30950, 4) != second.mid(8 + 30950, 4));
    QVERIFY(first.mid(8 + 30954) != second.mid(8 + 30954));
}

void TestKeyFile::eraseKeepsProperties()
{
    StreamPtr stream = OpenStream(path_);
    SecParams params;
    params.AttachStream(stream.get());
    PropertyStore properties;
    properties.Attach(stream.get());
    QCOMPARE(params.CreateNew(U8(kParts.password), static_cast<std::size_t>(kParts.password.size())), S_OK);
    QCOMPARE(params.Save(), S_OK);
    QCOMPARE(properties.WriteString(3, QStringLiteral("a hint")), S_OK);
    const QByteArray before = ReadAll(path_);
    QVERIFY(params.Erase());
    const QByteArray after = ReadAll(path_);
    QCOMPARE(after.size(), before.size());
    QVERIFY(after.left(30994) == QByteArray(30994, '\0'));
    QVERIFY(after.mid(51200) == before.mid(51200));
    bool has = true;
    QCOMPARE(params.HasKeyFile(&has), S_OK);
    QVERIFY(!has);
    QString hint;
    QCOMPARE(properties.ReadString(3, &hint), S_OK);
    QCOMPARE(hint, QStringLiteral("a hint"));
    params.ClearMemory();
    QCOMPARE(params.GetMasterKeyLength(), std::size_t(0));
}

void TestKeyFile::propertyLimits()
{
    StreamPtr stream = OpenStream(path_);
    PropertyStore properties;
    properties.Attach(stream.get());
    const QByteArray data(501, 'x');
    QCOMPARE(properties.WriteValue(5, data.constData(), 500), S_OK);
    QCOMPARE(properties.WriteValue(5, data.constData(), 501), E_PROP_RANGE);
    QCOMPARE(properties.WriteValue(50, data.constData(), 1), E_PROP_RANGE);
    QCOMPARE(properties.WriteString(3, QString(249, u'h')), S_OK);
    QCOMPARE(properties.WriteString(3, QString(250, u'h')), E_PROP_RANGE);
    QString hint;
    QCOMPARE(properties.ReadString(3, &hint), S_OK);
    QCOMPARE(hint, QString(249, u'h'));

    QCOMPARE(properties.WriteString(7, QStringLiteral("abcd")), S_OK);  // 10 bytes with the terminator
    std::int32_t value = 0;
    QCOMPARE(properties.ReadInt(7, &value), E_BUFFER_TOO_SMALL);
    char room[16];
    std::uint32_t length = 4;
    QCOMPARE(properties.ReadValue(7, &length, room), E_BUFFER_TOO_SMALL);
    QCOMPARE(length, 10u);
    QCOMPARE(properties.WriteInt(0, 7), S_OK);
    QCOMPARE(properties.ReadInt(0, &value), S_OK);
    QCOMPARE(value, 7);
    QVERIFY(properties.RemoveValue(0));
    QCOMPARE(properties.ReadInt(0, &value), E_PROP_NOT_FOUND);

    // A record with another slot's tag, or a length past 500, is not a value.
    QFile raw(path_);
    QVERIFY(raw.open(QIODevice::ReadWrite));
    QVERIFY(raw.seek(51200 + 512 * 8));
    QVERIFY(raw.write("PROP0009") == 8);
    QVERIFY(raw.seek(51200 + 512 * 9));
    QByteArray bad("PROP0009");
    bad.append("\xF5\x01\x00\x00", 4);  // 501
    QVERIFY(raw.write(bad) == bad.size());
    QVERIFY(raw.seek(51200 + 512 * 20));
    QVERIFY(raw.write("PROP0020", 8) == 8);  // a record cut short by the end of the file
    raw.close();
    length = sizeof room;
    QCOMPARE(properties.ReadValue(8, &length, room), E_PROP_NOT_FOUND);
    QCOMPARE(properties.ReadValue(9, &length, room), E_PROP_BAD_LENGTH);
    QCOMPARE(properties.ReadValue(20, &length, room), E_PROP_BAD_LENGTH);
    QCOMPARE(properties.ReadValue(50, &length, room), E_PROP_RANGE);
}

void TestKeyFile::changePasswordIsAllOrNothing()
{
    const SetUpKey pw;
    StreamPtr stream = OpenStream(path_);
    SecParams params;
    params.AttachStream(stream.get());
    QCOMPARE(params.CreateNew(U8(pw.oldPw), static_cast<std::size_t>(pw.oldPw.size())), S_OK);
    QCOMPARE(params.Save(), S_OK);
    // The verifier salt is drawn, then the source runs dry at the wrapping salt.
    FixedRandom dry(Hex("01020304"));
    params.SetRandomSource(&dry);
    QVERIFY(Failed(params.ChangePassword(U8(pw.newPw), static_cast<std::size_t>(pw.newPw.size()))));
    params.SetRandomSource(nullptr);
    QVERIFY(params.VerifyPassword(U8(pw.oldPw), static_cast<std::size_t>(pw.oldPw.size())));
    QVERIFY(!params.VerifyPassword(U8(pw.newPw), static_cast<std::size_t>(pw.newPw.size())));
    // A front end that saves anyway writes a record the old password opens.
    QCOMPARE(params.Save(), S_OK);
    stream.reset();
    QVERIFY(Opens(path_, pw.oldPw));
}

void TestKeyFile::saveReplacesTheFileUnderTheStream()
{
    const SetUpKey pw;
    // A leftover of an interrupted save is no obstacle.
    QVERIFY(WriteAll(FileStream::ReplacementName(path_), QByteArray(100000, 'x')));
    StreamPtr stream = OpenStream(path_);
    SecParams params;
    params.AttachStream(stream.get());
    PropertyStore properties;
    properties.Attach(stream.get());
    QCOMPARE(properties.WriteString(KeyFileLayout::kSlotHint, QStringLiteral("kept")), S_OK);
    QCOMPARE(properties.WriteInt(KeyFileLayout::kSlotFailedLogins, 3), S_OK);
    QCOMPARE(params.CreateNew(U8(pw.oldPw), static_cast<std::size_t>(pw.oldPw.size())), S_OK);
    QCOMPARE(params.Save(), S_OK);
    QVERIFY(!QFile::exists(FileStream::ReplacementName(path_)));
    QByteArray file = ReadAll(path_);
    QCOMPARE(file.size(), qsizetype(KeyFileLayout::kFileLength));
    QCOMPARE(HintOf(path_), QStringLiteral("kept"));

    // The stream stands on the new file: locked, and writing where readers look.
    Status s = S_OK;
    StreamPtr second = OpenStream(path_, &s);
    QCOMPARE(s, StatusFromWin32(32));
    QCOMPARE(properties.WriteInt(KeyFileLayout::kSlotFailedLogins, 4), S_OK);
    QCOMPARE(ReadAll(path_).mid(51200 + 12, 4), QByteArray("\x04\0\0\0", 4));
    QCOMPARE(params.ChangePassword(U8(pw.newPw), static_cast<std::size_t>(pw.newPw.size())), S_OK);
    QCOMPARE(properties.StageString(KeyFileLayout::kSlotHint, QStringLiteral("renewed")), S_OK);
    QCOMPARE(params.Save(&properties), S_OK);
    QVERIFY(!properties.HasStaged());
    params.ClearMemory();
    QCOMPARE(params.Unlock(U8(pw.newPw), static_cast<std::size_t>(pw.newPw.size())), S_OK);
    stream.reset();
    QVERIFY(Opens(path_, pw.newPw));
    QCOMPARE(HintOf(path_), QStringLiteral("renewed"));
    file = ReadAll(path_);
    QCOMPARE(file.mid(51200 + 12, 4), QByteArray("\x04\0\0\0", 4));
}

void TestKeyFile::plantedReplacementLinkIsNotFollowed()
{
    const QString outside = dir_.filePath(QStringLiteral("outside.txt"));
    const QString nowhere = dir_.filePath(QStringLiteral("not-yet.txt"));
    QVERIFY(WriteAll(outside, "not the stick's"));
    StreamPtr stream = OpenStream(path_);
    SecParams params;
    params.AttachStream(stream.get());
    QCOMPARE(params.CreateNew(U8(kParts.password), static_cast<std::size_t>(kParts.password.size())), S_OK);
    for (const QString& target : {outside, nowhere}) {
        QFile::remove(FileStream::ReplacementName(path_));
        QVERIFY(QFile::link(target, FileStream::ReplacementName(path_)));
        QCOMPARE(params.Save(), S_OK);
        QVERIFY(!QFileInfo(path_).isSymLink());
    }
    QCOMPARE(ReadAll(outside), QByteArray("not the stick's"));
    QVERIFY(!QFileInfo::exists(nowhere));
    stream.reset();
    QVERIFY(Opens(path_, kParts.password));
}

void TestKeyFile::tornSaveKeepsTheOldRecord_data()
{
    QTest::addColumn<FileStream::Step>("step");
    QTest::addColumn<bool>("tear");
    QTest::addColumn<bool>("saved");    // what the save reports
    QTest::addColumn<bool>("renewed");  // what is on the stick afterwards
    using S = FileStream::Step;
    QTest::newRow("new file cut in half") << S::kWriteReplacement << true << false << false;
    QTest::newRow("no room for the new file") << S::kCreateReplacement << false << false << false;
    QTest::newRow("new file not written") << S::kWriteReplacement << false << false << false;
    QTest::newRow("new file not flushed") << S::kFlushReplacement << false << false << false;
    QTest::newRow("not renamed") << S::kRename << false << false << false;
    // Renamed but the folder not known to be on the device: said so, while
    // the new file holds the name.
    QTest::newRow("folder not flushed") << S::kFlushFolder << false << false << true;
    QTest::newRow("old bytes not scrubbed") << S::kScrubOld << false << true << true;
}

void TestKeyFile::tornSaveKeepsTheOldRecord()
{
    QFETCH(FileStream::Step, step);
    QFETCH(bool, tear);
    QFETCH(bool, saved);
    QFETCH(bool, renewed);
    const SetUpKey pw;
    StreamPtr stream = OpenStream(path_);
    SecParams params;
    params.AttachStream(stream.get());
    PropertyStore properties;
    properties.Attach(stream.get());
    QCOMPARE(params.CreateNew(U8(pw.oldPw), static_cast<std::size_t>(pw.oldPw.size())), S_OK);
    QCOMPARE(properties.StageString(KeyFileLayout::kSlotHint, QStringLiteral("old hint")), S_OK);
    QCOMPARE(params.Save(&properties), S_OK);
    const QByteArray before = ReadAll(path_);

    QCOMPARE(params.ChangePassword(U8(pw.newPw), static_cast<std::size_t>(pw.newPw.size())), S_OK);
    QCOMPARE(properties.StageString(KeyFileLayout::kSlotHint, QStringLiteral("new hint")), S_OK);
    {
        PulledStick stick(step, tear);
        QCOMPARE(params.Save(&properties), saved ? S_OK : E_SAVE_FAILED);
        // Where the old file had to be let go before the rename, there is
        // nothing left to scrub through it.
        if (!stick.Pulled() && step == FileStream::Step::kScrubOld && !FileSystem::CanReplaceOpenFiles())
            QSKIP("this file system replaces a file only once its holder lets go");
        QVERIFY(stick.Pulled());
    }
    stream.reset();
    QCOMPARE(Opens(path_, pw.oldPw), !renewed);
    QCOMPARE(Opens(path_, pw.newPw), renewed);
    QCOMPARE(HintOf(path_), renewed ? QStringLiteral("new hint") : QStringLiteral("old hint"));
    if (!renewed)
        QVERIFY(ReadAll(path_) == before);
    // A leftover of the torn save does not stop the next one.
    StreamPtr again = OpenStream(path_);
    SecParams next;
    next.AttachStream(again.get());
    const QByteArray& working = renewed ? pw.newPw : pw.oldPw;
    QCOMPARE(next.Unlock(U8(working), static_cast<std::size_t>(working.size())), S_OK);
    QCOMPARE(next.Save(), S_OK);
    QVERIFY(!QFile::exists(FileStream::ReplacementName(path_)));
}

void TestKeyFile::propertyWriteTouchesOnlyItsRecord()
{
    StreamPtr stream = OpenStream(path_);
    SecParams params;
    params.AttachStream(stream.get());
    PropertyStore properties;
    properties.Attach(stream.get());
    QCOMPARE(params.CreateNew(U8(kParts.password), static_cast<std::size_t>(kParts.password.size())), S_OK);
    QCOMPARE(params.Save(), S_OK);
    QCOMPARE(properties.WriteInt(KeyFileLayout::kSlotFailedLogins, 8), S_OK);
    QCOMPARE(properties.WriteInt(KeyFileLayout::kSlotCleanShutdown, 1), S_OK);
    QCOMPARE(properties.WriteString(KeyFileLayout::kSlotHint, QString(249, u'h')), S_OK);
    const QByteArray before = ReadAll(path_);
    QCOMPARE(properties.WriteInt(KeyFileLayout::kSlotFailedLogins, 9), S_OK);
    const QByteArray after = ReadAll(path_);
    QCOMPARE(after.size(), before.size());  // no growth: the file has its full length
    QList<qsizetype> changed;
    for (qsizetype i = 0; i < after.size(); ++i) {
        if (after[i] != before[i])
            changed << i;
    }
    // Only the value moves; tag and length stay, so a torn rewrite cannot
    // leave a record that is no longer one.
    QCOMPARE(changed, QList<qsizetype> {51200 + 12});

    // A write torn by a pulled stick leaves the neighbours whole.
    {
        PulledStick stick(FileStream::Step::kWrite, true);
        QCOMPARE(properties.WriteString(KeyFileLayout::kSlotCleanShutdown + 1, QString(200, u'x')), E_PROP_WRITE);
    }
    const QByteArray torn = ReadAll(path_);
    QVERIFY(torn.left(51200 + 512 * 2) == after.left(51200 + 512 * 2));
    QVERIFY(torn.mid(51200 + 512 * 3) == after.mid(51200 + 512 * 3));
    std::int32_t value = 0;
    QCOMPARE(properties.ReadInt(KeyFileLayout::kSlotFailedLogins, &value), S_OK);
    QCOMPARE(value, 9);
    QString hint;
    QCOMPARE(properties.ReadString(KeyFileLayout::kSlotHint, &hint), S_OK);
    QCOMPARE(hint, QString(249, u'h'));
    stream.reset();
    QVERIFY(Opens(path_, kParts.password));
}

QTEST_GUILESS_MAIN(TestKeyFile)
#include "tst_keyfile.moc"
