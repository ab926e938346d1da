#include "panes/MyComputerTreeController.h"

#include "base/ErrorText.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "panes/FileIconTable.h"
#include "panes/HostCopyThread.h"
#include "panes/PaneMimeData.h"
#include "panes/TreeListDataObject.h"
#include "platform/DesktopApps.h"
#include "platform/DocumentOpener.h"
#include "platform/FileSystem.h"
#include "platform/HostPlaces.h"
#include "platform/NativePath.h"
#include "store/CopyToTempThread.h"
#include "store/StoreStatus.h"
#include "store/WorkUnits.h"

#include <QCollator>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QTimeZone>

#include <algorithm>
#include <iterator>
#include <vector>

namespace nbr {
namespace {

// About 10 ms of the GUI thread on the build machine (Release).
constexpr std::size_t kDefaultRowsPerStep = 8192;
std::size_t g_rowsPerStep = kDefaultRowsPerStep;

bool IsAtOrUnder(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + NativePath::kSeparator);
}

}  // namespace

Status MyComputerTreeController::Data::GetInfoTip(QString* tip) const
{
    if (folder_) {
        *tip = path_;
        return S_OK;
    }
    static const QMimeDatabase database;
    const QString kind = database.mimeTypeForFile(path_, QMimeDatabase::MatchExtension).comment();
    *tip = path_ + u'\n' + kind + u'\n' + WorkUnits::FormatSizeColumn(size_, u',', u'A');
    return S_OK;
}

HostTree HostTree::OfThisComputer(const LanguageManager& languages)
{
    HostTree tree;
    const QString home = HostPlaces::HomeFolder();
    const QString desktop = HostPlaces::DesktopFolder();
    tree.places.append({languages.GetText(msg::kPlaceHome), home});
    if (!desktop.isEmpty())
        tree.places.append({QFileInfo(desktop).fileName(), desktop});
    if (const QString root = HostPlaces::FileSystemRoot(); !root.isEmpty())
        tree.places.append({languages.GetText(msg::kPlaceFileSystem), root});
    for (const HostVolume& volume : HostPlaces::UserVolumes())
        tree.places.append({volume.label, volume.root});
    tree.desktop = desktop.isEmpty() ? home : desktop;
    return tree;
}

MyComputerTreeController::MyComputerTreeController(PaneServices services, const QString& storeVolume,
                                                   EncryptedStore* store)
    : MyComputerTreeController(services, storeVolume, store, HostTree {})
{
    ofThisComputer_ = true;
}

MyComputerTreeController::MyComputerTreeController(PaneServices services, const QString& storeVolume,
                                                   EncryptedStore* store, HostTree tree)
    : services_(std::move(services)),
      store_(store),
      tree_(std::move(tree)),
      reader_([this](const QString& resolved) { return IsStorePath(resolved); },
              [this](TreeListModel& model, CTreeListItem* parent, HostFolderReader::Listing listing) {
                  (void)AddChildren(model, parent, std::move(listing));
              })
{
    storeVolume_ = HostPlaces::Resolved(storeVolume);
    if (storeVolume_.isEmpty())
        storeVolume_ = storeVolume;
    // A store kept on the system's own disk would hide every host file;
    // the pane then shows them all rather than nothing.
    if (storeVolume_ == QLatin1String("/"))
        storeVolume_.clear();
}

MyComputerTreeController::Data* MyComputerTreeController::DataOf(const CTreeListItem* item)
{
    if (!item || item == TLI_ROOT || item == TLI_LAST)
        return nullptr;
    return static_cast<Data*>(item->Data());
}

bool MyComputerTreeController::IsStorePath(const QString& resolved) const
{
    return !storeVolume_.isEmpty() && IsAtOrUnder(resolved, storeVolume_);
}

bool MyComputerTreeController::IsOnPathTo(const CTreeListItem* item, const QString& resolved)
{
    for (; item; item = item->Parent()) {
        const Data* data = DataOf(item);
        if (data && data->Resolved() == resolved)
            return true;
    }
    return false;
}

Status MyComputerTreeController::PopulatePlaces(TreeListModel& ctrl, int* status)
{
    if (ctrl.NextItem(nullptr, TreeNext::First))
        return S_OK;
    // Volumes come and go, and the places' names follow the language: the
    // top level is looked up again each time it is listed.
    if (ofThisComputer_)
        tree_ = HostTree::OfThisComputer(services_.languages);
    QStringList paths;
    for (const HostTree::Place& place : tree_.places)
        paths << place.path;
    std::vector<QString> where;
    std::vector<bool> answered;
    placesLookUp_ = HostFolderReader::ResolvePlaces(paths, &where, &answered);
    unanswered_.clear();
    placesModel_ = &ctrl;
    CTreeListItem* first = nullptr;
    for (std::size_t i = 0; i < answered.size(); ++i) {
        const HostTree::Place& place = tree_.places.at(static_cast<qsizetype>(i));
        // A place whose look-up has not ended is a mount that does not
        // answer: shown as such, under its own path, never waited for.
        const QString resolved = answered[i] ? where[i] : place.path;
        if (resolved.isEmpty() || IsStorePath(resolved))
            continue;
        // Every place keeps its button until it is opened: looking inside
        // each one here would wait on every mount, a hung one included.
        const QString label =
            answered[i] ? place.label : services_.languages.FormatText(msg::kPlaceNotAnswering, {place.label});
        CTreeListItem* item = ctrl.InsertItem(label, TLI_ROOT, TLI_LAST);
        ctrl.SetItemData(item, new Data(place.path, resolved, true, 0));
        if (!answered[i])
            unanswered_.push_back(Unanswered {item, i, place.label});
        const int image = FileIconTable::kFolder;
        ctrl.SetItemImage(item, image, image, image, image);
        ctrl.SetItemState(item, tls::kImage);
        if (!first)
            first = item;
    }
    if (first)
        ctrl.SelectItem(first);
    if (!unanswered_.empty()) {
        if (!placesPoll_) {
            placesPoll_ = std::make_unique<QTimer>();
            placesPoll_->setInterval(250);
            QObject::connect(placesPoll_.get(), &QTimer::timeout, [this] { PollPlaces(); });
        }
        placesPoll_->start();
    }
    if (status)
        *status = 0;
    return S_OK;
}

void MyComputerTreeController::PollPlaces()
{
    std::vector<QString> where;
    if (!placesLookUp_ || !placesModel_ || !HostFolderReader::PlacesEnded(*placesLookUp_, &where)) {
        if (!placesLookUp_ || unanswered_.empty())
            placesPoll_->stop();
        return;
    }
    placesPoll_->stop();
    placesLookUp_.reset();
    // Taken out first: deleting an item comes back through ReleaseItemData.
    const std::vector<Unanswered> late = std::move(unanswered_);
    unanswered_.clear();
    for (const Unanswered& place : late) {
        const QString& resolved = where[place.index];
        if (resolved.isEmpty() || IsStorePath(resolved)) {
            (void)placesModel_->DeleteItem(place.item);
            continue;
        }
        if (Data* data = DataOf(place.item))
            data->SetResolved(resolved);
        placesModel_->SetItemText(place.item, place.label);
    }
}

Status MyComputerTreeController::PopulateChildren(TreeListModel& ctrl, CTreeListItem* parent, int* status)
{
    if (status)
        *status = 0;
    const Data* parentData = DataOf(parent);
    if (!parentData)
        return PopulatePlaces(ctrl, status);
    if (parent->State() & tls::kChildrenLoaded)
        return S_OK;

    HostFolderReader::Listing listing;
    if (!reader_.Read(ctrl, parent, parentData->Path(), parentData->Resolved(), &listing))
        return S_OK;  // a slow folder: its children come in when its read ends
    const Status listed = AddChildren(ctrl, parent, std::move(listing));
    if (Failed(listed) && status)
        *status = -1;
    return listed;
}

void MyComputerTreeController::SetRowsPerStep(std::size_t rows)
{
    g_rowsPerStep = rows > 0 ? rows : kDefaultRowsPerStep;
}

Status MyComputerTreeController::AddChildren(TreeListModel& ctrl, CTreeListItem* parent,
                                             HostFolderReader::Listing listing)
{
    if (Failed(listing.status)) {
        ctrl.SetItemState(parent, tls::kChildrenLoaded);
        return listing.status;
    }
    // A later piece of a listing fits only where the previous one ended:
    // the folder may have been refreshed or emptied since.
    if (listing.first != parent->Children().size())
        return S_OK;
    // A huge folder goes in a piece per turn of the event loop, so that the
    // window keeps painting and answering while it fills.
    if (listing.children.size() > g_rowsPerStep) {
        HostFolderReader::Listing rest;
        rest.first = listing.first + g_rowsPerStep;
        const auto split = listing.children.begin() + static_cast<std::ptrdiff_t>(g_rowsPerStep);
        rest.children.assign(std::make_move_iterator(split),
                             std::make_move_iterator(listing.children.end()));
        listing.children.resize(g_rowsPerStep);
        reader_.Continue(ctrl, parent, std::move(rest));
    }
    FileIconTable& icons = FileIconTable::Shared();
    std::vector<NewTreeItem> rows;
    rows.reserve(listing.children.size());
    for (HostFolderReader::Child& child : listing.children) {
        NewTreeItem row;
        row.image = child.folder ? FileIconTable::kFolder : icons.IndexForFile(child.name, child.ownIconLookUp);
        row.state = tls::kImage;
        if (!child.folder) {
            row.state |= tls::kExpanded | tls::kChildrenLoaded | tls::kLeaf;
        } else if (IsOnPathTo(parent, child.resolved)) {
            // A folder that leads back to one above it gets no button.
            row.state |= tls::kExpanded | tls::kChildrenLoaded;
        }
        // Other folders keep their button until they are opened, as in the
        // desktop's file views: opening each one while listing its parent
        // would cost a look-up per folder (and wait on a slow mount).
        row.data = new Data(std::move(child.path), std::move(child.resolved), child.folder, child.size);
        row.texts = QStringList {std::move(child.name), std::move(child.sizeText), std::move(child.dateText)};
        rows.push_back(std::move(row));
    }
    const bool none = rows.empty() && listing.first == 0;
    (void)ctrl.AppendItems(parent, std::move(rows));
    // A folder opened before its read ended and found empty loses its button.
    if (none && (parent->State() & tls::kExpanded))
        ctrl.SetItemState(parent, tls::kChildrenLoaded, tls::kExpanded);
    else
        ctrl.SetItemState(parent, tls::kChildrenLoaded);
    return S_OK;
}

DropFileList MyComputerTreeController::BuildDropFileList(TreeListModel& ctrl, int x, int y, const QString& /*prefix*/)
{
    QStringList paths;
    for (const CTreeListItem* item : ctrl.Selection()) {
        if (const Data* data = DataOf(item))
            paths.append(data->Path());
    }
    return DropFileList(paths, x, y);
}

CTreeListItem* MyComputerTreeController::FindFolder(CTreeListItem* under, const QString& path)
{
    for (CTreeListItem* child : under->Children()) {
        const Data* data = DataOf(child);
        if (!data || !data->IsFolder())
            continue;
        if (data->Path() == path)
            return child;
        const QString prefix = data->Path().endsWith(NativePath::kSeparator)
                                   ? data->Path()
                                   : data->Path() + NativePath::kSeparator;
        if (path.startsWith(prefix)) {
            if (CTreeListItem* found = FindFolder(child, path))
                return found;
        }
    }
    return nullptr;
}

Status MyComputerTreeController::BeginDrag(TreeListModel& ctrl, CTreeListItem* item, QPoint point, int* status)
{
    if (status)
        *status = 0;
    const DropFileList files = BuildDropFileList(ctrl, point.x(), point.y(), QString());
    if (!services_.runDrag || files.Paths().isEmpty()) {
        if (status)
            *status = -1;
        return E_FAIL;
    }
    // The drag's loop runs the whole program meanwhile, and a refresh may
    // replace the items: the folder is found again by its path.
    const Data* parentData = item ? DataOf(item->Parent()) : nullptr;
    const QString parentPath = parentData ? parentData->Path() : QString();
    auto* data = new TreeListDataObject(QString::fromLatin1(mime::kMyComputer));
    data->SetFiles(files);
    const std::uint32_t effect = services_.runDrag(data, drop::kCopy | drop::kMove | drop::kScroll);
    if (effect == drop::kMove) {
        // The moved items are gone from their folder (the whole tree when
        // the folder is not shown any more).
        CTreeListItem* parent = parentPath.isEmpty() ? TLI_ROOT : FindFolder(ctrl.RootItem(), parentPath);
        int refreshed = 0;
        (void)RefreshItem(ctrl, parent ? parent : TLI_ROOT, &refreshed);
    }
    return S_OK;
}

Status MyComputerTreeController::AttachControl(TreeListModel& ctrl)
{
    return AttachDropTarget(ctrl, QString::fromLatin1(mime::kMyComputer));
}

void MyComputerTreeController::ReportNotLocalFiles(const QStringList& items)
{
    (void)ShowMessageBox(services_.mainWindow, services_.languages.GetText(msg::kCaptionNotice),
                         services_.languages.FormatText(msg::kNotLocalNotCopied, {items.join(u'\n')}), mb::kOk,
                         mb::kIconInformation);
}

void MyComputerTreeController::ReleaseItemData(CTreeListItem* item)
{
    reader_.Forget(item);
    std::erase_if(unanswered_, [item](const Unanswered& place) { return place.item == item; });
    delete DataOf(item);
}

bool MyComputerTreeController::IsContainer(TreeListModel& /*ctrl*/, CTreeListItem* item)
{
    const Data* data = DataOf(item);
    return !data || data->IsFolder();
}

QString MyComputerTreeController::TargetFolder(TreeListModel& ctrl, CTreeListItem** target)
{
    CTreeListItem* item = target ? *target : nullptr;
    if (DataOf(item) && !IsContainer(ctrl, item)) {
        item = item->Parent();
        if (!DataOf(item))
            item = TLI_ROOT;
        if (target)
            *target = item;
    }
    const Data* data = DataOf(item);
    if (data)
        return data->Path();
    if (ofThisComputer_) {
        const QString desktop = HostPlaces::DesktopFolder();
        return desktop.isEmpty() ? HostPlaces::HomeFolder() : desktop;
    }
    return tree_.desktop;
}

Status MyComputerTreeController::RunCopy(const QStringList& sources, const QString& folder, bool move)
{
    std::unique_ptr<IProgressDlg> dialog = services_.MakeTransferProgress();
    if (!dialog)
        return E_FAIL;
    HostCopyThread worker(dialog.get(), sources, folder, move, services_.languages);
    worker.Start();
    dialog->RunModal(worker.Thread(), true);
    return worker.GetStatus();
}

Status MyComputerTreeController::DropFiles(TreeListModel& ctrl, const DropFileList& files, CTreeListItem** target,
                                           std::uint32_t effect)
{
    const QString folder = TargetFolder(ctrl, target);
    if (files.Paths().isEmpty())
        return S_FALSE;
    // The worker has told of every failure itself.
    return RunCopy(files.Paths(), folder, (effect & drop::kMove) != 0 && (effect & drop::kCopy) == 0);
}

Status MyComputerTreeController::OpenItem(TreeListModel& /*ctrl*/, CTreeListItem* item)
{
    const Data* data = DataOf(item);
    if (!data)
        return E_INVALIDARG;
    switch (DocumentOpener::Open(data->Path())) {
    case DocumentOpener::Result::Opened:
        return S_OK;
    case DocumentOpener::Result::NoProgram:
        (void)ShowMessageBox(services_.mainWindow, services_.languages.GetText(msg::kCaptionNotice),
                             services_.languages.GetText(msg::kNoProgramToOpen), mb::kOk, mb::kIconInformation);
        return StatusFromWin32(win32::kNotSupported);
    case DocumentOpener::Result::Failed:
        break;
    }
    return E_FAIL;
}

void MyComputerTreeController::ShowError(Status s) const
{
    (void)ShowMessageBox(nullptr, services_.languages.GetText(msg::kCaptionError),
                         FormatErrorText(services_.languages, s), mb::kOk, mb::kIconError);
}

Status MyComputerTreeController::DeleteSelection(TreeListModel& ctrl)
{
    const std::vector<CTreeListItem*> selection = ctrl.Selection();
    QStringList paths;
    bool folder = false;
    for (const CTreeListItem* item : selection) {
        const Data* data = DataOf(item);
        // A place (the home folder, the file system, a volume) is never
        // thrown away from here.
        if (!data || item == ctrl.RootItem() || item->Parent() == ctrl.RootItem())
            return S_FALSE;
        paths.append(data->Path());
        folder = data->IsFolder();
    }
    if (paths.isEmpty())
        return S_FALSE;
    const LanguageManager& texts = services_.languages;
    const QString question =
        paths.size() != 1 ? texts.FormatText(msg::kQuestionDeleteItems, {static_cast<int>(paths.size())})
                          : texts.FormatText(folder ? msg::kQuestionDeleteFolder : msg::kQuestionDeleteFile,
                                             {NativePath::LastComponent(paths.first())});
    const std::uint32_t answer = ShowMessageBox(services_.mainWindow, texts.GetText(msg::kCaptionNotice), question,
                                                mb::kYes | mb::kNo, mb::kIconInformation);
    if (MessageBox::ButtonOf(answer) != mb::kIdYes)
        return S_FALSE;

    SetBusy(1);
    Status result = S_OK;
    for (const QString& path : paths) {
        // An item inside another selected one goes to the trash with it.
        const bool inside = std::any_of(paths.cbegin(), paths.cend(), [&path](const QString& other) {
            return other != path && IsAtOrUnder(path, other);
        });
        if (inside)
            continue;
        const Status s = HostPlaces::MoveToTrash(path);
        if (Failed(s)) {
            (void)ShowMessageBox(services_.mainWindow, texts.GetText(msg::kCaptionError),
                                 texts.FormatText(msg::kNotMovedToTrash,
                                                  {NativePath::LastComponent(path), FormatErrorText(texts, s)}),
                                 mb::kOk, mb::kIconError);
            result = E_FAIL;
        }
    }
    int status = 0;
    (void)RefreshItem(ctrl, TLI_ROOT, &status);
    SetBusy(0);
    return result;
}

bool MyComputerTreeController::CanPaste(const QMimeData* clipboard) const
{
    return clipboard && (PaneMimeData::HasStoreList(clipboard) || PaneMimeData::HasFileList(clipboard));
}

Status MyComputerTreeController::Paste(TreeListModel& ctrl, const QMimeData* clipboard)
{
    if (!CanPaste(clipboard))
        return S_FALSE;
    CTreeListItem* target = ctrl.Selection().empty() ? nullptr : ctrl.Selection().front();
    int status = 0;
    if (PaneMimeData::HasStoreList(clipboard)) {
        const DropFileList stored = PaneMimeData::StoreFiles(clipboard);
        if (stored.Paths().isEmpty() || !store_)
            return S_FALSE;
        const QString folder = TargetFolder(ctrl, &target);
        std::unique_ptr<IProgressDlg> dialog = services_.MakeTransferProgress();
        if (!dialog)
            return E_FAIL;
        CopyToTempThread worker(dialog.get(), *store_, stored.Paths(), folder + NativePath::kSeparator,
                                services_.languages);
        worker.Start();
        dialog->RunModal(worker.Thread(), true);
        // Each item left out was told of by name: no second, vaguer box.
        if (Failed(worker.GetStatus()) && !worker.LeftOutAny())
            ShowError(worker.GetStatus());
        return RefreshItem(ctrl, target, &status);
    }
    const DropFileList files = PaneMimeData::LocalFiles(clipboard);
    if (files.Paths().isEmpty())
        return S_FALSE;
    (void)DropFiles(ctrl, files, &target, drop::kCopy);
    return RefreshItem(ctrl, target, &status);
}

Status MyComputerTreeController::CreateFolder(TreeListModel& ctrl, const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(NativePath::kSeparator)
        || name.contains(QChar(0)))
        return StatusFromWin32(win32::kInvalidName);
    CTreeListItem* target = ctrl.Selection().empty() ? nullptr : ctrl.Selection().front();
    const QString folder = TargetFolder(ctrl, &target);
    const Status s = FileSystem::CreateFolder(NativePath::Join(folder, name), nullptr);
    if (s == StatusFromWin32(win32::kAlreadyExists) || s == StatusFromWin32(win32::kFileExists))
        return E_STORE_ITEM_EXISTS;
    if (Failed(s))
        return s;
    int status = 0;
    (void)RefreshItem(ctrl, target, &status);
    if (DataOf(target))
        ctrl.Expand(target, TreeExpand::Expand);
    return S_OK;
}

QStringList MyComputerTreeController::ProgramsFor(TreeListModel& /*ctrl*/, CTreeListItem* item)
{
    const Data* data = DataOf(item);
    QStringList names;
    if (!data || data->IsFolder())
        return names;
    for (const DesktopProgram& program : DesktopApps::ProgramsFor(data->Path()))
        names << program.name;
    return names;
}

Status MyComputerTreeController::OpenWith(TreeListModel& /*ctrl*/, CTreeListItem* item, int program)
{
    const Data* data = DataOf(item);
    if (!data || data->IsFolder())
        return E_INVALIDARG;
    const QList<DesktopProgram> programs = DesktopApps::ProgramsFor(data->Path());
    if (program < 0 || program >= programs.size())
        return E_INVALIDARG;
    return DocumentOpener::OpenWith(programs.at(program).id, data->Path()) == DocumentOpener::Result::Opened
               ? S_OK
               : StatusFromWin32(win32::kNotSupported);
}

Status MyComputerTreeController::RenameItem(TreeListModel& ctrl, CTreeListItem* item, const QString& name)
{
    const Data* data = DataOf(item);
    if (!data || !item->Parent() || !DataOf(item->Parent()))
        return E_INVALIDARG;
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(NativePath::kSeparator) || name.contains(QChar(0)))
        return StatusFromWin32(win32::kInvalidName);
    if (name == item->Text(0))
        return S_FALSE;
    const QString renamed = NativePath::Join(NativePath::ParentOf(data->Path()), name);
    // Never over another item: a rename that replaced one would lose it.
    if (QFileInfo::exists(renamed) || QFileInfo(renamed).isSymLink())
        return E_STORE_ITEM_EXISTS;
    const Status s = FileSystem::Rename(data->Path(), renamed);
    if (Failed(s))
        return s;
    int status = 0;
    (void)RefreshItem(ctrl, item->Parent(), &status);
    return S_OK;
}

QString MyComputerTreeController::PropertiesOf(TreeListModel& /*ctrl*/, CTreeListItem* item)
{
    const Data* data = DataOf(item);
    if (!data)
        return {};
    const QFileInfo info(data->Path());
    static const QMimeDatabase database;
    const QString kind = data->IsFolder() ? database.mimeTypeForName(QStringLiteral("inode/directory")).comment()
                                          : database.mimeTypeForFile(data->Path()).comment();
    const QString size = data->IsFolder() ? QString() : WorkUnits::FormatSizeColumn(data->Size(), u',', u'A');
    DateColumn dates;
    QString permissions;
    const QFileDevice::Permissions bits = info.permissions();
    for (const auto& [bit, letter] : {std::pair {QFileDevice::ReadOwner, 'r'}, {QFileDevice::WriteOwner, 'w'},
                                      {QFileDevice::ExeOwner, 'x'}, {QFileDevice::ReadGroup, 'r'},
                                      {QFileDevice::WriteGroup, 'w'}, {QFileDevice::ExeGroup, 'x'},
                                      {QFileDevice::ReadOther, 'r'}, {QFileDevice::WriteOther, 'w'},
                                      {QFileDevice::ExeOther, 'x'}})
        permissions += bits.testFlag(bit) ? QLatin1Char(letter) : QLatin1Char('-');
    if (!info.owner().isEmpty())
        permissions += QStringLiteral(" (%1)").arg(info.owner());
    return services_.languages.FormatText(
        msg::kPropertiesText, {item->Text(0), NativePath::ParentOf(data->Path()), kind, size,
                               dates.Of(info.lastModified().toUTC()), permissions});
}

Status MyComputerTreeController::ShowInFileManager(TreeListModel& /*ctrl*/, CTreeListItem* item)
{
    const Data* data = DataOf(item);
    if (!data)
        return E_INVALIDARG;
    // The item's folder, in the program the desktop opens folders with (a
    // place of the top level is shown itself).
    const QString folder = item->Parent() && DataOf(item->Parent()) ? NativePath::ParentOf(data->Path()) : data->Path();
    switch (DocumentOpener::Open(folder)) {
    case DocumentOpener::Result::Opened: return S_OK;
    case DocumentOpener::Result::NoProgram: return StatusFromWin32(win32::kNotSupported);
    case DocumentOpener::Result::Failed: break;
    }
    return E_FAIL;
}

}  // namespace nbr
