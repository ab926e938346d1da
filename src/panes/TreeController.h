#pragma once
// What fills one pane and acts on it. The two panes differ only in their
// controller (the host's files, the encrypted store); the view and the
// control never touch files themselves: every listing, drag, drop, paste,
// delete, new folder and open goes through the operations below.
//
// Results are statuses: 0 success, negative failure, 1 (S_FALSE) for
// "nothing to do" where an operation says so. Everything here runs on the
// GUI thread and works on the control's model (TreeListModel), so the
// controllers are tested without a window. Clipboard and drag contents come
// and go as QMimeData (PaneMimeData knows the formats).

#include "base/DropFileList.h"
#include "panes/TreeListModel.h"
#include "platform/Status.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class QMimeData;

namespace nbr {

class LanguageManager;
class PaneDropTarget;

// Drop effects.
namespace drop {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kCopy = 1;
inline constexpr std::uint32_t kMove = 2;
inline constexpr std::uint32_t kLink = 4;
inline constexpr std::uint32_t kScroll = 0x80000000u;
}  // namespace drop

class TreeController {
public:
    // The style word and column formats both panes use.
    static constexpr std::uint32_t kPaneStyle = 0x306725B9u;
    static constexpr std::uint32_t kNameFormat = 0x504144u;
    static constexpr std::uint32_t kSizeFormat = 0x104246u;
    static constexpr std::uint32_t kDateFormat = 0x104446u;
    static constexpr int kSizeWidth = 60;
    // Wide enough for a short date in our font ("7 Dec 2026", "07/12/2026").
    static constexpr int kDateWidth = 80;
    // What the size and date columns and the scroll bar leave the name.
    static constexpr int kNameAllowance = kSizeWidth + kDateWidth + 16;
    static constexpr int kMinimumNameWidth = 80;

    TreeController();
    // Takes its drop rules back from a control it is still attached to.
    virtual ~TreeController();
    TreeController(const TreeController&) = delete;
    TreeController& operator=(const TreeController&) = delete;

    // 1 for the encrypted store's controller, 0 for the host's.
    [[nodiscard]] virtual int IsStoreSide() const = 0;
    // Lists the parent's children (null: the top level) into the control;
    // nothing when they are loaded already. `status` becomes -1 when the
    // folder cannot be read (the parent then has no children).
    [[nodiscard]] virtual Status PopulateChildren(TreeListModel& ctrl, CTreeListItem* parent, int* status) = 0;
    // Deletes and reloads the item's children (null or TLI_ROOT: the whole
    // tree); a collapsed folder stays collapsed and is listed on its next
    // expansion.
    [[nodiscard]] virtual Status RefreshItem(TreeListModel& ctrl, CTreeListItem* item, int* status);
    // The paths of every selected item (with a non-empty `prefix`: the
    // prefix and each item's name); an empty list when nothing is selected.
    [[nodiscard]] virtual DropFileList BuildDropFileList(TreeListModel& ctrl, int x, int y,
                                                         const QString& prefix) = 0;
    // Runs a whole drag from this pane; `status` -1 when it cannot start.
    [[nodiscard]] virtual Status BeginDrag(TreeListModel& ctrl, CTreeListItem* item, QPoint point, int* status);
    // Registers and revokes the pane's drop target: the control's model
    // carries it while attached (TreeListModel::DropTarget). The base
    // registers none; attaching twice keeps the first.
    [[nodiscard]] virtual Status AttachControl(TreeListModel& ctrl);
    [[nodiscard]] virtual Status DetachControl(TreeListModel& ctrl);
    // Told of the entries of a dropped file list that are no files of this
    // computer (remote places, pipes, devices), which the drop left out.
    virtual void ReportNotLocalFiles(const QStringList& items);
    // Style, columns (captions 32, 33, 34) and their widths.
    [[nodiscard]] virtual Status SetupColumns(TreeListModel& ctrl, const LanguageManager& languages);
    // What SetupColumns does, for a pane that has no controller yet.
    static void SetupPaneColumns(TreeListModel& ctrl, const LanguageManager& languages);
    // Frees what PopulateChildren hung on the item; null data is ignored.
    virtual void ReleaseItemData(CTreeListItem* item) = 0;
    // A folder's read is still under way; its children come in later.
    [[nodiscard]] virtual bool Reading() const { return false; }
    // Moves or copies (`effect`) the listed files into the target; the
    // target may be replaced by the folder that really receives them, which
    // the caller then refreshes.
    [[nodiscard]] virtual Status DropFiles(TreeListModel& ctrl, const DropFileList& files, CTreeListItem** target,
                                           std::uint32_t effect) = 0;
    // Opens the item with its program.
    [[nodiscard]] virtual Status OpenItem(TreeListModel& ctrl, CTreeListItem* item) = 0;
    // Deletes the selection; 1 when nothing was deleted (declined, or the
    // root is in the selection).
    [[nodiscard]] virtual Status DeleteSelection(TreeListModel& ctrl) = 0;
    // Whether `clipboard` holds something this pane can paste.
    [[nodiscard]] virtual bool CanPaste(const QMimeData* clipboard) const = 0;
    // Pastes into the selected folder; 1 when the clipboard holds nothing
    // usable.
    [[nodiscard]] virtual Status Paste(TreeListModel& ctrl, const QMimeData* clipboard) = 0;
    // Whether the item can hold children; null and TLI_ROOT answer true.
    [[nodiscard]] virtual bool IsContainer(TreeListModel& ctrl, CTreeListItem* item) = 0;
    // Creates a folder under the selected item (or the pane's root folder).
    [[nodiscard]] virtual Status CreateFolder(TreeListModel& ctrl, const QString& name) = 0;
    // A context menu of the system's own for the selection; neither pane has
    // one here (E_FAIL), so the view offers every entry itself.
    [[nodiscard]] virtual Status GetContextMenu(TreeListModel& ctrl);

    // The desktop's own entries for one item (the host pane; none by
    // default): the programs that open it, in the order OpenWith takes
    // them; a new name in its folder; its facts, worded for a box; its
    // folder shown in the desktop's file manager.
    [[nodiscard]] virtual QStringList ProgramsFor(TreeListModel& ctrl, CTreeListItem* item);
    [[nodiscard]] virtual Status OpenWith(TreeListModel& ctrl, CTreeListItem* item, int program);
    [[nodiscard]] virtual Status RenameItem(TreeListModel& ctrl, CTreeListItem* item, const QString& name);
    [[nodiscard]] virtual QString PropertiesOf(TreeListModel& ctrl, CTreeListItem* item);
    [[nodiscard]] virtual Status ShowInFileManager(TreeListModel& ctrl, CTreeListItem* item);

    void SetBusy(int busy) { busy_ = busy; }
    [[nodiscard]] int IsBusy() const { return busy_; }
    // The drop rules while attached; null otherwise.
    [[nodiscard]] PaneDropTarget* DropTarget() const { return dropTarget_.get(); }

protected:
    // AttachControl of a pane whose own drags carry `ownMarker` (they are
    // refused here).
    [[nodiscard]] Status AttachDropTarget(TreeListModel& ctrl, const QString& ownMarker);

private:
    int busy_ = 0;
    std::unique_ptr<PaneDropTarget> dropTarget_;
    QPointer<TreeListModel> attachedTo_;
};

}  // namespace nbr
