#pragma once
// One pane of the main window: the caption strip above the tree list, and
// the commands of the pane (copy, paste, delete, refresh, new folder, open,
// the context menu) turned into calls of the pane's controller. The view
// never touches files: the controller does, and reports its own failures
// except those of a new folder, which the view shows.
//
// The controller belongs to the main window; the view only uses it, and
// gives it the control on its first showing (or at once when a controller
// arrives after that) and takes it back when it goes.

#include "base/IMultilangSupport.h"
#include "panes/PaneCommandRules.h"
#include "platform/Status.h"

#include <QWidget>

#include <vector>

namespace nbr {

class CTreeListItem;
class DragDropTreeListCtrl;
class LanguageManager;
class TreeController;
class TreeListModel;
class TreeStatusPanel;

class TreeListCtrlView : public QWidget, public IMultilangSupport {
    Q_OBJECT
public:
    explicit TreeListCtrlView(LanguageManager& languages, QWidget* parent = nullptr);
    ~TreeListCtrlView() override;

    // Hands the pane a controller (null: an empty pane). A controller that
    // comes after the first showing replaces the old one's items at once.
    void SetController(TreeController* controller);
    [[nodiscard]] TreeController* Controller() const { return controller_; }

    [[nodiscard]] DragDropTreeListCtrl* Control() const { return ctrl_; }
    [[nodiscard]] TreeStatusPanel* Panel() const { return panel_; }
    [[nodiscard]] TreeListModel& Model() const;

    // The first update: the controller attaches, sets the columns and, for
    // the host, lists the top level. Runs once, on the first showing or
    // when the frame needs the pane filled before that.
    void InitialUpdate();
    [[nodiscard]] bool IsInitialised() const { return initialised_; }

    // The caption strip shows whether the commands go to this pane.
    void SetActive(bool active);
    // The name the accessibility tools read for the pane.
    void SetPaneName(const QString& name);

    [[nodiscard]] PaneState State() const;
    [[nodiscard]] bool IsCommandEnabled(int commandId) const;
    // A menu or toolbar command; nothing when it is not enabled.
    void RunCommand(int commandId);
    // The context menu's entries now, and what choosing one does.
    [[nodiscard]] std::vector<PaneMenuEntry> ContextEntries() const;
    void RunContextCommand(int entry);
    // Shows the context menu at a screen point.
    void ShowContextMenu(const QPoint& globalPos);

    void UpdateTexts() override;

signals:
    // The enabled state of the pane's commands may have changed.
    void CommandStateChanged();
    // The keyboard focus came into the pane.
    void FocusEntered();
    // Tab in the pane: the frame should make the other pane the active one.
    void OtherPaneWanted();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Copy();
    void Paste();
    void Refresh();
    void NewDirectory();
    // Asks for the item's new name and has the controller give it.
    void Rename(CTreeListItem* item);
    void ReportFailure(Status s);
    void OpenFirstSelected();
    [[nodiscard]] CTreeListItem* FirstSelected() const;
    [[nodiscard]] QPoint KeyboardMenuPoint() const;
    void LayOut();
    void ReleaseController();

    LanguageManager& languages_;
    TreeStatusPanel* panel_;
    DragDropTreeListCtrl* ctrl_;
    TreeController* controller_ = nullptr;
    bool initialised_ = false;
};

}  // namespace nbr
