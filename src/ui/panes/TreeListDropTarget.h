#pragma once
// Joins a pane's control to its drop rules (PaneDropTarget): Qt's drag
// events become the rules' calls with the item under the cursor, and a
// timer runs the hover wait, since a drag that rests over a folder sends
// no events of its own. The control forwards its four drag handlers here.

#include <QObject>
#include <QPoint>
#include <QTimer>

#include <functional>

class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QWidget;

namespace nbr {

class CTreeListItem;
class PaneDropTarget;

class TreeListDropTarget final : public QObject {
    Q_OBJECT
public:
    // The item under a point of the control (null: empty space).
    using HitTest = std::function<CTreeListItem*(const QPoint&)>;
    // Told of a drop's entries that were no local files (left out).
    using NotLocal = std::function<void(const QStringList&)>;

    TreeListDropTarget(QWidget* control, PaneDropTarget& rules, HitTest hitTest, NotLocal notLocal = {});
    // Switches the control's drops on.
    void Attach();
    // Switches them off and forgets a drag in progress.
    void Detach();

    void DragEnter(QDragEnterEvent* event);
    void DragMove(QDragMoveEvent* event);
    void DragLeave(QDragLeaveEvent* event);
    void Drop(QDropEvent* event);

private:
    void ArmHover();

    QWidget* control_;
    PaneDropTarget& rules_;
    HitTest hitTest_;
    NotLocal notLocal_;
    QTimer hover_;
};

}  // namespace nbr
