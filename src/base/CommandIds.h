#pragma once
// The numbers of the window's commands, shared by the frame, the panes and
// their rules. The values are those of the menu resources the command table
// was drawn from; settings and tests know them by number.

namespace nbr::cmd {

inline constexpr int kExit = 57665;
inline constexpr int kCut = 57635;
inline constexpr int kCopy = 57634;
inline constexpr int kPaste = 57637;
inline constexpr int kDelete = 32771;
inline constexpr int kNewDirectory = 32794;
inline constexpr int kToolbar = 59392;
inline constexpr int kStatusBar = 59393;
inline constexpr int kRefresh = 32782;
inline constexpr int kMyComputer = 32792;
inline constexpr int kSecuritySettings = 32781;
inline constexpr int kLanguageFirst = 32821;
inline constexpr int kLanguageLast = 32828;
inline constexpr int kAbout = 57664;
inline constexpr int kLicense = 32818;
inline constexpr int kOnlineSupport = 32816;
inline constexpr int kUserManual = 32819;
inline constexpr int kAddLauncher = 32830;
inline constexpr int kRemoveLauncher = 32831;
inline constexpr int kUndo = 57643;
inline constexpr int kNextPane = 57680;
inline constexpr int kPreviousPane = 57681;
inline constexpr int kSeparator = 0;  // in the toolbar order

}  // namespace nbr::cmd
