#pragma once
// A pane as a drop target, without a window: which drags it takes, the
// effect it offers, the item it marks, the folder it opens when a drag
// rests on it, and where a drop goes. The pane's control feeds it Qt's drag
// events with the item under the cursor; the transfer itself is the
// controller's DropFiles.
//
// A drag from the pane itself is refused: its data carries the pane's own
// marker format. Any other drag with a file list is taken, from the other
// pane or from a program of the desktop, unless the pane is busy with a
// transfer.

#include "base/DropFileList.h"
#include "panes/DragHoverTimer.h"
#include "platform/Status.h"

#include <QString>
#include <QStringList>
#include <QtCore/qnamespace.h>

#include <cstdint>
#include <optional>

class QMimeData;

namespace nbr {

class CTreeListItem;
class TreeController;
class TreeListModel;

// A drop taken from its data but not yet carried out.
struct TakenDrop {
    DropFileList files;
    CTreeListItem* target = nullptr;  // as DropTargetOf gave it
    std::uint32_t effect = 0;
    bool fromOurPane = false;
};

class PaneDropTarget {
public:
    // `ownMarker`: the format this pane's drags carry (mime::kMyComputer
    // for the host pane, mime::kUsbDevice for the store pane).
    PaneDropTarget(TreeController& controller, TreeListModel& ctrl, QString ownMarker,
                   DragHoverTimer::Clock clock = {});

    // Whether a pane whose drags carry `ownMarker` takes this data.
    [[nodiscard]] static bool Accepts(const QMimeData* data, const QString& ownMarker);

    // The drag arrived; the effect offered (drop::kNone refuses for now;
    // the control still follows the drag, the keys may change).
    [[nodiscard]] std::uint32_t Enter(const QMimeData* data, Qt::KeyboardModifiers keys, std::uint32_t allowed);
    // The drag moved over `hit` (null: no item). Marks it as the drop
    // highlight and target, and starts the hover wait when it is another
    // item than before.
    [[nodiscard]] std::uint32_t Over(CTreeListItem* hit, Qt::KeyboardModifiers keys, std::uint32_t allowed);
    // The drag left: marks cleared, wait stopped.
    void Leave();
    // Expands the marked item once the hover wait is over; true when it did.
    bool CheckHover();
    // For the control's timer: how long until CheckHover expands; -1 none.
    [[nodiscard]] int HoverRemainingMs() const { return hover_.RemainingMs(); }

    // Where a drop onto `hit` goes: a folder itself, a file its folder,
    // empty space (null) and a file at the top level the pane's root
    // (TLI_ROOT).
    [[nodiscard]] CTreeListItem* DropTargetOf(CTreeListItem* hit);

    // The drop onto `hit`: the controller's DropFiles with the data's local
    // files, busy meanwhile, then the receiving folder refreshed. `told`
    // gets the effect to tell the source (DropEffect::Reported); `notLocal`
    // the entries of the list that are no local files (remote places, text),
    // which were left out. Marks are cleared in every case. The status of
    // DropFiles, S_OK when nothing was dropped.
    [[nodiscard]] Status Drop(const QMimeData* data, CTreeListItem* hit, Qt::KeyboardModifiers keys,
                              std::uint32_t allowed, std::uint32_t* told, QStringList* notLocal);
    // The two halves of Drop, so that a drop from another program can be
    // answered at once and carried out after it (the program is not held
    // for the whole transfer). Take reads the data (and clears the marks);
    // none when nothing is dropped.
    [[nodiscard]] std::optional<TakenDrop> Take(const QMimeData* data, CTreeListItem* hit, Qt::KeyboardModifiers keys,
                                                std::uint32_t allowed, QStringList* notLocal);
    // Carries a taken drop out; a target that has left the pane since
    // receives nothing (the status says so).
    [[nodiscard]] Status Run(TakenDrop drop, std::uint32_t* told);

    [[nodiscard]] bool IsAccepting() const { return accepting_; }
    // Whether the drag came from one of our panes (it carries a marker).
    [[nodiscard]] bool FromOurPane() const { return fromOurPane_; }

private:
    void ClearMarks();
    [[nodiscard]] bool HoldsItem(const CTreeListItem* item) const;

    TreeController& controller_;
    TreeListModel& ctrl_;
    QString ownMarker_;
    DragHoverTimer hover_;
    bool accepting_ = false;
    bool fromOurPane_ = false;
};

}  // namespace nbr
