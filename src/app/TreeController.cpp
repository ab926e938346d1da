#include "app/TreeController.h"

#include "app/LanguageManager.h"

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

Status TreeController::AttachControl(TreeListModel& /*ctrl*/)
{
    return S_OK;
}

Status TreeController::DetachControl(TreeListModel& /*ctrl*/)
{
    return S_OK;
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

}  // namespace nbr
