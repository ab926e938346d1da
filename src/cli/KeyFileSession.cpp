#include "cli/KeyFileSession.h"

#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/CliProgress.h"
#include "cli/ExitCode.h"
#include "cli/PasswordReader.h"
#include "platform/Terminal.h"
#include "security/Password.h"
#include "security/RecoveryKey.h"
#include "security/SecurityStatus.h"
#include "store/EncryptedStore.h"
#include "store/StoreStatus.h"

#include <algorithm>

namespace nbr::cli {
namespace {
constexpr int kTerminalTries = 3;
}

KeyFileSession::KeyFileSession(CliContext& context) : context_(context), session_(context.variables) {}

int KeyFileSession::Open(bool create)
{
    QString subject;
    const Status s = session_.Open(create, &subject);
    if (s == StatusFromWin32(win32::kSharingViolation))
        return context_.Error(context_.Text(msg::kCliKeyFileBusy));
    if (Failed(s))
        return context_.StatusError(s, subject);
    return kExitSuccess;
}

int KeyFileSession::NotSetUp()
{
    // No key beside stored items is a lost or emptied key file, not a stick
    // to set up: "use init" would lead to a key that opens none of them.
    if (session_.HoldsItems())
        return context_.StatusError(E_STORE_HOLDS_ITEMS);
    context_.Error(context_.Text(msg::kCliNotSetUp, {context_.root}));
    return ExitCodeOf(E_NOT_SET_UP);
}

int KeyFileSession::ReadPassword(const QString& prompt, bool fromPasswordFile, Password* password)
{
    LockedByteBlock bytes;
    const Status s = PasswordReader::Read(fromPasswordFile ? context_.passwordFile : QString(), prompt, &bytes);
    // The new password of passwd and recover comes from standard input even
    // with --password-file: the file is not what failed then.
    if (Failed(s))
        return context_.StatusError(s, fromPasswordFile ? context_.passwordFile : QString());
    if (s == S_FALSE)
        return context_.Error(context_.Text(msg::kCliNoPassword));
    // Taken as it is, such a password would lock the store for good: no one
    // can type it at a login.
    if (std::find(bytes.begin(), bytes.end(), std::uint8_t {0}) != bytes.end())
        return context_.Error(context_.Text(msg::kCliPasswordHasNul));
    if (!Password::FromUtf8(bytes.data(), bytes.size(), password))
        return context_.Error(context_.Text(msg::kCliInvalidUtf8));
    return kExitSuccess;
}

int KeyFileSession::Login(const QString& prompt, Password* used)
{
    const Status s = session_.BeginLogin();
    if (Failed(s))
        return context_.StatusError(s, KeyFile());
    const bool interactive = context_.passwordFile.isEmpty() && Terminal::IsTerminal(Terminal::kInput);
    const bool hardened = session_.IsHardened();
    bool attempted = false;
    for (int round = 0; round < (interactive ? kTerminalTries : 1); ++round) {
        Password password;
        if (const int code = ReadPassword(prompt, true, &password); code != kExitSuccess)
            return code;
        // An empty line is no guess at the password but a source that gave
        // none: a script's unset variable, Enter pressed too soon. Counted,
        // ten runs of such a script would destroy the store.
        if (password.Length() == 0) {
            context_.Error(context_.Text(msg::kCliNoPassword));
            continue;
        }
        attempted = true;
        LoginOutcome outcome;
        const auto attempt = [&] { outcome = session_.Attempt(password); };
        if (hardened)
            RunBusy(context_.Text(msg::kTitleCheckingPassword), attempt);
        else
            attempt();
        const int code = Answer(outcome);
        if (code == kExitSuccess && used)
            *used = password;
        if (code != kTryAgain)
            return code;
    }
    return attempted ? ExitCodeOf(E_WRONG_PASSWORD) : kExitFailure;
}

int KeyFileSession::ReadRecoveryKey(LockedByteBlock* key)
{
    // --password-file holds the new password, not this.
    Password typed;
    if (const int code = ReadPassword(context_.Text(msg::kCliRecoveryKeyPrompt), false, &typed); code != kExitSuccess)
        return code;
    const Status parsed = RecoveryKey::Parse(typed.View(), key);
    return Failed(parsed) ? context_.StatusError(parsed) : kExitSuccess;
}

int KeyFileSession::LoginWithRecoveryKey(const LockedByteBlock& key)
{
    const Status s = session_.BeginLogin();
    if (Failed(s))
        return context_.StatusError(s, KeyFile());
    const int code = Answer(session_.AttemptRecovery(key));
    return code == kTryAgain ? ExitCodeOf(E_WRONG_RECOVERY_KEY) : code;
}

int KeyFileSession::Answer(const LoginOutcome& outcome)
{
    switch (outcome.kind) {
    case LoginOutcome::kLoggedIn:
        return kExitSuccess;
    case LoginOutcome::kFatal:
        if (outcome.messageId != 0)
            context_.Error(outcome.argument >= 0 ? context_.Text(outcome.messageId, {outcome.argument})
                                                 : context_.Text(outcome.messageId));
        return context_.StatusError(outcome.status, KeyFile());
    case LoginOutcome::kRefused:
    case LoginOutcome::kWipe:
        if (outcome.messageId != 0 && outcome.argument >= 0)
            context_.Error(context_.Text(outcome.messageId, {outcome.argument}));
        else if (outcome.messageId != 0)
            context_.Error(context_.Text(outcome.messageId));
        else if (Failed(outcome.status))
            context_.StatusError(outcome.status);
        break;
    }
    if (outcome.kind == LoginOutcome::kWipe) {
        (void)Wipe(QString());
        context_.Error(context_.Text(msg::kStoreDestroyed));
        return ExitCodeOf(E_WRONG_PASSWORD);
    }
    if (outcome.lastChance)
        context_.Error(context_.Text(msg::kOneAttemptLeft));
    if (Failed(outcome.status) && outcome.status != E_WRONG_PASSWORD && outcome.status != E_WRONG_RECOVERY_KEY)
        return ExitCodeOf(outcome.status);
    return kTryAgain;
}

void KeyFileSession::RunBusy(const QString& title, const std::function<void()>& work)
{
    CliProgress progress(context_);
    (void)KeyFileJobs::RunBusy(work, progress.Dialog(), title);
}

int KeyFileSession::ApplyPasswordChange(bool slow, const std::function<PasswordChange()>& change)
{
    PasswordChange result;
    const auto apply = [&] { result = change(); };
    if (slow)
        RunBusy(context_.Text(msg::kTitleProtectingKey), apply);
    else
        apply();
    if (Failed(result.status))
        return context_.StatusError(result.status);
    if (!result.changed) {
        return context_.Error(result.argument >= 0 ? context_.Text(result.messageId, {result.argument})
                                                   : context_.Text(result.messageId));
    }
    // The key in memory and on the stick must agree: a failed save is an error.
    if (!Save())
        return context_.StatusError(E_SAVE_FAILED);
    if (!context_.quiet)
        context_.out << context_.Text(result.messageId) << '\n';
    return kExitSuccess;
}

int KeyFileSession::OpenExisting()
{
    if (const int code = Open(false); code != kExitSuccess)
        return code;
    return IsSetUp() ? kExitSuccess : NotSetUp();
}

int KeyFileSession::Unlock()
{
    if (const int code = OpenExisting(); code != kExitSuccess)
        return code;
    return Login(context_.Text(msg::kCliPasswordPrompt));
}

int KeyFileSession::Find(const EncryptedStore& store, const QString& displayPath, QString* storedPath,
                         ManifestEntry* entry)
{
    const Status s = store.Resolve(CliArguments::StorePath(displayPath), storedPath, entry);
    if (s == StatusFromWin32(win32::kFileNotFound) || s == StatusFromWin32(win32::kPathNotFound))
        return context_.Error(context_.Text(msg::kCliNotFound, {displayPath}));
    if (Failed(s))
        return context_.StatusError(s, displayPath);
    return kExitSuccess;
}

int KeyFileSession::UnlockStore()
{
    const int code = Unlock();
    if (code == kExitSuccess)
        (void)session_.Store();
    return code;
}

bool KeyFileSession::Save()
{
    CliProgress progress(context_);
    return session_.Save(progress.Dialog(), context_.languages);
}

bool KeyFileSession::Wipe(const QString& title)
{
    CliProgress progress(context_);
    return session_.Wipe(progress.Dialog(), title);
}

}  // namespace nbr::cli
