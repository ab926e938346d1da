#include "app/MainFrameRules.h"

#include "base/MessageIds.h"
#include "base/RegistrySettings.h"

#include <algorithm>

namespace nbr {

namespace {

const QString kX = QStringLiteral("ui.Frame.X");
const QString kY = QStringLiteral("ui.Frame.Y");
const QString kWidth = QStringLiteral("ui.Frame.Width");
const QString kHeight = QStringLiteral("ui.Frame.Height");
const QString kViewMode = QStringLiteral("ui.Frame.ViewMode");

QStringList Keys(std::initializer_list<const char*> keys)
{
    QStringList list;
    for (const char* key : keys)
        list << QString::fromLatin1(key);
    return list;
}

}  // namespace

const std::vector<FrameCommand>& MainFrameRules::Commands()
{
    using R = CommandRoute;
    static const std::vector<FrameCommand> commands {
        {cmd::kExit, msg::kMenuFile, msg::kMenuExit, msg::kTipExit, {}, -1, R::Frame},
        {cmd::kCut, msg::kMenuEdit, msg::kMenuCut, msg::kTipCut, Keys({"Ctrl+X", "Shift+Del"}), -1, R::ActivePane},
        {cmd::kCopy, msg::kMenuEdit, msg::kMenuCopyItem, msg::kTipCopy, Keys({"Ctrl+C", "Ctrl+Ins"}), 1,
         R::ActivePane},
        {cmd::kPaste, msg::kMenuEdit, msg::kMenuPasteItem, msg::kTipPaste, Keys({"Ctrl+V", "Shift+Ins"}), 2,
         R::ActivePane},
        {cmd::kDelete, msg::kMenuEdit, msg::kMenuDeleteItem, msg::kTipDelete, Keys({"Del"}), 3, R::ActivePane},
        {cmd::kNewDirectory, msg::kMenuEdit, msg::kMenuNewDirectory, msg::kTipNewDirectory, Keys({"Ctrl+D"}), 0,
         R::ActivePane},
        {cmd::kToolbar, msg::kMenuView, msg::kMenuToolbar, msg::kTipToolbar, {}, -1, R::Frame},
        {cmd::kStatusBar, msg::kMenuView, msg::kMenuStatusBar, msg::kTipStatusBar, {}, -1, R::Frame},
        {cmd::kRefresh, msg::kMenuView, msg::kMenuRefreshItem, msg::kTipRefresh, Keys({"F5", "Ctrl+R"}), 4,
         R::ActivePane},
        {cmd::kMyComputer, msg::kMenuView, msg::kMenuMyComputer, msg::kTipMyComputer, Keys({"Ctrl+M"}), 5,
         R::Frame},
        {cmd::kSecuritySettings, msg::kMenuOptions, msg::kMenuSecuritySettings, msg::kTipSecuritySettings,
         Keys({"Ctrl+O"}), 6, R::Frame},
        {cmd::kAbout, msg::kMenuHelp, msg::kMenuAbout, msg::kTipAbout, {}, 7, R::Frame},
        {cmd::kLicense, msg::kMenuHelp, msg::kMenuLicense, 0, {}, -1, R::Frame},
        {cmd::kOnlineSupport, msg::kMenuHelp, msg::kMenuSupport, 0, {}, -1, R::Frame},
        {cmd::kUserManual, msg::kMenuHelp, msg::kMenuManual, 0, {}, -1, R::Frame},
        {cmd::kAddLauncher, msg::kMenuHelp, msg::kMenuAddLauncher, 0, {}, -1, R::Frame},
        {cmd::kRemoveLauncher, msg::kMenuHelp, msg::kMenuRemoveLauncher, 0, {}, -1, R::Frame},
    };
    return commands;
}

const FrameCommand* MainFrameRules::Find(int id)
{
    for (const FrameCommand& command : Commands()) {
        if (command.id == id)
            return &command;
    }
    return nullptr;
}

const std::vector<int>& MainFrameRules::ToolbarOrder()
{
    static const std::vector<int> order {cmd::kNewDirectory, cmd::kSeparator,  cmd::kCopy,
                                         cmd::kPaste,        cmd::kDelete,     cmd::kSeparator,
                                         cmd::kRefresh,      cmd::kMyComputer, cmd::kSecuritySettings,
                                         cmd::kSeparator,    cmd::kAbout};
    return order;
}

Placement MainFrameRules::InitialPlacement(const RegistrySettings& settings, const QRect& desktop)
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    if (settings.ReadNumber(kX, &x) && settings.ReadNumber(kY, &y) && settings.ReadNumber(kWidth, &width) &&
        settings.ReadNumber(kHeight, &height))
        return {QRect(x, y, width, height), true};
    return {QRect(desktop.x() + (desktop.width() - kDefaultWidth) / 2,
                  desktop.y() + (desktop.height() - kDefaultHeight) / 2, kDefaultWidth, kDefaultHeight),
            false};
}

std::optional<QRect> MainFrameRules::PlacementToSave(const QRect& outer, bool minimised)
{
    if (minimised)
        return std::nullopt;
    QRect rect = outer;
    // A window dragged partly off the top or left would otherwise open next
    // time with its header out of reach.
    if (rect.left() < 0)
        rect.moveLeft(0);
    if (rect.top() < 0)
        rect.moveTop(0);
    return rect;
}

void MainFrameRules::SavePlacement(RegistrySettings& settings, const QRect& outer, bool minimised)
{
    const std::optional<QRect> rect = PlacementToSave(outer, minimised);
    if (!rect)
        return;
    // A value that cannot be written leaves the default for the next start.
    (void)settings.WriteNumbers({{kX, rect->x()}, {kY, rect->y()}, {kWidth, rect->width()}, {kHeight, rect->height()}});
}

bool MainFrameRules::StoreOnly(const RegistrySettings& settings)
{
    int mode = 0;
    return settings.ReadNumber(kViewMode, &mode) && mode == kStoreOnlyMode;
}

void MainFrameRules::SaveViewMode(RegistrySettings& settings, int mode)
{
    // Unsaved, the next start shows the two panes again: nothing is lost.
    (void)settings.WriteNumber(kViewMode, mode);
}

int MainFrameRules::LanguageOfCommand(int id)
{
    for (const int command : LanguageCommands()) {
        if (command == id)
            return id - cmd::kLanguageFirst;
    }
    return -1;
}

const std::vector<int>& MainFrameRules::LanguageCommands()
{
    // English, French, Portuguese, Spanish: the languages with a pack.
    static const std::vector<int> commands {32821, 32823, 32828, 32827};
    return commands;
}

void MainFrameRules::SplitPrompt(const QString& text, QString* status, QString* tip)
{
    const qsizetype newline = text.indexOf(QLatin1Char('\n'));
    *status = newline < 0 ? text : text.left(newline);
    *tip = newline < 0 ? QString() : text.mid(newline + 1).left(kMaxTipLength);
}

QString MainFrameRules::ManualPath(const QString& programFolder, const QString& tag,
                                   const std::function<bool(const QString&)>& exists)
{
    QString folder = programFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    QString name = QStringLiteral("Nimbra_Manual");
    if (!tag.isEmpty())
        name += QLatin1Char('_') + tag;
    const QString tagged = folder + name + QStringLiteral(".pdf");
    if (exists(tagged))
        return tagged;
    return folder + QStringLiteral("Nimbra_Manual_en.pdf");
}

bool MainFrameRules::MenuEntryCanCarry(const QString& folder)
{
    return std::none_of(folder.cbegin(), folder.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

}  // namespace nbr
