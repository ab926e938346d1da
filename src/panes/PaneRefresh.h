#pragma once
// A pane's Refresh: the whole tree is listed again from the controller, and
// the folders the user had open are opened again. Folders are found again by
// their depth and name, not by identity: the items are new after the
// listing, and a folder that went away simply stays forgotten.

#include "platform/Status.h"

#include <QString>

#include <utility>
#include <vector>

namespace nbr {

class CTreeListItem;
class TreeController;
class TreeListModel;

class PaneRefresh {
public:
    // (depth, name) of an open folder that shows children.
    using OpenFolder = std::pair<int, QString>;

    // The open folders in next-visible order, and the largest depth shown.
    [[nodiscard]] static std::vector<OpenFolder> OpenFolders(const TreeListModel& ctrl, int* deepest);

    // Lists the whole tree again and re-opens the remembered folders level
    // by level; two open folders of one name at one depth each re-open one.
    // S_FALSE without touching anything while the pane is busy.
    [[nodiscard]] static Status RefreshKeepingExpansion(TreeController& controller, TreeListModel& ctrl);
};

}  // namespace nbr
