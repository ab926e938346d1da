#pragma once
// A pane controller over a tree of names in memory, for the tests of the
// views and the frame: it lists, and records what the view asked of it.
// Names ending in '/' are folders.

#include "panes/TreeController.h"

#include <QMap>
#include <QStringList>

#include <functional>

namespace nbr::test {

// What the controller saw; it outlives controllers the frame owns.
struct FakeLog {
    QStringList calls;       // "Open a/x.txt", "Create name busy=1", "Attach", ...
    int liveData = 0;        // item data handed out and not released yet
};

class FakeTreeController final : public TreeController {
public:
    FakeTreeController(bool storeSide, FakeLog* log);
    ~FakeTreeController() override;

    // "a/", "a/b/", "a/b/c.txt": the parents come first.
    void Add(const QString& path);
    void Remove(const QString& path);
    Status createResult = S_OK;
    // Attached controls take drops by the pane's real rules; DropFiles only
    // logs "Drop <files> <effect>".
    bool takesDrops = false;
    // Called at the start of every listing.
    std::function<void()> onPopulate;

    [[nodiscard]] int IsStoreSide() const override { return storeSide_ ? 1 : 0; }
    [[nodiscard]] Status PopulateChildren(TreeListModel& ctrl, CTreeListItem* parent, int* status) override;
    [[nodiscard]] DropFileList BuildDropFileList(TreeListModel& ctrl, int x, int y, const QString& prefix) override;
    [[nodiscard]] Status AttachControl(TreeListModel& ctrl) override;
    [[nodiscard]] Status DetachControl(TreeListModel& ctrl) override;
    void ReleaseItemData(CTreeListItem* item) override;
    [[nodiscard]] Status DropFiles(TreeListModel& ctrl, const DropFileList& files, CTreeListItem** target,
                                   std::uint32_t effect) override;
    [[nodiscard]] Status OpenItem(TreeListModel& ctrl, CTreeListItem* item) override;
    [[nodiscard]] Status DeleteSelection(TreeListModel& ctrl) override;
    [[nodiscard]] bool CanPaste(const QMimeData* clipboard) const override;
    [[nodiscard]] Status Paste(TreeListModel& ctrl, const QMimeData* clipboard) override;
    [[nodiscard]] bool IsContainer(TreeListModel& ctrl, CTreeListItem* item) override;
    [[nodiscard]] Status CreateFolder(TreeListModel& ctrl, const QString& name) override;

    // The path of an item ("" for the root).
    [[nodiscard]] static QString PathOf(const CTreeListItem* item);
    // The item shown for a path, null when it is not shown.
    [[nodiscard]] static CTreeListItem* Find(const TreeListModel& ctrl, const QString& path);

private:
    bool storeSide_;
    FakeLog* log_;
    QMap<QString, QStringList> children_;  // folder path ("" root) -> child names
};

}  // namespace nbr::test
