#pragma once
// The numbers of every text in the language packs (lang/Lang*.json). A pack
// maps the number, as text, to the text in its language.

namespace nbr::msg {

// The hardened key file and the recovery key.
inline constexpr int kHardenCheck = 1600;
inline constexpr int kHardenExplanation = 1601;
inline constexpr int kTitleCheckingPassword = 1602;
inline constexpr int kTitleProtectingKey = 1603;
inline constexpr int kRecoveryKeyButton = 1604;
inline constexpr int kRecoveryKeyTitle = 1605;
inline constexpr int kRecoveryKeyIntro = 1606;
inline constexpr int kRecoveryKeyCopy = 1607;
inline constexpr int kRecoveryKeyPrint = 1608;
inline constexpr int kRecoveryKeyClose = 1609;
inline constexpr int kRecoveryKeyNeedsPassword = 1610;
inline constexpr int kForgotPassword = 1611;
inline constexpr int kRecoverTitle = 1612;
inline constexpr int kRecoverIntro = 1613;
inline constexpr int kRecoverKeyLabel = 1614;
inline constexpr int kRecoveryKeyTypo = 1615;
inline constexpr int kRecoveryKeyWrong = 1616;
inline constexpr int kStretchCost = 1617;
inline constexpr int kStretchFailed = 1618;
inline constexpr int kRecoveredPasswordSet = 1619;
inline constexpr int kProtectionChanged = 1620;
inline constexpr int kProtectionOnlyChange = 1621;
inline constexpr int kCliRecoveryKeyPrompt = 1622;
inline constexpr int kCliHardenBoth = 1623;
inline constexpr int kCliProtectionHardened = 1624;
inline constexpr int kCliProtectionPlain = 1625;
inline constexpr int kNameReservedHere = 1626;
inline constexpr int kCliOutputFailed = 1627;
inline constexpr int kCopyIntoTheStore = 1628;
inline constexpr int kSourceShrank = 1629;
inline constexpr int kKeyFileDamagedNotCounted = 1630;
inline constexpr int kLaunchFolderBlocked = 1631;
inline constexpr int kRepairNothingOpens = 1632;

inline constexpr int kButtonAbort = 3;
inline constexpr int kButtonOk = 4;
inline constexpr int kButtonYes = 5;
inline constexpr int kButtonNo = 6;
inline constexpr int kButtonRetry = 7;
inline constexpr int kButtonIgnore = 8;
inline constexpr int kButtonCancel = 9;
inline constexpr int kSetupNotCompleted = 10;
inline constexpr int kCaptionError = 11;
inline constexpr int kCaptionNotice = 12;
inline constexpr int kStoreItemExists = 13;
inline constexpr int kStoreDiskFull = 14;
inline constexpr int kWrongPassword = 15;
inline constexpr int kKeyFileInvalid = 16;
inline constexpr int kKeyNotCreated = 17;
inline constexpr int kAlgorithmMismatch = 18;
inline constexpr int kBufferTooSmall = 19;
inline constexpr int kNotEncrypting = 20;
inline constexpr int kNotDecrypting = 21;
inline constexpr int kIntegrity = 22;
inline constexpr int kKeyTooShort = 23;
inline constexpr int kKeyTooLong = 24;
inline constexpr int kBadState = 25;
inline constexpr int kSaveFailed = 26;
inline constexpr int kStoreManifest = 27;
inline constexpr int kBadHeader = 28;
inline constexpr int kHeaderRead = 29;
inline constexpr int kTitleEncrypting = 30;
inline constexpr int kTitleDecrypting = 31;
inline constexpr int kColumnName = 32;
inline constexpr int kColumnSize = 33;
inline constexpr int kColumnDate = 34;
inline constexpr int kCurrentPasswordEmpty = 35;
inline constexpr int kCurrentPasswordTooLong = 37;
inline constexpr int kNewPasswordEmpty = 38;
inline constexpr int kPasswordTooLong = 39;
inline constexpr int kConfirmationEmpty = 40;
inline constexpr int kConfirmationDiffers = 41;
inline constexpr int kPasswordsMatch = 42;
inline constexpr int kPasswordTooShort = 43;
inline constexpr int kQuestionReplaceFile = 44;
inline constexpr int kQuestionMergeFolder = 45;
inline constexpr int kDriveFull = 46;
inline constexpr int kQuestionReplaceHostFile = 47;
inline constexpr int kQuestionDeleteFolder = 48;
inline constexpr int kQuestionDeleteFile = 49;
inline constexpr int kQuestionDeleteItems = 50;
inline constexpr int kTitleDeleting = 51;
inline constexpr int kSplashStarting = 56;
inline constexpr int kSplashLoading = 57;
inline constexpr int kSplashCheckingDevice = 60;
inline constexpr int kQuestionReset = 62;
inline constexpr int kResetFailed = 63;
inline constexpr int kResetDone = 64;
inline constexpr int kCaptionLogin = 65;
inline constexpr int kTitlePleaseWait = 66;
inline constexpr int kSplashSetup = 71;
inline constexpr int kWizardTitleSuffix = 72;
inline constexpr int kButtonFinish = 76;
inline constexpr int kButtonNext = 77;
inline constexpr int kMenuExpand = 78;
inline constexpr int kMenuCollapse = 79;
inline constexpr int kMenuRefresh = 80;
inline constexpr int kMenuOpen = 81;
inline constexpr int kMenuCopy = 82;
inline constexpr int kMenuPaste = 83;
inline constexpr int kMenuDelete = 84;
inline constexpr int kNoProgramToOpen = 85;
inline constexpr int kStreamWrite = 86;
inline constexpr int kStreamRead = 87;
inline constexpr int kStreamFailed = 88;
inline constexpr int kStreamUnsupported = 89;
inline constexpr int kPasswordSet = 90;
inline constexpr int kCancelling = 91;
inline constexpr int kTitleSavingKey = 94;
inline constexpr int kPasswordChanged = 97;
inline constexpr int kCurrentPasswordWrong = 98;
inline constexpr int kStoreDestroyed = 99;
inline constexpr int kStoreBadName = 109;
inline constexpr int kNewFolder = 112;
inline constexpr int kOneAttemptLeft = 119;
inline constexpr int kLoginWrongPassword = 120;
inline constexpr int kPropRange = 122;
inline constexpr int kPropNoStream = 123;
inline constexpr int kPropNotFound = 125;
inline constexpr int kStoreReadOnly = 129;
inline constexpr int kPropBadLength = 131;
inline constexpr int kPropWrite = 132;
inline constexpr int kUncleanShutdown = 138;
inline constexpr int kStoreDriveRemoved = 139;
inline constexpr int kNoKeyStream = 142;
inline constexpr int kKeyFileShort = 143;
inline constexpr int kFileStillOpen = 144;
inline constexpr int kSplashWaitingDevice = 145;
inline constexpr int kPageNotCreated = 151;
inline constexpr int kUnknownError = 155;
inline constexpr int kGenericError = 156;
inline constexpr int kTitleClosing = 160;
inline constexpr int kClosingFailed = 161;
inline constexpr int kHintPrefix = 165;
inline constexpr int kEulaAccept = 174;
inline constexpr int kEulaDecline = 175;
inline constexpr int kEulaHeading = 176;
inline constexpr int kEulaLine1 = 177;
inline constexpr int kEulaLine2 = 178;
inline constexpr int kButtonPrev = 179;
inline constexpr int kStartInstructions = 180;
inline constexpr int kStartHeading = 181;
inline constexpr int kPasswordPageHeading = 182;
inline constexpr int kPasswordPageNew = 183;
inline constexpr int kPasswordPageConfirm = 184;
inline constexpr int kPasswordPageHint = 185;
inline constexpr int kPasswordPageIntro = 186;
inline constexpr int kEndText = 190;
inline constexpr int kEndHeading = 191;
inline constexpr int kLoginButton = 192;
inline constexpr int kLoginCancel = 193;
inline constexpr int kLoginPrompt = 194;
inline constexpr int kLoginReset = 195;
inline constexpr int kLoginResetExplanation = 196;
inline constexpr int kLoginPasswordLabel = 197;
inline constexpr int kLoginHintLink = 198;
inline constexpr int kSettingsCancel = 204;
inline constexpr int kMenuFile = 209;
inline constexpr int kMenuEdit = 210;
inline constexpr int kMenuView = 211;
inline constexpr int kMenuOptions = 212;
inline constexpr int kMenuHelp = 213;
inline constexpr int kMenuExit = 214;
inline constexpr int kMenuCut = 215;
inline constexpr int kMenuCopyItem = 216;
inline constexpr int kMenuPasteItem = 217;
inline constexpr int kMenuDeleteItem = 218;
inline constexpr int kMenuNewDirectory = 219;
inline constexpr int kMenuToolbar = 220;
inline constexpr int kMenuStatusBar = 221;
inline constexpr int kMenuRefreshItem = 222;
inline constexpr int kMenuMyComputer = 223;
inline constexpr int kMenuSecuritySettings = 224;
inline constexpr int kMenuAbout = 225;
inline constexpr int kMenuLicense = 226;
inline constexpr int kMenuSupport = 227;
inline constexpr int kStartSubtitle = 228;
inline constexpr int kMenuManual = 230;
inline constexpr int kTipExit = 231;
inline constexpr int kTipCopy = 232;
inline constexpr int kTipCut = 233;
inline constexpr int kTipPaste = 234;
inline constexpr int kTipDelete = 235;
inline constexpr int kTipNewDirectory = 236;
inline constexpr int kTipToolbar = 237;
inline constexpr int kTipStatusBar = 238;
inline constexpr int kTipRefresh = 239;
inline constexpr int kTipMyComputer = 240;
inline constexpr int kTipSecuritySettings = 241;
inline constexpr int kTipAbout = 242;
inline constexpr int kMenuLanguage = 243;
inline constexpr int kAboutText = 244;
inline constexpr int kAboutVersion = 245;
inline constexpr int kHintRevealsPassword = 251;
inline constexpr int kPasswordTooCommon = 252;
inline constexpr int kNameNotUtf8 = 253;
inline constexpr int kUnsafeStoredName = 254;
inline constexpr int kHintTooLong = 261;
inline constexpr int kLoginCounterNotReset = 262;
inline constexpr int kLaunchNameNotUtf8 = 259;
inline constexpr int kFileDamaged = 270;
inline constexpr int kCliNoCommand = 1000;
inline constexpr int kCliUnknownCommand = 1001;
inline constexpr int kCliUnknownOption = 1002;
inline constexpr int kCliNeedsValue = 1003;
inline constexpr int kCliSeeHelp = 1004;
inline constexpr int kCliNoArguments = 1005;
inline constexpr int kCliWrongArguments = 1006;
inline constexpr int kCliUsage = 1007;
inline constexpr int kCliNotATerminal = 1008;
inline constexpr int kCliChoose = 1009;
inline constexpr int kCliKeyFileBusy = 1010;
inline constexpr int kCliAlreadySetUp = 1011;
inline constexpr int kCliPasswordPrompt = 1012;
inline constexpr int kCliConfirmPrompt = 1013;
inline constexpr int kCliCurrentPasswordPrompt = 1014;
inline constexpr int kCliNewPasswordPrompt = 1015;
inline constexpr int kCliNotSetUp = 1016;
inline constexpr int kCliNoPassword = 1017;
inline constexpr int kCliStoreCreated = 1018;
inline constexpr int kCliNoHint = 1019;
inline constexpr int kCliInvalidUtf8 = 1020;
inline constexpr int kCliDeclined = 1021;
inline constexpr int kCliIsFolder = 1022;
inline constexpr int kCliNotFound = 1023;
inline constexpr int kCliCheckManifestDamaged = 1024;
inline constexpr int kCliCheckManifestLost = 1025;
inline constexpr int kCliCheckMissing = 1026;
inline constexpr int kCliCheckBadKey = 1027;
inline constexpr int kCliCheckLeftover = 1028;
inline constexpr int kCliCheckRepaired = 1029;
inline constexpr int kCliCheckSummary = 1030;
inline constexpr int kCliNotAFolder = 1031;
inline constexpr int kCliCheckWrongKind = 1032;
inline constexpr int kCliNoSuchHostFile = 1033;
inline constexpr int kCliCancelled = 1034;
inline constexpr int kCliNotAFile = 1035;
inline constexpr int kCliSkipped = 1036;
inline constexpr int kCliPressEnter = 1037;
inline constexpr int kCliWaitingForProgram = 1038;
inline constexpr int kLinkRefused = 1300;
inline constexpr int kSkippedFolderLink = 1301;
inline constexpr int kSkippedSpecial = 1302;
inline constexpr int kStoredUnderOtherName = 1303;
inline constexpr int kFolderNotListed = 1304;
inline constexpr int kFileNotStored = 1305;
inline constexpr int kNotAllStored = 1306;
inline constexpr int kFileNotCopiedOut = 1307;
inline constexpr int kSysNotAFile = 1308;
// Store pane.
inline constexpr int kNotLocalFiles = 1330;
// Host pane: a dropped list named places that are no files here.
inline constexpr int kNotLocalNotCopied = 1331;
inline constexpr int kCliCheckPlaintext = 1050;
inline constexpr int kCliNotAllDecrypted = 1120;
inline constexpr int kPasswordSourceKind = 1121;
inline constexpr int kPasswordLineTooLong = 1122;
inline constexpr int kPasswordNoWriter = 1123;
// System error texts: the frame of the line and the message of each error
// number the platform layer reports, so that they follow the chosen language.
inline constexpr int kSystemErrorLine = 1200;
inline constexpr int kSysNoSuchFile = 1201;
inline constexpr int kSysTooManyOpenFiles = 1202;
inline constexpr int kSysAccessDenied = 1203;
inline constexpr int kSysBadHandle = 1204;
inline constexpr int kSysNoMemory = 1205;
inline constexpr int kSysCrossDevice = 1206;
inline constexpr int kSysReadOnly = 1207;
inline constexpr int kSysNoDevice = 1208;
inline constexpr int kSysDeviceFailure = 1209;
inline constexpr int kSysBusy = 1210;
inline constexpr int kSysTryAgain = 1211;
inline constexpr int kSysNotSupported = 1212;
inline constexpr int kSysExists = 1213;
inline constexpr int kSysInvalidArgument = 1214;
inline constexpr int kSysBrokenPipe = 1215;
inline constexpr int kSysDiskFull = 1216;
inline constexpr int kSysBadCharacter = 1217;
inline constexpr int kSysNotEmpty = 1218;
inline constexpr int kSysNameTooLong = 1219;
inline constexpr int kSysFileTooLarge = 1220;
inline constexpr int kSysIoError = 1221;
inline constexpr int kSysNotConnected = 1222;
inline constexpr int kSysCanceled = 1223;
inline constexpr int kSysTimedOut = 1224;
inline constexpr int kSysLinkLoop = 1225;
inline constexpr int kSysEndOfFile = 1226;
inline constexpr int kSysResourceInUse = 1227;
inline constexpr int kSysBadFolderName = 1228;
inline constexpr int kSysCancelledByUser = 1229;
inline constexpr int kCliCheckFileDamaged = 1100;
inline constexpr int kCliCheckRecoveredAs = 1101;
inline constexpr int kCliCheckInterruptedWrite = 1102;
inline constexpr int kCliCheckForeignFile = 1103;
inline constexpr int kCliCheckUnsafeName = 1104;
inline constexpr int kCliCheckInterruptedDeletion = 1105;
// The names of the frames' caption buttons, for assistive technology and tool tips.
inline constexpr int kFrameClose = 1400;
inline constexpr int kFrameMaximize = 1401;
inline constexpr int kFrameRestore = 1402;
inline constexpr int kFrameMinimize = 1403;

// What assistive technology reads for the message box's pictures, the
// progress dialog's bars and the language list.
inline constexpr int kBoxIconWarning = 1410;
inline constexpr int kBoxIconError = 1411;
inline constexpr int kBoxIconInformation = 1412;
inline constexpr int kBoxBanner = 1413;
inline constexpr int kProgressJobBar = 1414;
inline constexpr int kProgressFileBar = 1415;
inline constexpr int kLanguageChoice = 1416;

// The host pane: its places and its own copies and deletions.
inline constexpr int kTitleCopying = 1520;
inline constexpr int kFileNotCopied = 1521;
inline constexpr int kCopyIntoItself = 1522;
inline constexpr int kPlaceHome = 1523;
inline constexpr int kPlaceFileSystem = 1524;
inline constexpr int kNotMovedToTrash = 1525;
inline constexpr int kHoldsTheStore = 1526;
inline constexpr int kFolderNameTooLong = 1527;
inline constexpr int kStoreHoldsItems = 1528;
inline constexpr int kCloseWhileBusy = 1529;
inline constexpr int kStoredSizeTip = 1530;
inline constexpr int kMenuOpenWith = 1531;
inline constexpr int kMenuRename = 1532;
inline constexpr int kMenuMoveToTrash = 1533;
inline constexpr int kMenuProperties = 1534;
inline constexpr int kMenuShowInFileManager = 1535;
inline constexpr int kRenameTitle = 1536;
inline constexpr int kPropertiesText = 1537;
inline constexpr int kNoProgramFound = 1538;
inline constexpr int kCliPasswordHasNul = 1539;
inline constexpr int kLauncherPathUnusable = 1540;
inline constexpr int kCliCheckUnrecoverable = 1541;
inline constexpr int kCliCheckSetAside = 1542;
inline constexpr int kCliCheckIncomplete = 1543;
inline constexpr int kStickReadOnly = 1544;
// Opened copies that a program was still writing to when the clean-up of
// the launch folder stopped waiting for them.
inline constexpr int kCopyKept = 1560;
inline constexpr int kWaitingForCopy = 1561;
inline constexpr int kCopiesKept = 1562;
inline constexpr int kPlaceNotAnswering = 1545;
// The main window and its settings dialog.
inline constexpr int kSettingsCurrentLabel = 1440;
inline constexpr int kSettingsNewLabel = 1441;
inline constexpr int kSettingsConfirmLabel = 1442;
inline constexpr int kSettingsHintLabel = 1443;
inline constexpr int kSettingsApply = 1444;
inline constexpr int kSettingsPageTitle = 1445;
inline constexpr int kPaneHost = 1446;
inline constexpr int kPaneStore = 1447;
inline constexpr int kToolbarName = 1448;
inline constexpr int kStatusBarName = 1449;
inline constexpr int kStatusReady = 1450;
inline constexpr int kAboutTitle = 1451;
inline constexpr int kMenuAddLauncher = 1452;
inline constexpr int kMenuRemoveLauncher = 1453;
inline constexpr int kLauncherNotChanged = 1454;

// Every number above, for the checks of the packs.
inline constexpr int kAll[] = {
    kHardenCheck, kHardenExplanation, kTitleCheckingPassword, kTitleProtectingKey, kRecoveryKeyButton,
    kRecoveryKeyTitle, kRecoveryKeyIntro, kRecoveryKeyCopy, kRecoveryKeyPrint, kRecoveryKeyClose,
    kRecoveryKeyNeedsPassword, kForgotPassword, kRecoverTitle, kRecoverIntro, kRecoverKeyLabel, kRecoveryKeyTypo,
    kRecoveryKeyWrong, kStretchCost, kStretchFailed, kRecoveredPasswordSet, kProtectionChanged,
    kProtectionOnlyChange, kCliRecoveryKeyPrompt, kCliHardenBoth, kCliProtectionHardened, kCliProtectionPlain,
    kNameReservedHere, kCliOutputFailed, kCopyIntoTheStore, kSourceShrank, kKeyFileDamagedNotCounted, kLaunchFolderBlocked, kRepairNothingOpens,
    kButtonAbort, kButtonOk, kButtonYes, kButtonNo, kButtonRetry, kButtonIgnore, kButtonCancel, kSetupNotCompleted,
    kCaptionError, kCaptionNotice, kStoreItemExists, kStoreDiskFull, kWrongPassword, kKeyFileInvalid,
    kKeyNotCreated, kAlgorithmMismatch, kBufferTooSmall, kNotEncrypting, kNotDecrypting, kIntegrity, kKeyTooShort,
    kKeyTooLong, kBadState, kSaveFailed, kStoreManifest, kBadHeader, kHeaderRead, kTitleEncrypting,
    kTitleDecrypting, kColumnName, kColumnSize, kColumnDate, kCurrentPasswordEmpty, kCurrentPasswordTooLong,
    kNewPasswordEmpty, kPasswordTooLong, kConfirmationEmpty, kConfirmationDiffers, kPasswordsMatch,
    kPasswordTooShort, kQuestionReplaceFile, kQuestionMergeFolder, kDriveFull, kQuestionReplaceHostFile,
    kQuestionDeleteFolder, kQuestionDeleteFile, kQuestionDeleteItems, kTitleDeleting, kSplashStarting,
    kSplashLoading, kSplashCheckingDevice, kQuestionReset, kResetFailed, kResetDone, kCaptionLogin,
    kTitlePleaseWait, kSplashSetup, kWizardTitleSuffix, kButtonFinish, kButtonNext, kMenuExpand, kMenuCollapse,
    kMenuRefresh, kMenuOpen, kMenuCopy, kMenuPaste, kMenuDelete, kNoProgramToOpen, kStreamWrite, kStreamRead,
    kStreamFailed, kStreamUnsupported, kPasswordSet, kCancelling, kTitleSavingKey, kPasswordChanged,
    kCurrentPasswordWrong, kStoreDestroyed, kStoreBadName, kNewFolder, kOneAttemptLeft, kLoginWrongPassword,
    kPropRange, kPropNoStream, kPropNotFound, kStoreReadOnly, kPropBadLength, kPropWrite, kUncleanShutdown,
    kStoreDriveRemoved, kNoKeyStream, kKeyFileShort, kFileStillOpen, kSplashWaitingDevice, kPageNotCreated,
    kUnknownError, kGenericError, kTitleClosing, kClosingFailed, kHintPrefix, kEulaAccept, kEulaDecline,
    kEulaHeading, kEulaLine1, kEulaLine2, kButtonPrev, kStartInstructions, kStartHeading, kPasswordPageHeading, kPasswordPageNew,
    kPasswordPageConfirm, kPasswordPageHint, kPasswordPageIntro, kEndText, kEndHeading,
    kLoginButton, kLoginCancel, kLoginPrompt, kLoginReset, kLoginResetExplanation, kLoginPasswordLabel,
    kLoginHintLink, kSettingsCancel, kMenuFile, kMenuEdit, kMenuView, kMenuOptions, kMenuHelp, kMenuExit, kMenuCut,
    kMenuCopyItem, kMenuPasteItem, kMenuDeleteItem, kMenuNewDirectory, kMenuToolbar, kMenuStatusBar,
    kMenuRefreshItem, kMenuMyComputer, kMenuSecuritySettings, kMenuAbout, kMenuLicense, kMenuSupport,
    kStartSubtitle, kMenuManual, kTipExit, kTipCopy, kTipCut, kTipPaste, kTipDelete, kTipNewDirectory, kTipToolbar,
    kTipStatusBar, kTipRefresh, kTipMyComputer, kTipSecuritySettings, kTipAbout, kMenuLanguage, kAboutText,
    kAboutVersion, kHintRevealsPassword, kPasswordTooCommon, kNameNotUtf8, kUnsafeStoredName, kHintTooLong,
    kLoginCounterNotReset, kLaunchNameNotUtf8, kFileDamaged, kCliNoCommand, kCliUnknownCommand, kCliUnknownOption,
    kCliNeedsValue, kCliSeeHelp, kCliNoArguments, kCliWrongArguments, kCliUsage, kCliNotATerminal, kCliChoose,
    kCliKeyFileBusy, kCliAlreadySetUp, kCliPasswordPrompt, kCliConfirmPrompt, kCliCurrentPasswordPrompt,
    kCliNewPasswordPrompt, kCliNotSetUp, kCliNoPassword, kCliStoreCreated, kCliNoHint, kCliInvalidUtf8,
    kCliDeclined, kCliIsFolder, kCliNotFound, kCliCheckManifestDamaged, kCliCheckManifestLost, kCliCheckMissing,
    kCliCheckBadKey, kCliCheckLeftover, kCliCheckRepaired, kCliCheckSummary, kCliNotAFolder, kCliCheckWrongKind,
    kCliNoSuchHostFile, kCliCancelled, kCliNotAFile, kCliSkipped, kCliPressEnter, kCliWaitingForProgram,
    kLinkRefused, kSkippedFolderLink, kSkippedSpecial, kStoredUnderOtherName, kFolderNotListed, kFileNotStored,
    kNotAllStored, kFileNotCopiedOut, kSysNotAFile, kCliCheckPlaintext, kCliNotAllDecrypted, kPasswordSourceKind,
    kPasswordLineTooLong, kPasswordNoWriter, kSystemErrorLine, kSysNoSuchFile, kSysTooManyOpenFiles,
    kSysAccessDenied, kSysBadHandle, kSysNoMemory, kSysCrossDevice, kSysReadOnly, kSysNoDevice, kSysDeviceFailure,
    kSysBusy, kSysTryAgain, kSysNotSupported, kSysExists, kSysInvalidArgument, kSysBrokenPipe, kSysDiskFull,
    kSysBadCharacter, kSysNotEmpty, kSysNameTooLong, kSysFileTooLarge, kSysIoError, kSysNotConnected, kSysCanceled,
    kSysTimedOut, kSysLinkLoop, kSysEndOfFile, kSysResourceInUse, kSysBadFolderName, kSysCancelledByUser,
    kBoxIconWarning, kBoxIconError, kBoxIconInformation, kBoxBanner, kProgressJobBar, kProgressFileBar, kLanguageChoice,
    kCliCheckFileDamaged, kCliCheckRecoveredAs, kCliCheckInterruptedWrite, kCliCheckForeignFile,
    kCliCheckUnsafeName, kCliCheckInterruptedDeletion, kFrameClose, kFrameMaximize, kFrameRestore, kFrameMinimize,
    kSettingsCurrentLabel, kSettingsNewLabel, kSettingsConfirmLabel, kSettingsHintLabel, kSettingsApply, kSettingsPageTitle, kPaneHost, kPaneStore, kToolbarName, kStatusBarName, kStatusReady, kAboutTitle,
    kMenuAddLauncher, kMenuRemoveLauncher, kLauncherNotChanged, kNotLocalFiles, kNotLocalNotCopied,
    kTitleCopying, kFileNotCopied, kCopyIntoItself, kPlaceHome, kPlaceFileSystem, kNotMovedToTrash,
    kHoldsTheStore, kFolderNameTooLong, kStoreHoldsItems, kCloseWhileBusy, kStoredSizeTip, kMenuOpenWith,
    kMenuRename, kMenuMoveToTrash, kMenuProperties, kMenuShowInFileManager, kRenameTitle, kPropertiesText,
    kNoProgramFound, kCliPasswordHasNul, kLauncherPathUnusable, kCliCheckUnrecoverable, kCliCheckSetAside,
    kCliCheckIncomplete, kStickReadOnly, kCopyKept, kWaitingForCopy, kCopiesKept, kPlaceNotAnswering,
};

}  // namespace nbr::msg
