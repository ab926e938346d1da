// The platform layer: error mapping, FILETIME, native files, attribute bits
// (with a real FAT volume where one can be mounted) and the creation policy.

#include "TestSupport.h"

#include "platform/CreationPolicy.h"
#include "platform/FaultInjection.h"
#include "platform/FileAttributes.h"
#include "platform/FileSystem.h"
#include "platform/FileTime.h"
#include "platform/LanguageId.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "platform/SystemError.h"
#include "platform/Terminal.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace nbr;
using namespace nbr::test;

class TestPlatform : public QObject {
    Q_OBJECT

private slots:
    void errnoMapping_data();
    void errnoMapping();
    void missingFileOrFolder();
    void systemMessages();
    void fileTimes();
    void nativeFileIo();
    void writeFailureIsReported();
    void pathsAndNames();
    void readOnlyAndAbsentDosBits();
    void fatVolume();
    void creationPolicy();
    void languageIds_data();
    void languageIds();
    void secretLines_data();
    void secretLines();

private:
    QTemporaryDir dir_;
};

void TestPlatform::errnoMapping_data()
{
    QTest::addColumn<int>("err");
    QTest::addColumn<uint>("win32");
    QTest::newRow("EACCES") << EACCES << 5u;
    QTest::newRow("EPERM") << EPERM << 5u;
    QTest::newRow("EBUSY") << EBUSY << 32u;
    QTest::newRow("ETXTBSY") << ETXTBSY << 32u;
    QTest::newRow("EEXIST") << EEXIST << 183u;
    QTest::newRow("ENOSPC") << ENOSPC << 112u;
    QTest::newRow("EDQUOT") << EDQUOT << 112u;
    QTest::newRow("ECANCELED") << ECANCELED << 1235u;
    QTest::newRow("ENOTDIR") << ENOTDIR << 3u;
    QTest::newRow("EROFS") << EROFS << 19u;
    QTest::newRow("EIO") << EIO << 1117u;
    QTest::newRow("unknown") << 4095 << 31u;
}

void TestPlatform::errnoMapping()
{
    QFETCH(int, err);
    QFETCH(uint, win32);
    QCOMPARE(SystemError::Win32FromErrno(err), win32);
    QCOMPARE(std::uint32_t(SystemError::StatusFromErrno(err)), 0x80070000u | win32);
    QCOMPARE(SystemError::Win32FromErrno(0), 0u);
}

void TestPlatform::missingFileOrFolder()
{
    NativeFile file;
    QCOMPARE(file.OpenRead(dir_.filePath("missing")), StatusFromWin32(2));
    QCOMPARE(file.OpenRead(dir_.filePath("missing/deeper")), StatusFromWin32(3));
    QCOMPARE(file.OpenRead(dir_.path()), StatusFromWin32(5));  // a folder is not a file
    QCOMPARE(file.OpenRead(QString()), StatusFromWin32(3));
}

void TestPlatform::systemMessages()
{
    QCOMPARE(SystemError::Message(2), QStringLiteral("No such file or directory"));
    QCOMPARE(SystemError::Message(112), QStringLiteral("No space left on device"));
    QVERIFY(SystemError::Message(99999).isEmpty());
}

void TestPlatform::fileTimes()
{
    QCOMPARE(FileTime::FromUnix(0, 0).ticks, 116444736000000000ull);
    QCOMPARE(FileTime::FromUnix(1, 500).ticks, 116444736010000005ull);
    QCOMPARE(FileTime::FromUnix(-11644473601LL, 0).ticks, 0ull);  // before 1601
    const FileTime t {133200000000000000ull};
    const timespec ts = t.ToTimespec();
    QCOMPARE(FileTime::FromTimespec(ts), t);
    QCOMPARE(t.ToDateTime(), QDateTime(QDate(2023, 2, 4), QTime(16, 0), Qt::UTC));
    QVERIFY(!FileTime {}.ToDateTime().isValid());
}

void TestPlatform::nativeFileIo()
{
    const QString path = dir_.filePath("io.bin");
    NativeFile file;
    QCOMPARE(file.CreateAlways(path, nullptr), S_OK);
    QCOMPARE(file.Write("0123456789", 10), S_OK);
    QCOMPARE(file.Close(), S_OK);
    QCOMPARE(file.Close(), S_OK);

    QCOMPARE(file.OpenRead(path), S_OK);
    char buffer[32] = {};
    std::size_t got = 0;
    QCOMPARE(file.Seek(4), S_OK);
    QCOMPARE(file.Read(buffer, sizeof buffer, &got), S_OK);
    QCOMPARE(got, std::size_t(6));
    QCOMPARE(QByteArray(buffer, 6), QByteArray("456789"));
    std::uint64_t position = 0;
    QCOMPARE(file.Tell(&position), S_OK);
    QCOMPARE(position, 10ull);
    QCOMPARE(file.Write("x", 1), StatusFromWin32(6));  // read-only descriptor: EBADF

    // A time of 0 leaves that time alone.
    FileTime created, accessed, written;
    QCOMPARE(file.GetTimes(&created, &accessed, &written), S_OK);
    NativeFile writer;
    QCOMPARE(writer.OpenReadWrite(path, false, nullptr), S_OK);
    const FileTime when = FileTime::FromUnix(1577836800, 0);  // 2020-01-01
    QCOMPARE(writer.SetTimes(FileTime {}, when), S_OK);
    FileTime accessed2, written2;
    QCOMPARE(writer.GetTimes(nullptr, &accessed2, &written2), S_OK);
    QCOMPARE(written2, when);
    QCOMPARE(accessed2, accessed);
    QCOMPARE(NativeFile::Remove(path), S_OK);
    QCOMPARE(NativeFile::Remove(path), StatusFromWin32(2));
}

void TestPlatform::writeFailureIsReported()
{
    // The fault seam: from the second change on, the disk is full.
    NativeFile full;
    FaultInjection::Arm(FaultInjection::Mode::Full, 2);
    QCOMPARE(full.CreateAlways(dir_.filePath("full"), nullptr), S_OK);
    QCOMPARE(full.Write("data", 4), StatusFromWin32(112));
    QCOMPARE(FileSystem::CreateFolder(dir_.filePath("more"), nullptr), StatusFromWin32(112));
    FaultInjection::Arm(FaultInjection::Mode::Off, 0);
    QCOMPARE(full.Write("data", 4), S_OK);
    QVERIFY(FaultInjection::Changes() >= 1);
    // Devices are no files: refused without reading or writing them.
    QCOMPARE(full.Close(), S_OK);
    QCOMPARE(full.OpenReadWrite(QStringLiteral("/dev/full"), false, nullptr), StatusFromWin32(win32::kBadFileType));
}

void TestPlatform::pathsAndNames()
{
    QCOMPARE(NativePath::LastComponent(QStringLiteral("/a/b/c.txt")), QStringLiteral("c.txt"));
    QCOMPARE(NativePath::LastComponent(QStringLiteral("c.txt")), QString());
    QCOMPARE(NativePath::ParentOf(QStringLiteral("/a/b")), QStringLiteral("/a"));
    QCOMPARE(NativePath::ParentOf(QStringLiteral("/a")), QString());
    QCOMPARE(NativePath::Join(QStringLiteral("/a/"), QStringLiteral("b")), QStringLiteral("/a/b"));
    QCOMPARE(NativePath::Join(QStringLiteral("/a"), QStringLiteral("b")), QStringLiteral("/a/b"));
    bool ok = false;
    QCOMPARE(NativePath::Decode("caf\xc3\xa9", &ok), QStringLiteral("café"));
    QVERIFY(ok);
    (void)NativePath::Decode("caf\xe9", &ok);  // Latin-1 bytes: not a name we can keep
    QVERIFY(!ok);
    QCOMPARE(NativePath::Encode(QStringLiteral("café")), QByteArray("caf\xc3\xa9"));
}

void TestPlatform::readOnlyAndAbsentDosBits()
{
    const QString path = dir_.filePath("attr.txt");
    QVERIFY(WriteAll(path, "x"));
    std::uint32_t attributes = 0;
    QCOMPARE(FileAttributes::Get(path, &attributes), S_OK);
    QCOMPARE(attributes, FileAttributes::kNormal);
    QCOMPARE(FileAttributes::Set(path, FileAttributes::kReadOnly | FileAttributes::kHidden), S_OK);
    QCOMPARE(FileAttributes::Get(path, &attributes), S_OK);
    // Hidden does not exist on this file system; read-only does.
    QCOMPARE(attributes, FileAttributes::kReadOnly);
    QVERIFY(!(QFileInfo(path).permissions() & QFile::WriteOwner));
    QCOMPARE(FileAttributes::Set(path, FileAttributes::kNormal), S_OK);
    QCOMPARE(FileAttributes::Get(path, &attributes), S_OK);
    QCOMPARE(attributes, FileAttributes::kNormal);
    QCOMPARE(FileAttributes::Get(dir_.path(), &attributes), S_OK);
    QCOMPARE(attributes, FileAttributes::kDirectory);
    QCOMPARE(FileAttributes::Get(dir_.filePath("none"), &attributes), StatusFromWin32(2));
    QVERIFY(!FileAttributes::KeepsDosBits(path));
}

void TestPlatform::fatVolume()
{
    const QString image = dir_.filePath("fat.img");
    const QString mountPoint = dir_.filePath("fat");
    QVERIFY(QDir().mkpath(mountPoint));
    QFile img(image);
    QVERIFY(img.open(QIODevice::WriteOnly) && img.resize(8 * 1024 * 1024));
    img.close();
    QCOMPARE(QProcess::execute(QStringLiteral("/sbin/mkfs.vfat"), {QStringLiteral("-n"), QStringLiteral("NIMBRATEST"), image}), 0);

    // The image as another FAT implementation sees it: a file marked hidden
    // and archive with mtools.
    QVERIFY(WriteAll(dir_.filePath("seed.txt"), "seed"));
    QCOMPARE(QProcess::execute(QStringLiteral("mcopy"), {QStringLiteral("-i"), image, dir_.filePath("seed.txt"), QStringLiteral("::SEED.TXT")}), 0);
    QCOMPARE(QProcess::execute(QStringLiteral("mattrib"), {QStringLiteral("-i"), image, QStringLiteral("+h"), QStringLiteral("+a"), QStringLiteral("::SEED.TXT")}), 0);

    if (::geteuid() != 0
        || QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"), image, mountPoint}) != 0)
        QSKIP("a vfat image cannot be loop-mounted on this machine");

    const QString seed = mountPoint + QStringLiteral("/SEED.TXT");
    const QString ours = mountPoint + QStringLiteral("/OURS.TXT");
    std::uint32_t attributes = 0;
    const bool keeps = FileAttributes::KeepsDosBits(seed);
    const Status readSeed = FileAttributes::Get(seed, &attributes);
    const std::uint32_t seedAttributes = attributes;
    const bool written = WriteAll(ours, "ours");
    const Status setOurs = FileAttributes::Set(ours, FileAttributes::kHidden | FileAttributes::kReadOnly);
    const Status readOurs = FileAttributes::Get(ours, &attributes);
    QProcess::execute(QStringLiteral("umount"), {mountPoint});

    QVERIFY(keeps);
    QCOMPARE(readSeed, S_OK);
    QCOMPARE(seedAttributes, FileAttributes::kHidden | FileAttributes::kArchive);
    QVERIFY(written);
    QCOMPARE(setOurs, S_OK);
    QCOMPARE(readOurs, S_OK);
    QCOMPARE(attributes, FileAttributes::kHidden | FileAttributes::kReadOnly);
    // And mtools reads back what we set.
    QProcess mattrib;
    mattrib.start(QStringLiteral("mattrib"), {QStringLiteral("-i"), image, QStringLiteral("::OURS.TXT")});
    QVERIFY(mattrib.waitForFinished());
    const QByteArray line = mattrib.readAllStandardOutput();
    QVERIFY2(line.contains('H') && line.contains('R'), line.constData());
}

void TestPlatform::creationPolicy()
{
    const mode_t old = ::umask(0);
    NativeFile file;
    const QString path = dir_.filePath("policy.bin");
    const Status s = file.CreateAlways(path, CreationPolicy::StoreSecurityAttributes());
    ::umask(old);
    QCOMPARE(s, S_OK);
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    // Anyone may read and write what goes on the stick.
    QCOMPARE(st.st_mode & 0777, mode_t(0666));
    QCOMPARE(CreationPolicy::StoreSecurityAttributes()->FolderMode(), mode_t(0777));
}

void TestPlatform::languageIds_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("langId");
    QTest::newRow("en_US") << "en_US" << 1033;
    QTest::newRow("en_GB") << "en_GB" << 2057;
    QTest::newRow("fr_FR") << "fr_FR" << 1036;
    QTest::newRow("fr_CA") << "fr_CA" << 3084;
    QTest::newRow("es_ES") << "es_ES" << 1034;
    QTest::newRow("pt_BR") << "pt_BR" << 1046;
    QTest::newRow("pt_PT") << "pt_PT" << 2070;
    QTest::newRow("de_DE") << "de_DE" << 1031;
    QTest::newRow("C") << "C" << 1033;
}

void TestPlatform::languageIds()
{
    QFETCH(QString, locale);
    QFETCH(int, langId);
    QCOMPARE(int(LanguageId::FromLocale(QLocale(locale))), langId);
}

// A secret read from a pipe (no terminal, so the echo is left alone): the
// line end and a CR before it are dropped, and a line too long is read to
// its end, so that the next line stays whole for the next read.
void TestPlatform::secretLines_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<Status>("status");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Status>("nextStatus");
    QTest::addColumn<QByteArray>("next");
    QTest::newRow("line end") << QByteArray("abc\nnext\n") << 8 << S_OK << QByteArray("abc") << S_OK
                              << QByteArray("next");
    QTest::newRow("CR LF") << QByteArray("abc\r\nnext\r\n") << 8 << S_OK << QByteArray("abc") << S_OK
                           << QByteArray("next");
    QTest::newRow("exactly full") << QByteArray("abcd\n") << 4 << S_OK << QByteArray("abcd") << S_FALSE << QByteArray();
    QTest::newRow("too long") << QByteArray("abcdefgh\nnext\n") << 4 << E_INVALIDARG << QByteArray() << S_OK
                              << QByteArray("next");
    QTest::newRow("no line end") << QByteArray("last") << 8 << S_OK << QByteArray("last") << S_FALSE << QByteArray();
    QTest::newRow("empty line") << QByteArray("\nx\n") << 8 << S_OK << QByteArray() << S_OK << QByteArray("x");
    QTest::newRow("nothing") << QByteArray() << 8 << S_FALSE << QByteArray() << S_FALSE << QByteArray();
}

void TestPlatform::secretLines()
{
    QFETCH(QByteArray, input);
    QFETCH(int, capacity);
    QFETCH(Status, status);
    QFETCH(QByteArray, line);
    QFETCH(Status, nextStatus);
    QFETCH(QByteArray, next);
    int ends[2];
    QCOMPARE(::pipe(ends), 0);
    QCOMPARE(::write(ends[1], input.constData(), input.size()), ssize_t(input.size()));
    ::close(ends[1]);
    QVERIFY(!Terminal::IsTerminal(ends[0]));
    QByteArray buffer(capacity, '\0');
    std::size_t length = 99;
    QCOMPARE(Terminal::ReadSecretLine(ends[0], reinterpret_cast<std::uint8_t*>(buffer.data()), capacity, &length),
             status);
    if (status != E_INVALIDARG)
        QCOMPARE(buffer.left(qsizetype(length)), line);
    QByteArray after(16, '\0');
    QCOMPARE(Terminal::ReadSecretLine(ends[0], reinterpret_cast<std::uint8_t*>(after.data()), 16, &length), nextStatus);
    QCOMPARE(after.left(qsizetype(length)), next);
    ::close(ends[0]);
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
