#include "ui/panes/TreeListCtrlView.h"

#include "base/CommandIds.h"
#include "base/ErrorText.h"
#include "base/LanguageManager.h"
#include "base/MessageBox.h"
#include "base/MessageIds.h"
#include "panes/PaneMimeData.h"
#include "panes/PaneRefresh.h"
#include "panes/TreeController.h"
#include "panes/TreeListModel.h"
#include "ui/controls/WaitCursor.h"
#include "ui/panes/DragDropTreeListCtrl.h"
#include "ui/panes/NewDirectoryDlg.h"
#include "ui/panes/TreeStatusPanel.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

namespace nbr {

namespace {

constexpr int kColumns = 3;

const QMimeData* ClipboardData()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->mimeData() : nullptr;
}

}  // namespace

TreeListCtrlView::TreeListCtrlView(LanguageManager& languages, QWidget* parent)
    : QWidget(parent), languages_(languages), panel_(new TreeStatusPanel(this)), ctrl_(new DragDropTreeListCtrl(this))
{
    setObjectName(QStringLiteral("TreeListCtrlView"));
    ctrl_->setObjectName(QStringLiteral("TreeListCtrl"));
    ctrl_->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(ctrl_);
    ctrl_->installEventFilter(this);
    ctrl_->viewport()->installEventFilter(this);
    connect(&ctrl_->Model(), &TreeListModel::SelectionStateChanged, this, &TreeListCtrlView::CommandStateChanged);
    connect(&ctrl_->Model(), &TreeListModel::ExpansionChanged, this, &TreeListCtrlView::CommandStateChanged);
    connect(ctrl_, &DragDropTreeListCtrl::StatusTextChanged, panel_, &TreeStatusPanel::SetText);
    connect(ctrl_, &DragDropTreeListCtrl::ItemDoubleClicked, this, [this](CTreeListItem* /*item*/) {
        OpenFirstSelected();
    });
    languages_.AddListener(this);
}

TreeListCtrlView::~TreeListCtrlView()
{
    languages_.RemoveListener(this);
    ReleaseController();
}

TreeListModel& TreeListCtrlView::Model() const
{
    return ctrl_->Model();
}

void TreeListCtrlView::ReleaseController()
{
    if (!controller_)
        return;
    // The drop target goes first, then the items, while the controller that
    // hung data on them can still free it.
    if (initialised_)
        (void)controller_->DetachControl(Model());
    Model().DeleteItem(TLI_ROOT);
}

void TreeListCtrlView::SetController(TreeController* controller)
{
    if (controller == controller_)
        return;
    ReleaseController();
    controller_ = controller;
    ctrl_->SetController(controller, panel_);
    panel_->LoadIcon(!controller ? 0
                     : controller->IsStoreSide() != 0 ? TreeStatusPanel::kStoreIcon
                                                      : TreeStatusPanel::kHostIcon);
    panel_->SetText(QString());
    if (initialised_) {
        initialised_ = false;
        InitialUpdate();
    }
    emit CommandStateChanged();
}

void TreeListCtrlView::InitialUpdate()
{
    if (initialised_)
        return;
    initialised_ = true;
    TreeListModel& model = Model();
    model.SetClientWidth(ctrl_->viewport()->width());
    if (!controller_) {
        TreeController::SetupPaneColumns(model, languages_);
        return;
    }
    // Without its drop target the pane still lists and copies; the drop
    // target reports nothing the user could act on.
    (void)controller_->AttachControl(model);
    (void)controller_->SetupColumns(model, languages_);
    // The store lists itself once the frame has the store open.
    if (controller_->IsStoreSide() == 0) {
        int status = 0;
        // A top level that cannot be read leaves the pane empty; Refresh
        // tries again.
        const WaitCursor busy;
        (void)controller_->PopulateChildren(model, nullptr, &status);
    }
}

void TreeListCtrlView::SetActive(bool active)
{
    panel_->SetActive(active);
}

void TreeListCtrlView::SetPaneName(const QString& name)
{
    setAccessibleName(name);
    ctrl_->setAccessibleName(name);
    panel_->setAccessibleName(name);
}

CTreeListItem* TreeListCtrlView::FirstSelected() const
{
    return Model().NextItem(nullptr, TreeNext::FirstSelected);
}

PaneState TreeListCtrlView::State() const
{
    PaneState state;
    state.hasController = controller_ != nullptr;
    PaneCommandRules::ReadClipboard(ClipboardData(), &state);
    if (!controller_)
        return state;
    TreeListModel& model = Model();
    state.storeSide = controller_->IsStoreSide() != 0;
    state.selected = model.SelectedCount();
    CTreeListItem* first = FirstSelected();
    state.firstIsFolder = first && controller_->IsContainer(model, first);
    state.firstExpanded = first && (first->State() & tls::kExpanded) != 0;
    state.canPaste = controller_->CanPaste(ClipboardData());
    state.firstIsPlace = !state.storeSide && first && first->Parent() == model.RootItem();
    return state;
}

bool TreeListCtrlView::IsCommandEnabled(int commandId) const
{
    return PaneCommandRules::IsEnabled(commandId, State());
}

void TreeListCtrlView::RunCommand(int commandId)
{
    // A key can arrive before the frame has caught up with the state.
    if (!IsCommandEnabled(commandId) || !controller_)
        return;
    switch (commandId) {
    case cmd::kCopy: Copy(); break;
    case cmd::kPaste: Paste(); break;
    // The controller reports what it could not delete.
    case cmd::kDelete: (void)controller_->DeleteSelection(Model()); break;
    case cmd::kRefresh: Refresh(); break;
    case cmd::kNewDirectory: NewDirectory(); break;
    default: break;
    }
    emit CommandStateChanged();
}

void TreeListCtrlView::Copy()
{
    const DropFileList files = controller_->BuildDropFileList(Model(), 0, 0, QString());
    if (files.Paths().isEmpty())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    // Other programs take plain file lists; stored paths mean something
    // only to this program's host pane.
    clipboard->setMimeData(controller_->IsStoreSide() != 0 ? PaneMimeData::ForStoreFiles(files)
                                                           : PaneMimeData::ForHostFiles(files));
}

void TreeListCtrlView::Paste()
{
    // The controller shows the progress and its own failures; 1 means the
    // clipboard held nothing it takes.
    (void)controller_->Paste(Model(), ClipboardData());
}

void TreeListCtrlView::Refresh()
{
    if (controller_->IsBusy())
        return;
    const WaitCursor wait;
    // A listing that fails shows an empty level; the controller says why.
    (void)PaneRefresh::RefreshKeepingExpansion(*controller_, Model());
}

void TreeListCtrlView::NewDirectory()
{
    TreeController* controller = controller_;
    controller->SetBusy(1);
    NewDirectoryDlg dialog(languages_, window());
    if (dialog.exec() == QDialog::Accepted && !dialog.Name().isEmpty()) {
        const Status made = controller->CreateFolder(Model(), dialog.Name());
        if (Failed(made))
            (void)ShowMessageBox(static_cast<QWidget*>(window()), languages_.GetText(msg::kCaptionError),
                                 FormatErrorText(languages_, made), mb::kOk, mb::kIconError);
    }
    controller->SetBusy(0);
}

void TreeListCtrlView::Rename(CTreeListItem* item)
{
    TreeController* controller = controller_;
    controller->SetBusy(1);
    NewDirectoryDlg dialog(languages_, window());
    dialog.SetPurpose(msg::kRenameTitle, item->Text(0));
    if (dialog.exec() == QDialog::Accepted && !dialog.Name().isEmpty())
        ReportFailure(controller->RenameItem(Model(), item, dialog.Name()));
    controller->SetBusy(0);
}

void TreeListCtrlView::ReportFailure(Status s)
{
    if (Failed(s))
        (void)ShowMessageBox(static_cast<QWidget*>(window()), languages_.GetText(msg::kCaptionError),
                             FormatErrorText(languages_, s), mb::kOk, mb::kIconError);
}

void TreeListCtrlView::OpenFirstSelected()
{
    if (!controller_)
        return;
    CTreeListItem* first = FirstSelected();
    // A folder opens and closes in the tree itself.
    if (!first || controller_->IsContainer(Model(), first))
        return;
    (void)controller_->OpenItem(Model(), first);
}

std::vector<PaneMenuEntry> TreeListCtrlView::ContextEntries() const
{
    return PaneCommandRules::ContextEntries(State());
}

void TreeListCtrlView::RunContextCommand(int entry)
{
    if (!controller_)
        return;
    TreeListModel& model = Model();
    CTreeListItem* first = FirstSelected();
    int status = 0;
    switch (entry) {
    case pane::kRefresh:
        if (!controller_->IsBusy()) {
            const WaitCursor busy;
            (void)controller_->RefreshItem(model, first ? first : TLI_ROOT, &status);
        }
        break;
    case pane::kDelete: (void)controller_->DeleteSelection(model); break;
    case pane::kExpand: (void)model.Expand(first, TreeExpand::Expand); break;
    case pane::kCollapse: (void)model.Expand(first, TreeExpand::Collapse); break;
    case pane::kCopy: Copy(); break;
    case pane::kPaste: Paste(); break;
    case pane::kOpen:
        if (first)
            (void)controller_->OpenItem(model, first);
        break;
    case pane::kNewDirectory: NewDirectory(); break;
    case pane::kRename:
        if (first)
            Rename(first);
        break;
    case pane::kShowInFileManager:
        if (first)
            ReportFailure(controller_->ShowInFileManager(model, first));
        break;
    case pane::kProperties:
        if (first) {
            const QString facts = controller_->PropertiesOf(model, first);
            if (!facts.isEmpty())
                (void)ShowMessageBox(static_cast<QWidget*>(window()),
                                     languages_.GetText(msg::kMenuProperties), facts, mb::kOk,
                                     mb::kIconInformation);
        }
        break;
    default:
        if (entry >= pane::kFirstProgram && first)
            ReportFailure(controller_->OpenWith(model, first, entry - pane::kFirstProgram));
        break;
    }
    emit CommandStateChanged();
}

void TreeListCtrlView::ShowContextMenu(const QPoint& globalPos)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("PaneContextMenu"));
    for (const PaneMenuEntry& entry : ContextEntries()) {
        if (entry.id == pane::kSeparator) {
            menu.addSeparator();
            continue;
        }
        if (entry.id == pane::kOpenWith) {
            // The desktop's programs for the item, the default first.
            QMenu* programs = menu.addMenu(languages_.GetText(entry.text));
            const QStringList names = controller_ ? controller_->ProgramsFor(Model(), FirstSelected()) : QStringList();
            for (int i = 0; i < names.size(); ++i)
                programs->addAction(names.at(i))->setData(pane::kFirstProgram + i);
            if (names.isEmpty())
                programs->addAction(languages_.GetText(msg::kNoProgramFound))->setEnabled(false);
            continue;
        }
        QAction* action = menu.addAction(languages_.GetText(entry.text));
        action->setData(entry.id);
    }
    const QAction* chosen = menu.exec(globalPos);
    if (chosen)
        RunContextCommand(chosen->data().toInt());
}

QPoint TreeListCtrlView::KeyboardMenuPoint() const
{
    // From the keyboard the menu opens at the current item, else at the
    // list's corner.
    QPoint local(0, 0);
    const QModelIndex current = ctrl_->currentIndex();
    if (current.isValid())
        local = ctrl_->visualRect(current).center();
    return ctrl_->viewport()->mapToGlobal(local);
}

void TreeListCtrlView::contextMenuEvent(QContextMenuEvent* event)
{
    ShowContextMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : KeyboardMenuPoint());
    event->accept();
}

bool TreeListCtrlView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ContextMenu && watched == ctrl_->viewport()) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        ShowContextMenu(menuEvent->reason() == QContextMenuEvent::Mouse ? menuEvent->globalPos()
                                                                         : KeyboardMenuPoint());
        return true;
    }
    if (watched == ctrl_ && event->type() == QEvent::FocusIn)
        emit FocusEntered();
    if (watched == ctrl_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
            ShowContextMenu(KeyboardMenuPoint());
            return true;
        }
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
            emit OtherPaneWanted();
            // With the other pane active the key has done its work; alone,
            // the pane lets it move the focus on as usual.
            if (!ctrl_->hasFocus())
                return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TreeListCtrlView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    LayOut();
    InitialUpdate();
}

void TreeListCtrlView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

void TreeListCtrlView::LayOut()
{
    const int h = TreeStatusPanel::kHeight;
    panel_->setGeometry(0, 0, width(), h);
    ctrl_->setGeometry(0, h, width(), std::max(0, height() - h));
    Model().SetClientWidth(ctrl_->viewport()->width());
}

void TreeListCtrlView::UpdateTexts()
{
    TreeListModel& model = Model();
    for (int column = 0; column < kColumns && column < model.Columns().size(); ++column)
        model.SetColumnCaption(column, languages_.GetText(msg::kColumnName + column));
}

}  // namespace nbr
