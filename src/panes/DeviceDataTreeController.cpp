#include "panes/DeviceDataTreeController.h"

#include "base/ErrorText.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "base/ProgressWorker.h"
#include "panes/DateColumn.h"
#include "panes/FileIconTable.h"
#include "panes/PaneMimeData.h"
#include "panes/StoreDragRender.h"
#include "panes/TreeListDataObject.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "security/EncryptedFileHeader.h"
#include "store/CopyToDeviceThread.h"
#include "store/EncryptedStore.h"
#include "store/FileUtilities.h"
#include "store/OpenedFileList.h"
#include "store/StoreStatus.h"
#include "store/WorkUnits.h"

#include <QDateTime>

#include <algorithm>
#include <vector>

namespace nbr {
namespace {

constexpr std::uint32_t kWorkerSteps = 100;

// The items from the top level down to `item`, the invisible root left out.
std::vector<const CTreeListItem*> ChainOf(const CTreeListItem* item)
{
    std::vector<const CTreeListItem*> chain;
    for (; item && item != TLI_ROOT && item != TLI_LAST && item->Parent(); item = item->Parent())
        chain.push_back(item);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

bool IsTreeRoot(const CTreeListItem* item)
{
    return item == nullptr || item == TLI_ROOT || item->Parent() == nullptr;
}

// Whether `item` lies below `folder` (null: the whole tree).
bool IsBelow(const CTreeListItem* item, const CTreeListItem* folder)
{
    if (!folder)
        return true;
    for (const CTreeListItem* at = item->Parent(); at; at = at->Parent()) {
        if (at == folder)
            return true;
    }
    return false;
}

}  // namespace

Status DeviceDataTreeController::Data::GetInfoTip(QString* tip) const
{
    if (storedFile_.isEmpty() || !texts_)
        return E_FAIL;
    std::uint64_t content = 0;
    const Status s = EncryptedFileHeader::ContentSizeOf(storedFile_, &content);
    if (Failed(s))
        return s;
    *tip = texts_->FormatText(msg::kStoredSizeTip, {WorkUnits::FormatSizeColumn(content, u',', u'A'),
                                                    WorkUnits::FormatSizeColumn(storedSize_, u',', u'A')});
    return S_OK;
}

DeviceDataTreeController::DeviceDataTreeController(PaneServices services, EncryptedStore& store,
                                                   OpenedFileList& openedFiles)
    : services_(std::move(services)),
      store_(store),
      openedFiles_(openedFiles),
      columns_([](CTreeListItem* item, std::uint64_t bytes) {
          if (auto* data = static_cast<Data*>(item->Data()))
              data->SetStoredSize(bytes);
      })
{
}

DeviceDataTreeController::~DeviceDataTreeController() = default;

QString DeviceDataTreeController::ItemStoredPath(const CTreeListItem* item) const
{
    // The whole chain, however deep: a path cut short would name another item.
    QString path = store_.Root();
    for (const CTreeListItem* at : ChainOf(item)) {
        if (const auto* data = static_cast<const Data*>(at->Data()))
            path = EncryptedStore::StoredPathOf(path, data->Id());
    }
    return path;
}

QString DeviceDataTreeController::ItemDisplayPath(const CTreeListItem* item)
{
    QStringList names;
    for (const CTreeListItem* at : ChainOf(item)) {
        if (at->Data())
            names << at->Text(0);
    }
    return names.join(NativePath::kSeparator);
}

bool DeviceDataTreeController::ItemIsFolder(const CTreeListItem* item) const
{
    bool folder = false;
    return Succeeded(FileUtilities::GetPathKind(ItemStoredPath(item), &folder)) && folder;
}

Status DeviceDataTreeController::PopulateChildren(TreeListModel& ctrl, CTreeListItem* parent, int* status)
{
    if (status)
        *status = 0;
    if (parent == TLI_ROOT)
        parent = nullptr;
    if (parent && (parent->State() & tls::kChildrenLoaded))
        return S_OK;
    const QString folder = parent && parent->Data() ? ItemStoredPath(parent) : store_.Root();
    // The names first: what the stick says of each item (sizes, dates)
    // follows off this thread.
    std::vector<StoreListEntry> entries;
    if (Failed(store_.ListNames(folder, &entries))) {
        if (status)
            *status = -1;
        return E_STORE_MANIFEST;
    }
    FileIconTable& icons = FileIconTable::Shared();
    std::vector<NewTreeItem> rows;
    rows.reserve(entries.size());
    for (const StoreListEntry& entry : entries) {
        NewTreeItem row;
        row.texts = QStringList {entry.name, QString(), QString()};
        // A folder keeps its button until it is opened: looking into every
        // subfolder first would cost a folder read each on a slow stick.
        // Opened and found empty, it loses the button.
        row.state = tls::kImage | (entry.isFolder ? 0 : tls::kLeaf | tls::kExpanded);
        row.data = entry.isFolder ? new Data(entry.id)
                                  : new Data(entry.id, entry.storedPath, entry.encryptedSize, &services_.languages);
        // By the display name: the stored file's number says nothing of its kind.
        row.image = icons.IndexFor(entry.name, entry.isFolder);
        rows.push_back(std::move(row));
    }
    const std::vector<CTreeListItem*> items = ctrl.AppendItems(parent ? parent : TLI_ROOT, std::move(rows));
    if (parent == nullptr && !items.empty())
        (void)ctrl.SelectItem(items.front());
    // The size column is the stored file's, header and padding included;
    // both columns stay empty for an item whose stored file is missing.
    std::vector<std::pair<std::uint32_t, CTreeListItem*>> byNumber;
    byNumber.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        byNumber.emplace_back(entries[i].id, items[i]);
    columns_.Gather(ctrl, parent ? parent : ctrl.RootItem(), folder, byNumber);
    return S_OK;
}

DropFileList DeviceDataTreeController::BuildDropFileList(TreeListModel& ctrl, int x, int y, const QString& prefix)
{
    QStringList paths;
    for (CTreeListItem* item : ctrl.Selection()) {
        QString path = ItemStoredPath(item);
        if (!prefix.isEmpty()) {
            QString name = store_.GetDisplayName(path);
            if (name.isEmpty())
                name = NativePath::LastComponent(path);
            path = prefix.endsWith(NativePath::kSeparator) ? prefix + name : prefix + NativePath::kSeparator + name;
        }
        paths << path;
    }
    if (paths.isEmpty())
        return {};
    return DropFileList(paths, x, y);
}

Status DeviceDataTreeController::BeginDrag(TreeListModel& ctrl, CTreeListItem* /*item*/, QPoint point, int* status)
{
    if (status)
        *status = 0;
    if (!services_.runDrag || ctrl.Selection().empty()) {
        if (status)
            *status = -1;
        return E_FAIL;
    }
    // The previous drag's folder goes now: its target has long copied.
    const QString folder = dragFolder_.Next();
    if (folder.isEmpty()) {
        if (status)
            *status = -1;
        return E_FAIL;
    }
    auto* data = new TreeListDataObject(QString::fromLatin1(mime::kUsbDevice));
    data->SetTempFolder(folder);
    for (const CTreeListItem* selected : ctrl.Selection())
        data->AddStoreFile(ItemStoredPath(selected));
    data->SetFiles(BuildDropFileList(ctrl, point.x(), point.y(), folder));
    // The drag's data can be asked after the controller went (a program
    // copying late): the renderer then has answered already.
    data->SetRenderer([services = services_, &store = store_](const QStringList& storeFiles, const QString& temp) {
        return StoreDragRender::Run(services, store, storeFiles, temp);
    });
    // The folder stays after the drag: a program of the desktop may copy
    // from it after the drop (DragTempFolder).
    (void)services_.runDrag(data, drop::kCopy | drop::kScroll);
    return S_OK;
}

Status DeviceDataTreeController::AttachControl(TreeListModel& ctrl)
{
    return AttachDropTarget(ctrl, QString::fromLatin1(mime::kUsbDevice));
}

void DeviceDataTreeController::ReportNotLocalFiles(const QStringList& items)
{
    // Places of other programs (a server, a phone) have no file to read
    // here; the person hears which, and the local files still go in.
    (void)ShowMessageBox(services_.mainWindow, services_.languages.GetText(msg::kCaptionNotice),
                         services_.languages.FormatText(msg::kNotLocalFiles, {items.join(u'\n')}), mb::kOk,
                         mb::kIconInformation);
}

void DeviceDataTreeController::ReleaseItemData(CTreeListItem* item)
{
    if (!item || item == TLI_ROOT || item == TLI_LAST)
        return;
    columns_.Forget(item);
    delete static_cast<Data*>(item->Data());
}

Status DeviceDataTreeController::DropFiles(TreeListModel& /*ctrl*/, const DropFileList& files, CTreeListItem** target,
                                           std::uint32_t effect)
{
    CTreeListItem* folderItem = target ? *target : nullptr;
    if (folderItem == TLI_ROOT)
        folderItem = nullptr;
    if (folderItem && !ItemIsFolder(folderItem)) {
        // A file receives into its folder, which the caller then refreshes.
        folderItem = folderItem->Parent() && folderItem->Parent()->Parent() ? folderItem->Parent() : nullptr;
        if (target)
            *target = folderItem;
    }
    const QString folder = folderItem && folderItem->Data() ? ItemStoredPath(folderItem) : QString();

    const std::unique_ptr<IProgressDlg> dialog = services_.MakeTransferProgress();
    if (!dialog)
        return E_FAIL;
    CopyToDeviceThread worker(dialog.get(), store_, files, folder, services_.languages);
    worker.Start();
    dialog->RunModal(worker.Thread(), false);
    // A move lets go of its sources only when all of them are in the store:
    // a cancelled run or a declined replacement ends well but stored less.
    if (effect == drop::kMove && Succeeded(worker.GetStatus()) && !dialog->IsCancelled() && !worker.DeclinedAny())
        RemoveMovedSources(files);
    return S_OK;
}

void DeviceDataTreeController::RemoveMovedSources(const DropFileList& files)
{
    // A large tree takes its time to delete: behind a window of its own, off
    // the GUI thread.
    const std::unique_ptr<IProgressDlg> dialog = services_.makeProgress();
    if (!dialog)
        return;
    dialog->SetTitle(services_.languages.GetText(msg::kTitleDeleting));
    ProgressWorker worker(kWorkerSteps);
    const OwnedThread driver = worker.Start(
        [files] {
            DeleteMovedSources(files);
            return 0;
        },
        dialog.get());
    if (driver)
        dialog->RunModal(driver.get(), false);
}

void DeviceDataTreeController::DeleteMovedSources(const DropFileList& files)
{
    for (const QString& path : files.Paths()) {
        DirectoryEntry info;
        if (Failed(FileSystem::Info(path, &info)))
            continue;
        // A link goes as a link; what it points at stays.
        if (info.isFolder)
            (void)FileSystem::RemoveTree(path, TreeRemoval {});
        else
            (void)FileSystem::RemoveFile(path);
    }
}

Status DeviceDataTreeController::OpenItem(TreeListModel& /*ctrl*/, CTreeListItem* item)
{
    if (!item || item == TLI_ROOT || item == TLI_LAST || !item->Data())
        return E_INVALIDARG;
    const QString stored = ItemStoredPath(item);
    const QString display = ItemDisplayPath(item);
    const std::unique_ptr<IProgressDlg> dialog = services_.makeProgress();
    if (!dialog)
        return E_FAIL;
    dialog->SetTitle(services_.languages.GetText(msg::kMenuOpen));
    dialog->EnableWaitForWindow();
    Status result = S_OK;
    ProgressWorker worker(kWorkerSteps);
    IProgressDlg* sink = dialog.get();
    {
        const OwnedThread driver = worker.Start(
            [&result, this, stored, display, sink] {
                result = openedFiles_.OpenStoredItem(stored, display, sink);
                return Succeeded(result) ? 0 : 1;
            },
            sink);
        if (!driver)
            return E_FAIL;
        dialog->RunModal(driver.get(), false);
    }
    // A double-click that does nothing would leave the person guessing.
    if (Failed(result))
        ShowError(result);
    return result;
}

Status DeviceDataTreeController::DeleteSelection(TreeListModel& ctrl)
{
    const std::vector<CTreeListItem*> selection = ctrl.Selection();
    if (selection.empty())
        return S_OK;
    struct BusyScope {
        TreeController& owner;
        explicit BusyScope(TreeController& c) : owner(c) { owner.SetBusy(1); }
        ~BusyScope() { owner.SetBusy(0); }
    } busy(*this);

    for (const CTreeListItem* item : selection) {
        if (IsTreeRoot(item))
            return S_FALSE;
    }
    const LanguageManager& texts = services_.languages;
    const int count = static_cast<int>(selection.size());
    CTreeListItem* first = selection.front();
    const QString question = count != 1          ? texts.FormatText(msg::kQuestionDeleteItems, {count})
                             : ItemIsFolder(first) ? texts.FormatText(msg::kQuestionDeleteFolder, {first->Text(0)})
                                                   : texts.FormatText(msg::kQuestionDeleteFile, {first->Text(0)});
    const std::uint32_t answer = ShowMessageBox(services_.mainWindow, texts.GetText(msg::kCaptionNotice), question,
                                                mb::kYes | mb::kNo, mb::kIconInformation);
    if (MessageBox::ButtonOf(answer) != mb::kIdYes)
        return S_FALSE;

    QStringList paths;
    QStringList displayPaths;
    for (const CTreeListItem* item : selection) {
        paths << ItemStoredPath(item);
        displayPaths << ItemDisplayPath(item);
    }
    const std::unique_ptr<IProgressDlg> dialog = services_.makeProgress();
    if (!dialog)
        return E_FAIL;
    dialog->SetTitle(texts.GetText(msg::kTitleDeleting));
    dialog->EnableWaitForWindow();
    Status result = S_OK;
    ProgressWorker worker(kWorkerSteps);
    IProgressDlg* sink = dialog.get();
    {
        const OwnedThread driver = worker.Start(
            [&result, this, paths, sink] {
                result = store_.DeleteStoreItems(paths, sink);
                sink->SetLine1(QString());
                sink->SetLine2(QString());
                sink->SetLine3(QString());
                return Succeeded(result) ? 0 : 1;
            },
            sink);
        if (!driver)
            return E_FAIL;
        dialog->RunModal(driver.get(), false);
    }

    for (const QString& display : std::as_const(displayPaths))
        DiscardOpenedCopies(display);
    if (CTreeListItem* folder = RefreshParentsOf(ctrl, selection))
        (void)ctrl.SelectItem(folder);
    // The list says what is left; a folder whose list could not be changed
    // must not look as if the deletion went through.
    if (Failed(result))
        ShowError(result);
    return S_OK;
}

void DeviceDataTreeController::DiscardOpenedCopies(const QString& displayPath)
{
    const QString copy = NativePath::Join(openedFiles_.LaunchFolder(), displayPath);
    bool folder = false;
    if (Failed(FileSystem::Kind(copy, &folder)))
        return;
    if (!folder) {
        openedFiles_.DiscardOpenedCopy(copy);
        return;
    }
    // The copies of a deleted folder's files would otherwise be stored again
    // under the folder when the program closes.
    QList<DirectoryEntry> entries;
    if (Failed(FileSystem::List(copy, &entries)))
        return;
    for (const DirectoryEntry& entry : std::as_const(entries)) {
        if (entry.validName && !entry.isLink)
            DiscardOpenedCopies(NativePath::Join(displayPath, entry.name));
    }
}

CTreeListItem* DeviceDataTreeController::RefreshParentsOf(TreeListModel& ctrl,
                                                          const std::vector<CTreeListItem*>& items)
{
    // The folders that held the items (null: the top level), each once.
    std::vector<CTreeListItem*> parents;
    for (CTreeListItem* item : items) {
        CTreeListItem* parent = IsTreeRoot(item->Parent()) ? nullptr : item->Parent();
        if (std::find(parents.begin(), parents.end(), parent) == parents.end())
            parents.push_back(parent);
    }
    // A refresh rebuilds everything below the folder, so a folder inside
    // another one being refreshed needs none of its own (and would be gone
    // by its turn).
    std::vector<CTreeListItem*> outermost;
    for (CTreeListItem* parent : parents) {
        const bool covered = std::any_of(parents.begin(), parents.end(), [parent](const CTreeListItem* other) {
            return other != parent && (parent == nullptr ? false : IsBelow(parent, other));
        });
        if (!covered)
            outermost.push_back(parent);
    }
    CTreeListItem* selected = nullptr;
    for (CTreeListItem* parent : outermost) {
        int status = 0;
        (void)RefreshItem(ctrl, parent, &status);
        if (parent && !selected)
            selected = parent;
    }
    return selected;
}

bool DeviceDataTreeController::CanPaste(const QMimeData* clipboard) const
{
    // Stored items copied in this pane travel as the store's own list, which
    // names nothing a host could hand back: only host files paste here.
    return PaneMimeData::HasFileList(clipboard);
}

Status DeviceDataTreeController::Paste(TreeListModel& ctrl, const QMimeData* clipboard)
{
    if (!CanPaste(clipboard))
        return S_FALSE;
    QStringList others;
    const DropFileList files = PaneMimeData::LocalFiles(clipboard, &others);
    if (!others.isEmpty())
        ReportNotLocalFiles(others);
    if (files.Paths().isEmpty())
        return S_FALSE;
    SetBusy(1);
    CTreeListItem* target = ctrl.NextItem(nullptr, TreeNext::FirstSelected);
    (void)DropFiles(ctrl, files, &target, drop::kCopy);
    int status = 0;
    const Status result = RefreshItem(ctrl, target, &status);
    SetBusy(0);
    return result;
}

bool DeviceDataTreeController::IsContainer(TreeListModel& /*ctrl*/, CTreeListItem* item)
{
    if (item == nullptr || item == TLI_ROOT || item == TLI_LAST || !item->Data())
        return true;
    return ItemIsFolder(item);
}

Status DeviceDataTreeController::CreateFolder(TreeListModel& ctrl, const QString& name)
{
    CTreeListItem* selected = ctrl.NextItem(nullptr, TreeNext::FirstSelected);
    if (!IsContainer(ctrl, selected))
        return E_STORE_MANIFEST;
    const QString parent = selected && selected->Data() ? ItemStoredPath(selected) : store_.Root();
    QString created;
    const Status s = store_.CreateStoreFolder(parent, name, &created);
    if (Succeeded(s)) {
        int status = 0;
        (void)RefreshItem(ctrl, selected, &status);
        if (selected)
            (void)ctrl.Expand(selected, TreeExpand::Expand);
    }
    return s;
}

void DeviceDataTreeController::ShowError(Status status) const
{
    (void)ShowMessageBox(services_.mainWindow, services_.languages.GetText(msg::kCaptionError),
                         FormatErrorText(services_.languages, status), mb::kOk, mb::kIconError);
}

}  // namespace nbr
