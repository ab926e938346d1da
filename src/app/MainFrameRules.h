#pragma once
// What the main window decides, without a window: where it opens and what it
// saves of its placement, its pane mode, the command table (texts, keys,
// toolbar order, who handles each), the language commands and which manual
// file the User Manual command opens.

#include "base/CommandIds.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace nbr {

class RegistrySettings;

// Who carries out a command.
enum class CommandRoute { Frame, ActivePane };

struct FrameCommand {
    int id;
    int menu;        // the menu-bar entry's text number (209..213)
    int text;        // the item's text number
    int prompt;      // status prompt and tool tip, 0 for none
    QStringList keys;
    int image;       // index in the toolbar's images, -1 for none
    CommandRoute route;
};

struct Placement {
    QRect rect;
    bool saved = false;  // from the settings, not the default
};

class MainFrameRules {
public:
    static constexpr int kDefaultWidth = 650;
    static constexpr int kDefaultHeight = 549;
    static constexpr int kToolbarImage = 36;
    static constexpr int kToolbarImages = 8;
    static constexpr int kMaxTipLength = 80;
    static constexpr int kStoreOnlyMode = 1;
    // The support page. Nimbra has no public page yet: while this is empty,
    // Online Support opens the manual, which answers the same questions.
    static constexpr const char* kSupportAddress = "";

    // The commands in menu order; the Language items are not among them.
    [[nodiscard]] static const std::vector<FrameCommand>& Commands();
    [[nodiscard]] static const FrameCommand* Find(int id);
    // The toolbar's buttons left to right, kSeparator between groups.
    [[nodiscard]] static const std::vector<int>& ToolbarOrder();

    // The four saved values when all can be read, else the default size
    // centred on `desktop`.
    [[nodiscard]] static Placement InitialPlacement(const RegistrySettings& settings, const QRect& desktop);
    // What to save of the outer rectangle: nothing while minimised; a left
    // or top edge off the screen is moved to 0.
    [[nodiscard]] static std::optional<QRect> PlacementToSave(const QRect& outer, bool minimised);
    // Writes it when there is something to write.
    static void SavePlacement(RegistrySettings& settings, const QRect& outer, bool minimised);

    // "ui.Frame.ViewMode": 1 shows the store pane only.
    [[nodiscard]] static bool StoreOnly(const RegistrySettings& settings);
    // The My Computer command: the value it saves when leaving `storeOnly`.
    static void SaveViewMode(RegistrySettings& settings, int mode);
    [[nodiscard]] static int ViewModeAfterSwitch(bool storeOnly) { return storeOnly ? 0 : kStoreOnlyMode; }

    // The language index of a Language command; -1 for the commands of
    // languages without a pack, which the menu does not offer.
    [[nodiscard]] static int LanguageOfCommand(int id);
    [[nodiscard]] static const std::vector<int>& LanguageCommands();

    // A prompt text "status prompt\ntool tip" split in two; the tip is cut
    // to its limit.
    static void SplitPrompt(const QString& text, QString* status, QString* tip);

    // The manual for a language tag in the program's folder: the tagged
    // file when it exists, else the English one.
    [[nodiscard]] static QString ManualPath(const QString& programFolder, const QString& tag,
                                            const std::function<bool(const QString&)>& exists);

    // Whether a desktop menu entry can start a program in `folder`: the
    // entry is one line per key, so a line break (or any control character)
    // in the path cannot be carried by any quoting.
    [[nodiscard]] static bool MenuEntryCanCarry(const QString& folder);
};

}  // namespace nbr
