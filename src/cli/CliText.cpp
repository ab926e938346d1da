#include "cli/CliText.h"

#include "platform/SystemError.h"
#include "security/SecurityStatus.h"

namespace nbr::cli {
namespace {

struct Row {
    Status status;
    const char* text;
};

constexpr Row kTexts[] = {
    {E_ALGORITHM_MISMATCH, "The file was encrypted with another algorithm."},
    {E_BUFFER_TOO_SMALL, "A buffer is too small, or data does not end on a whole cipher block."},
    {E_NOT_ENCRYPTING, "Encryption has not been started."},
    {E_NOT_DECRYPTING, "Decryption has not been started."},
    {E_INTEGRITY, "The file's key does not verify: wrong key, or the file is damaged."},
    {E_KEY_TOO_SHORT, "The key is too short."},
    {E_KEY_TOO_LONG, "The key is too long."},
    {E_BAD_STATE, "The operation is not allowed in the current state."},
    {E_BAD_HEADER, "The file header is damaged or this is not an encrypted file."},
    {E_HEADER_READ, "The file header could not be read completely."},
    {E_WRONG_PASSWORD, "The password is wrong."},
    {E_INVALIDARG, "An argument is not valid."},
    {E_OUTOFMEMORY, "Not enough memory."},
    {E_UNEXPECTED, "Unexpected failure."},
    {E_FAIL, "The operation failed."},
};

}  // namespace

QString CliText::StatusText(Status status)
{
    for (const Row& row : kTexts) {
        if (row.status == status)
            return QString::fromUtf8(row.text);
    }
    const QString hex = QStringLiteral("%1").arg(static_cast<std::uint32_t>(status), 8, 16, QLatin1Char('0')).toUpper();
    if (IsWin32Status(status))
        return QStringLiteral("System (0x%1): %2").arg(hex, SystemError::Message(Win32FromStatus(status)));
    return QStringLiteral("Error 0x%1").arg(hex);
}

}  // namespace nbr::cli
