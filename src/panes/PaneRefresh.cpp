#include "panes/PaneRefresh.h"

#include "panes/TreeController.h"
#include "panes/TreeListModel.h"

#include <algorithm>

namespace nbr {

std::vector<PaneRefresh::OpenFolder> PaneRefresh::OpenFolders(const TreeListModel& ctrl, int* deepest)
{
    std::vector<OpenFolder> open;
    int maxDepth = 0;
    for (CTreeListItem* item = ctrl.NextItem(nullptr, TreeNext::First); item;) {
        CTreeListItem* next = ctrl.NextItem(item, TreeNext::NextVisible);
        maxDepth = std::max(maxDepth, item->Depth());
        // Only a folder whose children show counts: an open folder without
        // children would look the same closed.
        if (next && next->Depth() > item->Depth())
            open.emplace_back(item->Depth(), item->Text(0));
        item = next;
    }
    if (deepest)
        *deepest = maxDepth;
    return open;
}

Status PaneRefresh::RefreshKeepingExpansion(TreeController& controller, TreeListModel& ctrl)
{
    // A drop or a delete is under way on these items.
    if (controller.IsBusy())
        return S_FALSE;
    int deepest = 0;
    std::vector<OpenFolder> remembered = OpenFolders(ctrl, &deepest);
    int status = 0;
    const Status listed = controller.RefreshItem(ctrl, TLI_ROOT, &status);
    if (Failed(listed))
        return listed;
    for (int depth = 1; depth < deepest && !remembered.empty(); ++depth) {
        for (CTreeListItem* item = ctrl.NextItem(nullptr, TreeNext::First); item;
             item = ctrl.NextItem(item, TreeNext::NextVisible)) {
            const auto found = std::find(remembered.begin(), remembered.end(), OpenFolder {item->Depth(), item->Text(0)});
            if (found == remembered.end())
                continue;
            remembered.erase(found);
            // Expanding lists the children, which this walk then visits.
            (void)ctrl.Expand(item, TreeExpand::Expand);
        }
        // Folders of this level that are gone: their subfolders cannot show.
        std::erase_if(remembered, [depth](const OpenFolder& folder) { return folder.first <= depth; });
    }
    return listed;
}

}  // namespace nbr
