#pragma once
// The host pane's controller: the host computer's places (Home, Desktop,
// the file system, the mounted volumes) as a tree, with the volume the
// store lives on left out at every depth, and the host's own file
// operations behind the pane's commands: copies and moves into a folder,
// pastes out of the store, new folders, the trash and opening a file with
// the desktop's program. Its logic needs Qt Core and the platform layer
// only, so it runs without a window.

#include "panes/DateColumn.h"
#include "panes/HostFolderReader.h"
#include "panes/PaneServices.h"
#include "panes/TreeController.h"
#include "panes/TreeData.h"

#include <QList>
#include <QString>
#include <QTimer>

#include <memory>

#include <cstdint>

namespace nbr {

class EncryptedStore;
class LanguageManager;

// The top level of the host tree and the folder that receives what is
// dropped on no folder at all.
struct HostTree {
    struct Place {
        QString label;
        QString path;
    };
    QList<Place> places;
    QString desktop;

    // Home, Desktop (when it is a folder of its own), the file system's
    // root and each mounted volume a person works with.
    [[nodiscard]] static HostTree OfThisComputer(const LanguageManager& languages);
};

class MyComputerTreeController final : public TreeController {
public:
    // What the pane keeps of one host item.
    class Data final : public TreeData {
    public:
        Data(QString path, QString resolved, bool folder, std::uint64_t size)
            : path_(std::move(path)), resolved_(std::move(resolved)), folder_(folder), size_(size)
        {
        }
        // The full path, the way the tree reached it (links unresolved).
        [[nodiscard]] const QString& Path() const { return path_; }
        // Where a folder really is; empty for files.
        [[nodiscard]] const QString& Resolved() const { return resolved_; }
        void SetResolved(QString resolved) { resolved_ = std::move(resolved); }
        [[nodiscard]] bool IsFolder() const { return folder_; }
        [[nodiscard]] std::uint64_t Size() const { return size_; }
        [[nodiscard]] Status GetInfoTip(QString* tip) const override;

    private:
        QString path_;
        QString resolved_;
        bool folder_;
        std::uint64_t size_;
    };

    // `storeVolume` is the root of the volume the store is on: nothing at
    // or below it is ever listed. `store` (optional) is the opened store
    // that pastes of stored items decrypt from.
    MyComputerTreeController(PaneServices services, const QString& storeVolume, EncryptedStore* store = nullptr);
    MyComputerTreeController(PaneServices services, const QString& storeVolume, EncryptedStore* store, HostTree tree);
    ~MyComputerTreeController() override = default;

    void SetStore(EncryptedStore* store) { store_ = store; }

    [[nodiscard]] int IsStoreSide() const override { return 0; }
    [[nodiscard]] Status PopulateChildren(TreeListModel& ctrl, CTreeListItem* parent, int* status) override;
    [[nodiscard]] DropFileList BuildDropFileList(TreeListModel& ctrl, int x, int y, const QString& prefix) override;
    // Drags the selected host paths (copy, or move with Shift); after a
    // move the dragged item's folder is listed again.
    [[nodiscard]] Status BeginDrag(TreeListModel& ctrl, CTreeListItem* item, QPoint point, int* status) override;
    [[nodiscard]] Status AttachControl(TreeListModel& ctrl) override;
    void ReportNotLocalFiles(const QStringList& items) override;
    void ReleaseItemData(CTreeListItem* item) override;
    [[nodiscard]] bool Reading() const override { return !reader_.Idle(); }
    [[nodiscard]] Status DropFiles(TreeListModel& ctrl, const DropFileList& files, CTreeListItem** target,
                                   std::uint32_t effect) override;
    [[nodiscard]] Status OpenItem(TreeListModel& ctrl, CTreeListItem* item) override;
    [[nodiscard]] Status DeleteSelection(TreeListModel& ctrl) override;
    [[nodiscard]] bool CanPaste(const QMimeData* clipboard) const override;
    [[nodiscard]] Status Paste(TreeListModel& ctrl, const QMimeData* clipboard) override;
    [[nodiscard]] bool IsContainer(TreeListModel& ctrl, CTreeListItem* item) override;
    [[nodiscard]] Status CreateFolder(TreeListModel& ctrl, const QString& name) override;
    [[nodiscard]] QStringList ProgramsFor(TreeListModel& ctrl, CTreeListItem* item) override;
    [[nodiscard]] Status OpenWith(TreeListModel& ctrl, CTreeListItem* item, int program) override;
    // A place of the top level keeps its name; the new one is checked as a
    // new folder's is, and must be free in the item's folder.
    [[nodiscard]] Status RenameItem(TreeListModel& ctrl, CTreeListItem* item, const QString& name) override;
    [[nodiscard]] QString PropertiesOf(TreeListModel& ctrl, CTreeListItem* item) override;
    [[nodiscard]] Status ShowInFileManager(TreeListModel& ctrl, CTreeListItem* item) override;

    // The folder that receives a drop on `*target`: a folder itself, a
    // file's folder (`*target` then becomes that folder's item, or TLI_ROOT),
    // or the desktop folder for no item.
    [[nodiscard]] QString TargetFolder(TreeListModel& ctrl, CTreeListItem** target);
    [[nodiscard]] static Data* DataOf(const CTreeListItem* item);
    // No folder read is under way (tests).
    [[nodiscard]] bool ReadsDone() const { return reader_.Idle(); }
    // How many rows go into the tree per turn of the event loop (tests).
    static void SetRowsPerStep(std::size_t rows);

private:
    [[nodiscard]] Status PopulatePlaces(TreeListModel& ctrl, int* status);
    [[nodiscard]] bool IsStorePath(const QString& resolved) const;
    // Puts a read folder's children under `parent` in one insertion.
    [[nodiscard]] Status AddChildren(TreeListModel& ctrl, CTreeListItem* parent, HostFolderReader::Listing listing);
    // The shown folder item of `path` below `under`; null when not shown.
    [[nodiscard]] static CTreeListItem* FindFolder(CTreeListItem* under, const QString& path);
    // Whether `resolved` is the folder of `item` or of one above it: listing
    // it there would go round in a circle.
    [[nodiscard]] static bool IsOnPathTo(const CTreeListItem* item, const QString& resolved);
    [[nodiscard]] Status RunCopy(const QStringList& sources, const QString& folder, bool move);
    void ShowError(Status s) const;

    PaneServices services_;
    QString storeVolume_;
    EncryptedStore* store_;
    HostTree tree_;
    bool ofThisComputer_ = false;
    HostFolderReader reader_;
    // Places listed as not answering, named again once their look-up ends.
    struct Unanswered {
        CTreeListItem* item;
        std::size_t index;
        QString label;
    };
    void PollPlaces();
    std::shared_ptr<HostFolderReader::PlacesLookUp> placesLookUp_;
    std::vector<Unanswered> unanswered_;
    TreeListModel* placesModel_ = nullptr;
    std::unique_ptr<QTimer> placesPoll_;
};

}  // namespace nbr
