#include "panes/PaneCommandRules.h"

#include "base/CommandIds.h"
#include "base/MessageIds.h"
#include "panes/PaneMimeData.h"

namespace nbr {

const std::vector<int>& PaneCommandRules::Commands()
{
    static const std::vector<int> commands {cmd::kCut,    cmd::kCopy,    cmd::kPaste,
                                            cmd::kDelete, cmd::kRefresh, cmd::kNewDirectory};
    return commands;
}

bool PaneCommandRules::IsEnabled(int commandId, const PaneState& state)
{
    // An empty pane (no controller yet) can only be refreshed, which
    // changes nothing.
    if (commandId == cmd::kRefresh)
        return true;
    if (!state.hasController)
        return false;
    switch (commandId) {
    case cmd::kCopy: return state.selected > 0;
    case cmd::kDelete: return state.selected > 0 && !state.firstIsPlace;
    // The store pane takes plain file lists only: its own list pasted into
    // itself would copy stored files onto themselves.
    case cmd::kPaste: return state.clipboardFiles || (!state.storeSide && state.clipboardStore);
    case cmd::kNewDirectory: return state.selected == 0 || state.firstIsFolder;
    default: return false;  // Cut: files are never moved through the clipboard
    }
}

void PaneCommandRules::ReadClipboard(const QMimeData* clipboard, PaneState* state)
{
    state->clipboardFiles = PaneMimeData::HasFileList(clipboard);
    state->clipboardStore = PaneMimeData::HasStoreList(clipboard);
}

std::vector<PaneMenuEntry> PaneCommandRules::ContextEntries(const PaneState& state)
{
    std::vector<PaneMenuEntry> entries;
    const auto separator = [&entries] { entries.push_back({pane::kSeparator, 0}); };
    const int n = state.selected;
    const bool folder = n > 0 && state.firstIsFolder;
    if (n == 1 && folder && !state.firstExpanded)
        entries.push_back({pane::kExpand, msg::kMenuExpand});
    if (n == 1 && folder && state.firstExpanded)
        entries.push_back({pane::kCollapse, msg::kMenuCollapse});
    entries.push_back({pane::kRefresh, msg::kMenuRefresh});
    if (!state.hasController)
        return entries;
    const bool open = n == 1 && (!state.storeSide || !folder);
    const bool desktop = n == 1 && !state.storeSide;
    if (open) {
        separator();
        entries.push_back({pane::kOpen, msg::kMenuOpen});
        if (desktop && !folder)
            entries.push_back({pane::kOpenWith, msg::kMenuOpenWith});
    }
    if (n == 0 || folder) {
        if (!open)
            separator();
        entries.push_back({pane::kNewDirectory, msg::kNewFolder});
    }
    const bool copy = n >= 1;
    const bool paste = n <= 1 && state.canPaste;
    if (copy || paste)
        separator();
    if (copy)
        entries.push_back({pane::kCopy, msg::kMenuCopy});
    if (paste)
        entries.push_back({pane::kPaste, msg::kMenuPaste});
    const bool rename = desktop && !state.firstIsPlace;
    const bool remove = n >= 1 && !state.firstIsPlace;
    if (rename || remove)
        separator();
    if (rename)
        entries.push_back({pane::kRename, msg::kMenuRename});
    if (remove)
        entries.push_back({pane::kDelete, state.storeSide ? msg::kMenuDelete : msg::kMenuMoveToTrash});
    if (desktop) {
        separator();
        entries.push_back({pane::kShowInFileManager, msg::kMenuShowInFileManager});
        entries.push_back({pane::kProperties, msg::kMenuProperties});
    }
    return entries;
}

}  // namespace nbr
