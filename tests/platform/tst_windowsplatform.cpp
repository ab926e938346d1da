// The Windows half of the platform layer, run under Wine by
// scripts/test-windows: the mapping of system errors and their texts, the
// lock that excludes a second writer but not readers, the attribute bits,
// deleting read-only files, walks that refuse what is not a folder, and the
// drive-letter comparison the device source reports changes from.

#include "devices/DriveLetterDeviceSource.h"
#include "platform/ConfinedPath.h"
#include "platform/FileAttributes.h"
#include "platform/FileSystem.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "platform/Processes.h"
#include "platform/SingleInstance.h"
#include "platform/SystemError.h"
#include "platform/Terminal.h"
#include "platform/WinPath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>

#include <thread>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

using namespace nbr;

class TestWindowsPlatform : public QObject {
    Q_OBJECT

private slots:
    void systemTexts();
    void plainNames_data();
    void plainNames();
    void lockExcludesWritersNotReaders();
    void attributesRoundTrip();
    void readOnlyFilesAreDeleted();
    void confinedWalkRefusesAFileOnTheWay();
    void listingAndRename();
    void pathsPastTheClassicLimit();
    void treeRemovalLeavesLinkedFoldersAlone();
    void aLaunchKeepsWhatItsLauncherLeft();
    void driveLetterChanges();
    void oneInstancePerSession();
    void secretLinesFromAPipe();
};

void TestWindowsPlatform::systemTexts()
{
    QVERIFY(SystemError::Message(win32::kFileNotFound).size() > 5);
    QVERIFY(!SystemError::Message(win32::kFileNotFound).endsWith(QLatin1Char('.')));
    QVERIFY(!SystemError::Message(win32::kFileNotFound).contains(QLatin1Char('\n')));
    QCOMPARE(SystemError::StatusFromErrno(ENOSPC), StatusFromWin32(win32::kDiskFull));
}

// Names from a stick written elsewhere must reach nothing but their own file.
void TestWindowsPlatform::plainNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("plain");
    QTest::newRow("ordinary") << QStringLiteral("report 2024.txt") << true;
    QTest::newRow("accents") << QStringLiteral("caf\u00e9") << true;
    QTest::newRow("leading dot") << QStringLiteral(".profile") << true;
    QTest::newRow("backslash") << QStringLiteral("a\\b") << false;
    QTest::newRow("climbing") << QStringLiteral("..\\..\\evil") << false;
    QTest::newRow("drive") << QStringLiteral("c:x") << false;
    QTest::newRow("stream") << QStringLiteral("file:secret") << false;
    QTest::newRow("wildcard") << QStringLiteral("a*b") << false;
    QTest::newRow("device") << QStringLiteral("CON") << false;
    QTest::newRow("device with extension") << QStringLiteral("com1.txt") << false;
    QTest::newRow("device lower case") << QStringLiteral("nul") << false;
    QTest::newRow("not a device") << QStringLiteral("console") << true;
    QTest::newRow("trailing dot") << QStringLiteral("x.") << false;
    QTest::newRow("trailing space") << QStringLiteral("x ") << false;
    QTest::newRow("control character") << QStringLiteral("a\tb") << false;
}

void TestWindowsPlatform::plainNames()
{
    QFETCH(QString, name);
    QFETCH(bool, plain);
    QCOMPARE(NativePath::IsPlainName(name), plain);
}

void TestWindowsPlatform::lockExcludesWritersNotReaders()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("key"));
    NativeFile writer;
    QCOMPARE(writer.CreateAlways(path, nullptr), S_OK);
    QCOMPARE(writer.Write("abcdef", 6), S_OK);
    QCOMPARE(writer.TryLockExclusive(), S_OK);
    NativeFile second;
    QCOMPARE(second.OpenReadWrite(path, false, nullptr), S_OK);
    QCOMPARE(second.TryLockExclusive(), StatusFromWin32(win32::kSharingViolation));
    // The lock is advisory, as elsewhere: the content stays readable.
    char buffer[6] = {};
    std::size_t got = 0;
    QCOMPARE(second.Read(buffer, 6, &got), S_OK);
    QCOMPARE(QByteArray(buffer, static_cast<int>(got)), QByteArray("abcdef"));
    QCOMPARE(writer.Close(), S_OK);
}

void TestWindowsPlatform::attributesRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f"));
    NativeFile file;
    QCOMPARE(file.CreateAlways(path, nullptr), S_OK);
    QCOMPARE(FileAttributes::SetOpen(file.Handle(), FileAttributes::kHidden | FileAttributes::kArchive), S_OK);
    std::uint32_t bits = 0;
    QCOMPARE(FileAttributes::GetOpen(file.Handle(), &bits), S_OK);
    QVERIFY(bits & FileAttributes::kHidden);
    QCOMPARE(file.Close(), S_OK);
    QCOMPARE(FileAttributes::Set(path, FileAttributes::kNormal), S_OK);
    QCOMPARE(FileAttributes::Get(path, &bits), S_OK);
    QVERIFY(!(bits & (FileAttributes::kHidden | FileAttributes::kReadOnly)));
    FileAttributes::AddHidden(dir.path());
    QCOMPARE(FileAttributes::Get(dir.path(), &bits), S_OK);
    QVERIFY(bits & FileAttributes::kHidden);
    QVERIFY(bits & FileAttributes::kDirectory);
}

void TestWindowsPlatform::readOnlyFilesAreDeleted()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ro"));
    QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    QCOMPARE(FileAttributes::Set(path, FileAttributes::kReadOnly), S_OK);
    QCOMPARE(NativeFile::Remove(path), S_OK);
    QVERIFY(!FileSystem::Exists(path));
    QCOMPARE(NativeFile::Remove(path), StatusFromWin32(win32::kFileNotFound));
}

void TestWindowsPlatform::confinedWalkRefusesAFileOnTheWay()
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("Encrypted Data"));
    QVERIFY(QDir().mkpath(store));
    ConfinedPath::Confine(store);
    QVERIFY(QFile(store + QStringLiteral("/plain")).open(QIODevice::WriteOnly));
    NativeFile file;
    QVERIFY(Failed(file.OpenRead(store + QStringLiteral("/plain/below"))));
    QCOMPARE(FileSystem::CreateFolder(store + QStringLiteral("/a"), nullptr), S_OK);
    // Backslashes and forward slashes name the same confined place.
    QVERIFY(ConfinedPath::IsConfined(QDir::toNativeSeparators(store + QStringLiteral("/a"))));
    QCOMPARE(file.CreateAlways(QDir::toNativeSeparators(store + QStringLiteral("/a/x")), nullptr), S_OK);
    QCOMPARE(file.Close(), S_OK);
}

void TestWindowsPlatform::listingAndRename()
{
    QTemporaryDir dir;
    NativeFile file;
    QCOMPARE(file.CreateAlways(dir.filePath(QStringLiteral("new")), nullptr), S_OK);
    QCOMPARE(file.Write("12345", 5), S_OK);
    QCOMPARE(file.Close(), S_OK);
    QCOMPARE(file.CreateAlways(dir.filePath(QStringLiteral("old")), nullptr), S_OK);
    QCOMPARE(file.Close(), S_OK);
    // Replacing by rename while a reader holds the old file, as the store's
    // saves may meet one: NTFS replaces it at once; elsewhere (FAT, exFAT,
    // Wine) the rename waits the moment the reader takes to let go.
    NativeFile reader;
    QCOMPARE(reader.OpenRead(dir.filePath(QStringLiteral("old"))), S_OK);
    std::thread letGo([&reader] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        (void)reader.Close();
    });
    const Status renamed = FileSystem::Rename(dir.filePath(QStringLiteral("new")), dir.filePath(QStringLiteral("old")));
    letGo.join();
    QCOMPARE(renamed, S_OK);
    QList<DirectoryEntry> entries;
    QCOMPARE(FileSystem::List(dir.path(), &entries), S_OK);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().name, QStringLiteral("old"));
    QCOMPARE(entries.first().size, 5u);
    QVERIFY(entries.first().writeTime.ticks != 0);
    QCOMPARE(FileSystem::List(dir.filePath(QStringLiteral("old")), &entries), StatusFromWin32(win32::kDirectory));
}

void TestWindowsPlatform::pathsPastTheClassicLimit()
{
    // A stick's deep folders written elsewhere: 300 characters and more.
    QTemporaryDir dir;
    QString folder = dir.path();
    while (folder.size() < 300) {
        folder += QStringLiteral("/a folder name of forty characters, long");
        QCOMPARE(FileSystem::CreateFolder(folder, nullptr), S_OK);
    }
    const QString file = folder + QStringLiteral("/../") + NativePath::LastComponent(folder) + QStringLiteral("/deep.txt");
    NativeFile out;
    QCOMPARE(out.CreateAlways(file, nullptr), S_OK);
    QCOMPARE(out.Write("deep", 4), S_OK);
    QCOMPARE(out.Close(), S_OK);
    QList<DirectoryEntry> entries;
    QCOMPARE(FileSystem::List(folder, &entries), S_OK);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().name, QStringLiteral("deep.txt"));
    QCOMPARE(FileSystem::Rename(folder + QStringLiteral("/deep.txt"), folder + QStringLiteral("/moved.txt")), S_OK);
    QVERIFY(FileSystem::Exists(folder + QStringLiteral("/moved.txt")));
    QVERIFY(FileSystem::RemoveTree(dir.path() + QStringLiteral("/a folder name of forty characters, long"), {}));
    QVERIFY(!FileSystem::Exists(folder));
}

void TestWindowsPlatform::treeRemovalLeavesLinkedFoldersAlone()
{
    QTemporaryDir dir;
    const QString outside = dir.filePath(QStringLiteral("outside"));
    const QString tree = dir.filePath(QStringLiteral("tree"));
    QVERIFY(QDir().mkpath(outside));
    QVERIFY(QDir().mkpath(tree + QStringLiteral("/inner")));
    QFile keep(outside + QStringLiteral("/keep.txt"));
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.close();
    const std::wstring link = WinPath::Of(tree + QStringLiteral("/inner/elsewhere"));
    if (!::CreateSymbolicLinkW(link.c_str(), WinPath::Of(outside).c_str(),
                               SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
        QSKIP("folder links cannot be made here");
    QVERIFY(FileSystem::RemoveTree(tree, {}));
    QVERIFY(!FileSystem::Exists(tree));
    QVERIFY(QFileInfo::exists(outside + QStringLiteral("/keep.txt")));
}

void TestWindowsPlatform::aLaunchKeepsWhatItsLauncherLeft()
{
    // A launcher that starts a launcher that starts the real program, both
    // ending: the program is still the launch's (its parent and
    // grandparent are gone, its job is not).
    qint64 session = 0;
    const QString start = QStringLiteral("cmd /c start \"\" /b");
    QVERIFY(Processes::Start((start + u' ' + start + QStringLiteral(" ping -n 60 127.0.0.1")).split(u' '), &session));
    QTRY_VERIFY_WITH_TIMEOUT(!Processes::IsRunning(session), 10000);
    QList<ProcessIdentity> members;
    const auto onlyThePing = [&] {
        members = Processes::SessionMembers(session);
        return !members.isEmpty() && std::all_of(members.begin(), members.end(), [](const ProcessIdentity& p) {
            return p.executable.endsWith(QStringLiteral("ping.exe"), Qt::CaseInsensitive);
        });
    };
    QTRY_VERIFY_WITH_TIMEOUT(onlyThePing(), 10000);
    for (const ProcessIdentity& member : std::as_const(members))
        QVERIFY(Processes::Signal(member, true));
    QTRY_VERIFY_WITH_TIMEOUT(Processes::SessionMembers(session).isEmpty(), 10000);
    QVERIFY(Processes::Release(session));
}

void TestWindowsPlatform::driveLetterChanges()
{
    const QHash<QString, int> before {{QStringLiteral("C:"), kDriveFixed}, {QStringLiteral("E:"), kDriveRemovable}};
    const QHash<QString, int> after {{QStringLiteral("C:"), kDriveFixed}, {QStringLiteral("F:"), kDriveRemovable},
                                     {QStringLiteral("G:"), kDriveRemovable}};
    const QList<VolumeEvent> events = DriveLetterDeviceSource::Compare(before, after);
    QCOMPARE(events.size(), 3);
    QCOMPARE(events.at(0).kind, VolumeEvent::kRemoval);
    QCOMPARE(events.at(0).root, QStringLiteral("E:"));
    QCOMPARE(events.at(1).root, QStringLiteral("F:"));
    QCOMPARE(events.at(2).root, QStringLiteral("G:"));
    QVERIFY(DriveLetterDeviceSource::Compare(after, after).isEmpty());
}

void TestWindowsPlatform::oneInstancePerSession()
{
    SingleInstance first;
    QVERIFY(first.TryAcquire());
    SingleInstance second;
    QVERIFY(!second.TryAcquire());
}

// A redirected stream is read byte by byte: a CR before the line end goes,
// a line too long is read to its end, and a closed pipe ends the input.
void TestWindowsPlatform::secretLinesFromAPipe()
{
    int ends[2];
    QCOMPARE(::_pipe(ends, 4096, _O_BINARY), 0);
    const QByteArray input("abc\r\nabcdefgh\nlast");
    QCOMPARE(::_write(ends[1], input.constData(), static_cast<unsigned>(input.size())), int(input.size()));
    ::_close(ends[1]);
    QVERIFY(!Terminal::IsTerminal(ends[0]));
    QByteArray buffer(4, '\0');
    auto read = [&](std::size_t* length) {
        return Terminal::ReadSecretLine(ends[0], reinterpret_cast<std::uint8_t*>(buffer.data()), 4, length);
    };
    std::size_t length = 0;
    QCOMPARE(read(&length), S_OK);
    QCOMPARE(buffer.left(qsizetype(length)), QByteArray("abc"));
    QCOMPARE(read(&length), E_INVALIDARG);
    QCOMPARE(read(&length), S_OK);
    QCOMPARE(buffer.left(qsizetype(length)), QByteArray("last"));
    QCOMPARE(read(&length), S_FALSE);
    ::_close(ends[0]);
}

QTEST_GUILESS_MAIN(TestWindowsPlatform)
#include "tst_windowsplatform.moc"
