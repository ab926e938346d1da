#pragma once
// What a pane offers, without a window: which of the pane commands of the
// menu and toolbar are enabled, and the entries of the pane's context menu.
// Neither pane has a menu of the desktop's own, so Copy and Delete are
// always the pane's entries.

#include <vector>

class QMimeData;

namespace nbr {

// The entries of the context menu (command numbers of the menu itself).
namespace pane {
inline constexpr int kRefresh = 21;
inline constexpr int kDelete = 22;
inline constexpr int kExpand = 23;
inline constexpr int kCollapse = 24;
inline constexpr int kCopy = 25;
inline constexpr int kPaste = 26;
inline constexpr int kOpen = 27;
inline constexpr int kNewDirectory = 28;
inline constexpr int kSeparator = 0;
}  // namespace pane

// What the rules look at in a pane.
struct PaneState {
    bool hasController = true;
    bool storeSide = false;
    int selected = 0;             // selected items
    bool firstIsFolder = false;   // the first selected item can hold children
    bool firstExpanded = false;   // ... and shows them
    // The clipboard: a plain file list, the store's own list.
    bool clipboardFiles = false;
    bool clipboardStore = false;
    // The controller's answer for the context menu's Paste.
    bool canPaste = false;
};

struct PaneMenuEntry {
    int id;    // pane::k..., pane::kSeparator for a line
    int text;  // message number, 0 for a line
};

class PaneCommandRules {
public:
    // The pane commands the frame routes (cmd::kCopy and the others).
    [[nodiscard]] static const std::vector<int>& Commands();
    [[nodiscard]] static bool IsEnabled(int commandId, const PaneState& state);
    // Fills the clipboard fields of `state` from what the clipboard holds.
    static void ReadClipboard(const QMimeData* clipboard, PaneState* state);
    [[nodiscard]] static std::vector<PaneMenuEntry> ContextEntries(const PaneState& state);
};

}  // namespace nbr
