#include "base/ErrorText.h"

#include "base/LanguageManager.h"
#include "base/MessageIds.h"
#include "platform/SecretSource.h"
#include "platform/SystemError.h"

namespace nbr {
namespace {

struct Row {
    std::uint32_t code;
    int message;
};

constexpr Row kOwnCodes[] = {
    {0x80040301u, 13},  {0x80040302u, 14},  {0x80040303u, 27},  {0x80040304u, 86},  {0x80040305u, 87},
    {0x80040306u, 88},  {0x80040307u, 89},  {0x80040308u, 109}, {0x80040309u, 122}, {0x8004030Au, 123},
    {0x8004030Bu, 125}, {0x8004030Cu, 129}, {0x8004030Du, 131}, {0x8004030Eu, 132}, {0x8004C051u, 15},
    {0x8004C052u, 16},  {0x8004C053u, 17},  {0x8004C054u, 18},  {0x8004C055u, 19},  {0x8004C056u, 20},
    {0x8004C057u, 21},  {0x8004C058u, 22},  {0x8004C059u, 23},  {0x8004C05Au, 24},  {0x8004C05Bu, 25},
    {0x8004C05Cu, 26},  {0x8004C05Du, 28},  {0x8004C05Eu, 29},  {0x8004C05Fu, 142}, {0x8004C060u, 143},
    {0x80040320u, msg::kNotAllStored},
    {0x80040321u, msg::kStoreHoldsItems},
    {0x80040322u, msg::kStickReadOnly},
    {0x80040323u, msg::kCopiesKept},
    {0x80040324u, msg::kNameReservedHere},
    {0x80040325u, msg::kLaunchFolderBlocked},
    {0x8004C061u, 270},
    {0x8004C063u, msg::kSourceShrank},
    {0x80040340u, msg::kStretchCost},
    {0x80040341u, msg::kStretchFailed},
    {0x80040342u, msg::kRecoveryKeyTypo},
    {0x80040343u, msg::kRecoveryKeyWrong},
    // Password sources that give no line.
    {static_cast<std::uint32_t>(SecretSource::kNotALineSource), msg::kPasswordSourceKind},
    {static_cast<std::uint32_t>(SecretSource::kLineTooLong), msg::kPasswordLineTooLong},
    {static_cast<std::uint32_t>(SecretSource::kNoWriter), msg::kPasswordNoWriter},
};

// The error numbers of the platform layer (and a few the program reports by
// itself) with their texts; numbers that share an errno share its text.
constexpr Row kSystemTexts[] = {
    {win32::kFileNotFound, msg::kSysNoSuchFile},     {win32::kPathNotFound, msg::kSysNoSuchFile},
    {win32::kTooManyOpenFiles, msg::kSysTooManyOpenFiles}, {win32::kAccessDenied, msg::kSysAccessDenied},
    {win32::kInvalidHandle, msg::kSysBadHandle},     {win32::kNotEnoughMemory, msg::kSysNoMemory},
    {14, msg::kSysNoMemory},                         {win32::kNotSameDevice, msg::kSysCrossDevice},
    {win32::kWriteProtect, msg::kSysReadOnly},       {win32::kNotReady, msg::kSysNoDevice},
    {win32::kGenFailure, msg::kSysDeviceFailure},    {win32::kSharingViolation, msg::kSysBusy},
    {win32::kLockViolation, msg::kSysTryAgain},      {win32::kHandleEof, msg::kSysEndOfFile},
    {win32::kNotSupported, msg::kSysNotSupported},   {win32::kFileExists, msg::kSysExists},
    {win32::kInvalidParameter, msg::kSysInvalidArgument}, {win32::kBrokenPipe, msg::kSysBrokenPipe},
    {win32::kDiskFull, msg::kSysDiskFull},           {win32::kInvalidName, msg::kSysBadCharacter},
    {win32::kDirNotEmpty, msg::kSysNotEmpty},        {win32::kBusy, msg::kSysResourceInUse},
    {win32::kAlreadyExists, msg::kSysExists},        {win32::kFilenameTooLong, msg::kSysNameTooLong},
    {win32::kFileTooLarge, msg::kSysFileTooLarge},   {win32::kDirectory, msg::kSysBadFolderName},
    {win32::kIoDevice, msg::kSysIoError},            {win32::kDeviceNotConnected, msg::kSysNotConnected},
    {win32::kCancelled, msg::kSysCancelledByUser},   {win32::kRequestAborted, msg::kSysCanceled},
    {win32::kTimeout, msg::kSysTimedOut},            {win32::kCantResolveFilename, msg::kSysLinkLoop},
    {win32::kBadFileType, msg::kSysNotAFile},
};

}  // namespace

bool ErrorText::IsOwnCode(Status code)
{
    return ((static_cast<std::uint32_t>(code) >> 16) & 0x1FFFu) == 4;
}

int ErrorText::MessageIdOf(Status code)
{
    const std::uint32_t key = (static_cast<std::uint32_t>(code) & 0xFFFFu) | 0x80040000u;
    for (const Row& row : kOwnCodes) {
        if (row.code == key)
            return row.message;
    }
    return 0;
}

int ErrorText::SystemMessageIdOf(std::uint32_t error)
{
    for (const Row& row : kSystemTexts) {
        if (row.code == error)
            return row.message;
    }
    return 0;
}

QString ErrorText::SystemLine(std::uint32_t error, const LanguageManager* languages)
{
    const int id = SystemMessageIdOf(error);
    QString message = languages && id != 0 ? languages->GetText(id) : QString();
    // The system's own text is English whatever the environment says.
    if (message.isEmpty())
        message = SystemError::Message(error);
    if (message.isEmpty())
        return {};
    QString line = languages ? languages->FormatText(msg::kSystemErrorLine, {error, message}) : QString();
    if (line.isEmpty()) {
        const QString number = QString::number(error, 16).toUpper().rightJustified(8, QLatin1Char('0'));
        line = QStringLiteral("System (0x%1): %2").arg(number, message);
    }
    return line;
}

QString FormatErrorText(const LanguageManager& languages, Status code, std::initializer_list<TextArg> args)
{
    QString text;
    if (ErrorText::IsOwnCode(code)) {
        const int id = ErrorText::MessageIdOf(code);
        // A text whose placeholders do not match still reads; only an empty
        // one falls back to the unknown-error text.
        if (id != 0)
            text = languages.FormatText(id, args);
        if (text.isEmpty())
            text = languages.FormatText(msg::kUnknownError, {static_cast<int>(code & 0xFFFF)});
    } else if (code == StatusFromWin32(win32::kStoppedOnSymlink)) {
        text = languages.GetText(msg::kLinkRefused);
    } else {
        text = ErrorText::SystemLine(static_cast<std::uint32_t>(code) & 0xFFFFu, &languages);
    }
    if (text.isEmpty())
        text = languages.GetText(msg::kGenericError);
    return text;
}

}  // namespace nbr
