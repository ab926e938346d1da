#include "store/OpenedFileList.h"

#include "app/IProgressDlg.h"
#include "app/LanguageManager.h"
#include "app/MessageBox.h"
#include "app/MessageIds.h"
#include "platform/CreationPolicy.h"
#include "platform/FileAttributes.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "security/CreateCrypt.h"
#include "security/SecParams.h"
#include "store/CopyToDeviceThread.h"
#include "store/EncryptedStore.h"
#include "store/FileUtilities.h"
#include "store/StoreStatus.h"

#include <QThread>

namespace nbr {
namespace {

constexpr int kMaxNumberedName = 998;

FileTime WriteTimeOf(const QString& path)
{
    DirectoryEntry info;
    return Succeeded(FileSystem::Info(path, &info)) ? info.writeTime : FileTime {};
}

// Lock files of office programs: "~$name" and ".~lock.name#".
bool IsLockFileName(const QString& name)
{
    return name.startsWith(QLatin1String("~$"))
           || (name.startsWith(QLatin1String(".~lock.")) && name.endsWith(QLatin1Char('#')));
}

void ListFiles(const QString& folder, QStringList* files)
{
    QList<DirectoryEntry> entries;
    if (Failed(FileSystem::List(folder, &entries)))
        return;
    for (const DirectoryEntry& entry : entries) {
        const QString path = NativePath::Join(folder, entry.name);
        if (entry.isFolder)
            ListFiles(path, files);
        else if (entry.validName)
            *files << path;
    }
}

}  // namespace

OpenedFileList::OpenedFileList(EncryptedStore& store, const QString& launchFolder, const LanguageManager& languages)
    : store_(store), launch_(launchFolder), languages_(languages)
{
}

OpenedFileList::~OpenedFileList()
{
    programs_.CloseAll(false);
}

Status OpenedFileList::OpenStoredItem(const QString& storedPath, const QString& displayPath, IProgressDlg* dialog)
{
    if (dialog)
        dialog->Begin(0);
    (void)FileUtilities::CreateDirectories(launch_, false, CreationPolicy::StoreSecurityAttributes());
    FileAttributes::AddHidden(launch_);
    const QString copy = NativePath::Join(launch_, displayPath);
    if (dialog)
        dialog->SetLine1(QStringLiteral("Decrypting %1").arg(displayPath));
    const Status s = DecryptAndOpen(storedPath, copy, dialog);
    if (dialog)
        dialog->End(true);
    return s;
}

Status OpenedFileList::DecryptAndOpen(const QString& storedPath, const QString& copyPath, IProgressDlg* dialog)
{
    Status s = S_OK;
    const std::uint32_t error = FileUtilities::CreateDirectories(copyPath, true, CreationPolicy::StoreSecurityAttributes());
    if (error != 0) {
        s = StatusFromWin32(error);
    } else {
        const auto listed = std::find_if(opened_.begin(), opened_.end(), [&](const Opened& o) { return o.path == copyPath; });
        if (listed == opened_.end() || !FileSystem::Exists(copyPath)) {
            CryptPtr engine;
            s = CreateCrypt(CryptAlgorithmAes256, &engine);
            if (Succeeded(s))
                s = engine->SetMasterKey(store_.Keys().GetMasterKey(), store_.Keys().GetMasterKeyLength());
            if (Succeeded(s))
                s = engine->DecryptFileToFile(storedPath, copyPath, nullptr, this, CreationPolicy::StoreSecurityAttributes());
            if (Succeeded(s)) {
                if (listed != opened_.end())
                    listed->writeTime = WriteTimeOf(copyPath);
                else
                    opened_.push_back(Opened {copyPath, WriteTimeOf(copyPath)});
            }
        }
    }
    if (dialog)
        dialog->SetLine1(QStringLiteral("Opening %1").arg(copyPath));
    if (Succeeded(s)) {
        s = programs_.OpenWithAssociatedProgram(copyPath, {}, true, false, dialog ? dialog->GetWindowHandle() : nullptr);
        if (Succeeded(s))
            HoldLockFiles(NativePath::ParentOf(copyPath));
    }
    return s;
}

void OpenedFileList::HoldLockFiles(const QString& folder)
{
    QList<DirectoryEntry> entries;
    if (Failed(FileSystem::List(folder, &entries)))
        return;
    for (const DirectoryEntry& entry : entries) {
        if (!IsLockFileName(entry.name))
            continue;
        QStringList files;
        const QString path = NativePath::Join(folder, entry.name);
        if (entry.isFolder)
            ListFiles(path, &files);
        else
            files << path;
        for (const QString& file : files) {
            const bool held = std::any_of(locks_.begin(), locks_.end(), [&](const LockFile& l) { return l.path == file; });
            auto handle = std::make_unique<NativeFile>();
            if (!held && Succeeded(handle->OpenRead(file)))
                locks_.push_back(LockFile {file, std::move(handle)});
        }
    }
}

Status OpenedFileList::WriteBackFile(const QString& copyPath, bool overwrite)
{
    const QString relative = copyPath.mid(launch_.size() + 1);
    const QString folder = NativePath::ParentOf(relative);
    QString storedFolder;
    Status s = store_.EnsureStoreFolders(QString(), folder, &storedFolder);
    if (Failed(s))
        return s;
    DirectoryEntry data;
    s = FileSystem::Info(copyPath, &data);
    if (Failed(s))
        return s;
    std::uint32_t id = 0;
    s = CopyToDeviceThread::EncryptFileIntoStore(store_, copyPath, storedFolder, data, &id, nullptr, nullptr, overwrite);
    if (s == E_STORE_ITEM_EXISTS) {
        const QString name = data.name;
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString stem = dot < 0 ? name : name.left(dot);
        const QString extension = dot < 0 ? QString() : name.mid(dot);
        for (int i = 1; i <= kMaxNumberedName && s == E_STORE_ITEM_EXISTS; ++i) {
            data.name = QStringLiteral("%1.%2%3").arg(stem).arg(i, 3, 10, QLatin1Char('0')).arg(extension).left(260);
            s = CopyToDeviceThread::EncryptFileIntoStore(store_, copyPath, storedFolder, data, &id, nullptr, nullptr, false);
        }
    }
    if (Succeeded(s)) {
        (void)FileUtilities::WipeFile(copyPath);
        (void)FileUtilities::DeleteFileForced(copyPath);
    }
    return s;
}

Status OpenedFileList::CleanUpLaunchFolder(IProgressDlg* dialog)
{
    programs_.CloseAll(false);
    QThread::msleep(1000);
    for (const Opened& copy : opened_) {
        while (FileUtilities::IsFileInUse(copy.path)) {
            (void)ShowMessageBox(dialog ? dialog->GetWindowHandle() : nullptr, languages_.GetText(msg::kCaptionNotice),
                                 languages_.FormatText(msg::kFileStillOpen, {copy.path}), mb::kRetry,
                                 mb::kIconInformation);
        }
        if (!FileSystem::Exists(copy.path))
            continue;
        if (WriteTimeOf(copy.path) != copy.writeTime) {
            (void)WriteBackFile(copy.path, true);  // a failure is tried again below
        } else {
            (void)FileUtilities::WipeFile(copy.path);
            (void)FileUtilities::DeleteFileForced(copy.path);
        }
    }
    for (LockFile& lock : locks_) {
        (void)lock.file->Close();
        (void)FileUtilities::WipeFile(lock.path);
        (void)FileUtilities::DeleteFileForced(lock.path);
    }
    locks_.clear();

    // Files saved into the launch folder, and copies not written back yet.
    Status result = S_OK;
    QStringList remaining;
    ListFiles(launch_, &remaining);
    for (const QString& file : remaining) {
        const Status s = WriteBackFile(file, true);
        if (Failed(s))
            result = s;  // wiped below: the user is told these changes are lost
    }
    if (FileSystem::Exists(launch_))
        (void)FileUtilities::DeleteTree(launch_, dialog, false, true);
    return result;
}

void OpenedFileList::DiscardOpenedCopy(const QString& copyPath)
{
    const auto listed = std::find_if(opened_.begin(), opened_.end(), [&](const Opened& o) { return o.path == copyPath; });
    if (listed != opened_.end() && FileUtilities::DeleteFileForced(copyPath))
        opened_.erase(listed);
}

}  // namespace nbr
