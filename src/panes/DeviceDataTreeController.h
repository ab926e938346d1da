#pragma once
// The encrypted store's pane: one tree item per entry of a stored folder's
// list, named by its display name and carrying its number. Every command
// works out stored paths from the tree again (nothing of the store is kept
// here), and every long job (storing dropped files, deleting, opening) runs
// on a worker behind a progress dialog from the pane's services.

#include "panes/PaneServices.h"
#include "panes/StoreColumnGatherer.h"
#include "panes/TreeController.h"
#include "panes/TreeData.h"
#include "store/DragTempFolder.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace nbr {

class EncryptedStore;
class OpenedFileList;

class DeviceDataTreeController final : public TreeController {
public:
    // What the controller hangs on each item: the entry's number, which is
    // also the item's name on the stick.
    class Data final : public TreeData {
    public:
        // A folder gets no `storedFile`; `texts` word the tip.
        explicit Data(std::uint32_t id, QString storedFile = {}, std::uint64_t storedSize = 0,
                      const LanguageManager* texts = nullptr)
            : id_(id), storedFile_(std::move(storedFile)), storedSize_(storedSize), texts_(texts)
        {
        }
        [[nodiscard]] std::uint32_t Id() const { return id_; }
        // A file's tip gives its content's size (read from its header when
        // asked: the host pane shows that size) beside the stored size of
        // the column; a folder has none, and the control shows the cell.
        [[nodiscard]] Status GetInfoTip(QString* tip) const override;
        void SetStoredSize(std::uint64_t size) { storedSize_ = size; }

    private:
        std::uint32_t id_;
        QString storedFile_;
        std::uint64_t storedSize_;
        const LanguageManager* texts_;
    };

    // `store` is unlocked; `openedFiles` is the application's one list of
    // opened copies, whose launch folder the deletions clean.
    DeviceDataTreeController(PaneServices services, EncryptedStore& store, OpenedFileList& openedFiles);
    ~DeviceDataTreeController() override;
    DeviceDataTreeController(const DeviceDataTreeController&) = delete;
    DeviceDataTreeController& operator=(const DeviceDataTreeController&) = delete;

    [[nodiscard]] int IsStoreSide() const override { return 1; }
    [[nodiscard]] Status PopulateChildren(TreeListModel& ctrl, CTreeListItem* parent, int* status) override;
    [[nodiscard]] DropFileList BuildDropFileList(TreeListModel& ctrl, int x, int y, const QString& prefix) override;
    // Drags the selection out: the target receives the files decrypted into
    // a private folder of this drag, once it takes the drop.
    [[nodiscard]] Status BeginDrag(TreeListModel& ctrl, CTreeListItem* item, QPoint point, int* status) override;
    [[nodiscard]] Status AttachControl(TreeListModel& ctrl) override;
    void ReportNotLocalFiles(const QStringList& items) override;
    void ReleaseItemData(CTreeListItem* item) override;
    [[nodiscard]] Status DropFiles(TreeListModel& ctrl, const DropFileList& files, CTreeListItem** target,
                                   std::uint32_t effect) override;
    [[nodiscard]] Status OpenItem(TreeListModel& ctrl, CTreeListItem* item) override;
    [[nodiscard]] Status DeleteSelection(TreeListModel& ctrl) override;
    [[nodiscard]] bool CanPaste(const QMimeData* clipboard) const override;
    [[nodiscard]] Status Paste(TreeListModel& ctrl, const QMimeData* clipboard) override;
    [[nodiscard]] bool IsContainer(TreeListModel& ctrl, CTreeListItem* item) override;
    [[nodiscard]] Status CreateFolder(TreeListModel& ctrl, const QString& name) override;

    // The item's place on the stick: the store folder and the numbers of the
    // item and its ancestors (the store folder for null and the root).
    [[nodiscard]] QString ItemStoredPath(const CTreeListItem* item) const;
    // The item's display names from the top ("Docs/Letters/a.txt").
    [[nodiscard]] static QString ItemDisplayPath(const CTreeListItem* item);
    // Whether the stored item is a folder that exists; false when missing.
    [[nodiscard]] bool ItemIsFolder(const CTreeListItem* item) const;
    // Every listed folder's size and date columns are filled in (tests).
    [[nodiscard]] bool ColumnsFilled() const { return columns_.Idle(); }

private:
    // Deletes the host sources of a finished move.
    static void DeleteMovedSources(const DropFileList& files);
    void RemoveMovedSources(const DropFileList& files);
    // Drops the launch folder's copies of a deleted item (every copy below
    // it, for a folder), so that the closing clean-up does not store them again.
    void DiscardOpenedCopies(const QString& displayPath);
    // Refreshes each folder that held a deleted item once; returns the first
    // refreshed folder below the top level (null when there is none).
    CTreeListItem* RefreshParentsOf(TreeListModel& ctrl, const std::vector<CTreeListItem*>& items);
    void ShowError(Status status) const;

    PaneServices services_;
    EncryptedStore& store_;
    OpenedFileList& openedFiles_;
    DragTempFolder dragFolder_;
    StoreColumnGatherer columns_;
};

}  // namespace nbr
