#include "FakeTreeController.h"

#include "panes/PaneMimeData.h"
#include "panes/TreeData.h"

namespace nbr::test {

namespace {

class FakeData final : public TreeData {
public:
    FakeData(QString itemPath, bool isFolder) : path(std::move(itemPath)), folder(isFolder) {}
    [[nodiscard]] Status GetInfoTip(QString* /*tip*/) const override { return E_FAIL; }
    QString path;
    bool folder;
};

const FakeData* DataOf(const CTreeListItem* item)
{
    return item && item != TLI_ROOT ? static_cast<const FakeData*>(item->Data()) : nullptr;
}

}  // namespace

FakeTreeController::FakeTreeController(bool storeSide, FakeLog* log) : storeSide_(storeSide), log_(log) {}

FakeTreeController::~FakeTreeController()
{
    log_->calls << QStringLiteral("Destroyed");
}

void FakeTreeController::Add(const QString& path)
{
    const bool folder = path.endsWith(QLatin1Char('/'));
    const QString bare = folder ? path.chopped(1) : path;
    const qsizetype slash = bare.lastIndexOf(QLatin1Char('/'));
    children_[slash < 0 ? QString() : bare.left(slash)] << bare.mid(slash + 1) + (folder ? QStringLiteral("/") : QString());
}

void FakeTreeController::Remove(const QString& path)
{
    const QString bare = path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
    const qsizetype slash = bare.lastIndexOf(QLatin1Char('/'));
    QStringList& siblings = children_[slash < 0 ? QString() : bare.left(slash)];
    siblings.removeAll(bare.mid(slash + 1));
    siblings.removeAll(bare.mid(slash + 1) + QLatin1Char('/'));
}

QString FakeTreeController::PathOf(const CTreeListItem* item)
{
    const FakeData* data = DataOf(item);
    return data ? data->path : QString();
}

CTreeListItem* FakeTreeController::Find(const TreeListModel& ctrl, const QString& path)
{
    for (CTreeListItem* item = ctrl.NextItem(nullptr, TreeNext::First); item;
         item = ctrl.NextItem(item, TreeNext::NextVisible)) {
        if (PathOf(item) == path)
            return item;
    }
    return nullptr;
}

Status FakeTreeController::PopulateChildren(TreeListModel& ctrl, CTreeListItem* parent, int* status)
{
    if (onPopulate)
        onPopulate();
    if (status)
        *status = 0;
    if (parent == TLI_ROOT)
        parent = nullptr;
    if (parent && (parent->State() & tls::kChildrenLoaded))
        return S_OK;
    const QString folder = PathOf(parent);
    for (const QString& name : children_.value(folder)) {
        const bool isFolder = name.endsWith(QLatin1Char('/'));
        const QString bare = isFolder ? name.chopped(1) : name;
        CTreeListItem* item = ctrl.InsertItem(bare, parent ? parent : TLI_ROOT);
        ctrl.SetItemData(item, new FakeData(folder.isEmpty() ? bare : folder + QLatin1Char('/') + bare, isFolder));
        ++log_->liveData;
        if (!isFolder)
            ctrl.SetItemState(item, tls::kLeaf | tls::kChildrenLoaded);
    }
    if (parent)
        ctrl.SetItemState(parent, tls::kChildrenLoaded);
    return S_OK;
}

DropFileList FakeTreeController::BuildDropFileList(TreeListModel& ctrl, int x, int y, const QString& /*prefix*/)
{
    QStringList paths;
    for (const CTreeListItem* item : ctrl.Selection())
        paths << QStringLiteral("/base/") + PathOf(item);
    return DropFileList(paths, x, y);
}

Status FakeTreeController::AttachControl(TreeListModel& ctrl)
{
    log_->calls << QStringLiteral("Attach");
    if (takesDrops)
        return AttachDropTarget(ctrl, QString::fromLatin1(storeSide_ ? mime::kUsbDevice : mime::kMyComputer));
    return S_OK;
}

Status FakeTreeController::DetachControl(TreeListModel& ctrl)
{
    log_->calls << QStringLiteral("Detach");
    return TreeController::DetachControl(ctrl);
}

void FakeTreeController::ReleaseItemData(CTreeListItem* item)
{
    if (!item->Data())
        return;
    delete static_cast<const FakeData*>(item->Data());
    --log_->liveData;
}

Status FakeTreeController::DropFiles(TreeListModel& /*ctrl*/, const DropFileList& files, CTreeListItem** /*target*/,
                                     std::uint32_t effect)
{
    if (!takesDrops)
        return E_NOTIMPL;
    log_->calls << QStringLiteral("Drop %1 %2").arg(files.Paths().join(u',')).arg(effect);
    return S_OK;
}

Status FakeTreeController::OpenItem(TreeListModel& /*ctrl*/, CTreeListItem* item)
{
    log_->calls << QStringLiteral("Open ") + PathOf(item);
    return S_OK;
}

Status FakeTreeController::DeleteSelection(TreeListModel& ctrl)
{
    log_->calls << QStringLiteral("Delete %1").arg(ctrl.SelectedCount());
    return S_OK;
}

bool FakeTreeController::CanPaste(const QMimeData* clipboard) const
{
    return PaneMimeData::HasFileList(clipboard) || (!storeSide_ && PaneMimeData::HasStoreList(clipboard));
}

Status FakeTreeController::Paste(TreeListModel& /*ctrl*/, const QMimeData* clipboard)
{
    log_->calls << QStringLiteral("Paste %1").arg(CanPaste(clipboard) ? 1 : 0);
    return S_OK;
}

bool FakeTreeController::IsContainer(TreeListModel& /*ctrl*/, CTreeListItem* item)
{
    const FakeData* data = DataOf(item);
    return !data || data->folder;
}

Status FakeTreeController::CreateFolder(TreeListModel& /*ctrl*/, const QString& name)
{
    log_->calls << QStringLiteral("Create %1 busy=%2").arg(name).arg(IsBusy());
    return createResult;
}

}  // namespace nbr::test
