#include "panes/TreeController.h"

#include "base/LanguageManager.h"
#include "panes/PaneDropTarget.h"

#include <algorithm>

namespace nbr {

Status TreeController::RefreshItem(TreeListModel& ctrl, CTreeListItem* item, int* status)
{
    const bool wholeTree = item == nullptr || item == TLI_ROOT;
    const bool wasExpanded = wholeTree || (item->State() & tls::kExpanded) != 0;
    ctrl.DeleteChildren(wholeTree ? TLI_ROOT : item);
    if (wholeTree)
        return PopulateChildren(ctrl, nullptr, status);
    if (status)
        *status = 0;
    ctrl.SetItemState(item, 0, tls::kChildrenLoaded);
    if (wasExpanded)
        ctrl.Expand(item, TreeExpand::Expand);
    return S_OK;
}

Status TreeController::BeginDrag(TreeListModel& /*ctrl*/, CTreeListItem* /*item*/, QPoint /*point*/, int* status)
{
    if (status)
        *status = -1;
    return E_NOTIMPL;
}

TreeController::TreeController() = default;

TreeController::~TreeController()
{
    // The control outlived the pane's detaching: it must not reach rules
    // that go with this controller.
    if (attachedTo_ && attachedTo_->DropTarget() == dropTarget_.get())
        attachedTo_->SetDropTarget(nullptr);
}

Status TreeController::AttachControl(TreeListModel& /*ctrl*/)
{
    return S_OK;
}

Status TreeController::AttachDropTarget(TreeListModel& ctrl, const QString& ownMarker)
{
    if (dropTarget_)
        return S_OK;
    dropTarget_ = std::make_unique<PaneDropTarget>(*this, ctrl, ownMarker);
    attachedTo_ = &ctrl;
    ctrl.SetDropTarget(dropTarget_.get());
    return S_OK;
}

Status TreeController::DetachControl(TreeListModel& ctrl)
{
    if (!dropTarget_)
        return S_OK;
    // The control lets go of the rules before they go.
    if (ctrl.DropTarget() == dropTarget_.get())
        ctrl.SetDropTarget(nullptr);
    if (attachedTo_ && attachedTo_ != &ctrl && attachedTo_->DropTarget() == dropTarget_.get())
        attachedTo_->SetDropTarget(nullptr);
    dropTarget_.reset();
    attachedTo_ = nullptr;
    return S_OK;
}

void TreeController::ReportNotLocalFiles(const QStringList& /*items*/)
{
}

Status TreeController::SetupColumns(TreeListModel& ctrl, const LanguageManager& languages)
{
    SetupPaneColumns(ctrl, languages);
    return S_OK;
}

void TreeController::SetupPaneColumns(TreeListModel& ctrl, const LanguageManager& languages)
{
    ctrl.SetStyle(kPaneStyle);
    if (ctrl.Columns().isEmpty()) {
        ctrl.InsertColumn(languages.GetText(32), kNameFormat, 0);
        ctrl.InsertColumn(languages.GetText(33), kSizeFormat, kSizeWidth);
        ctrl.InsertColumn(languages.GetText(34), kDateFormat, kDateWidth);
    }
    for (int column = 0; column < 3; ++column)
        ctrl.SetColumnEditor(column, 1);
    ctrl.SetColumnWidth(0, std::max(kMinimumNameWidth, ctrl.ClientWidth() - kNameAllowance));
    ctrl.SetColumnWidth(1, kSizeWidth);
    ctrl.SetColumnWidth(2, kDateWidth);
}

Status TreeController::GetContextMenu(TreeListModel& /*ctrl*/)
{
    return E_FAIL;
}

QStringList TreeController::ProgramsFor(TreeListModel& /*ctrl*/, CTreeListItem* /*item*/)
{
    return {};
}

Status TreeController::OpenWith(TreeListModel& /*ctrl*/, CTreeListItem* /*item*/, int /*program*/)
{
    return E_NOTIMPL;
}

Status TreeController::RenameItem(TreeListModel& /*ctrl*/, CTreeListItem* /*item*/, const QString& /*name*/)
{
    return E_NOTIMPL;
}

QString TreeController::PropertiesOf(TreeListModel& /*ctrl*/, CTreeListItem* /*item*/)
{
    return {};
}

Status TreeController::ShowInFileManager(TreeListModel& /*ctrl*/, CTreeListItem* /*item*/)
{
    return E_NOTIMPL;
}

}  // namespace nbr
