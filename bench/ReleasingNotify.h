#pragma once
// What the pane benches hang on a model: frees the data of the items the
// model deletes, as a pane's control does, and allows everything else.

#include "panes/TreeController.h"
#include "panes/TreeListModel.h"

class ReleasingNotify final : public nbr::ITreeListNotify {
public:
    explicit ReleasingNotify(nbr::TreeController& controller) : controller_(controller) {}
    bool SelectionChanging(nbr::CTreeListItem*) override { return true; }
    void SelectionChanged(nbr::CTreeListItem*, int) override {}
    bool ItemExpanding(nbr::CTreeListItem*) override { return true; }
    void ItemExpanded(nbr::CTreeListItem*) override {}
    void DeleteItem(nbr::CTreeListItem* item) override { controller_.ReleaseItemData(item); }

private:
    nbr::TreeController& controller_;
};
