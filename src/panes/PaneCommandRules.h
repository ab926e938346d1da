#pragma once
// What a pane offers, without a window: which of the pane commands of the
// menu and toolbar are enabled, and the entries of the pane's context menu.
// The host pane adds the desktop's entries for one item (Open With,
// Rename, Show in File Manager, Properties), and its Delete moves to the
// trash, as it says.

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
// The desktop's entries of the host pane.
inline constexpr int kOpenWith = 29;  // a submenu of programs
inline constexpr int kRename = 30;
inline constexpr int kShowInFileManager = 31;
inline constexpr int kProperties = 32;
inline constexpr int kFirstProgram = 1000;  // + the program's index in Open With
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
    // The first selected item is a place of the host pane's top level (home,
    // file system, volumes): it keeps its name and is never deleted.
    bool firstIsPlace = false;
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
