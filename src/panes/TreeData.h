#pragma once
// The data a pane controller hangs on each of its tree items. The controller
// that made an item's data frees it when the item goes (ReleaseItemData);
// the control only asks it for the item's tool tip.

#include "platform/Status.h"

#include <QString>

namespace nbr {

class TreeData {
public:
    // The tool tip of the item; a failure makes the control show the cell's
    // own text.
    [[nodiscard]] virtual Status GetInfoTip(QString* tip) const = 0;

protected:
    TreeData() = default;
    ~TreeData() = default;
    TreeData(const TreeData&) = default;
    TreeData& operator=(const TreeData&) = default;
};

}  // namespace nbr
