#pragma once
// What nimbra-cli says around the program's store session: the errors of
// opening the key file, the password prompts and the terminal's retries of
// the login, and the progress line of the save and wipe jobs.

#include "app/StoreSession.h"

#include <QString>

#include <functional>

namespace nbr {
class EncryptedStore;
class Password;
struct ManifestEntry;
}

namespace nbr::cli {

struct CliContext;

class KeyFileSession {
public:
    explicit KeyFileSession(CliContext& context);
    KeyFileSession(const KeyFileSession&) = delete;
    KeyFileSession& operator=(const KeyFileSession&) = delete;

    // Opens the key file, creating the store folder first when `create`.
    // Returns an exit code; errors are already printed.
    [[nodiscard]] int Open(bool create);
    [[nodiscard]] bool IsSetUp() const { return session_.IsSetUp(); }
    // Prints that there is no store yet; returns the exit code for it.
    [[nodiscard]] int NotSetUp();
    // The login steps with the password from the usual sources; a terminal
    // may try again while the attempts last. `used` (optional) gets the
    // password that unlocked. Returns an exit code.
    [[nodiscard]] int Login(const QString& prompt, Password* used = nullptr);
    // Reads the recovery key from the terminal or standard input (never
    // from --password-file); a mistyped one is said here, and no attempt
    // is counted for it. Returns an exit code.
    [[nodiscard]] int ReadRecoveryKey(LockedByteBlock* key);
    // The login steps with the recovery key in place of the password; once
    // logged in, the caller sets the new password. Returns an exit code.
    [[nodiscard]] int LoginWithRecoveryKey(const LockedByteBlock& key);
    // Runs `work` with the progress line titled `title`: the stretching of
    // a hardened key file takes a second or more.
    void RunBusy(const QString& title, const std::function<void()>& work);
    // Makes a password change (behind the progress line when `slow`), says
    // why when it was refused, saves the key file and says it is done.
    // Returns an exit code.
    [[nodiscard]] int ApplyPasswordChange(bool slow, const std::function<PasswordChange()>& change);
    // Reads one password; prints why when there is none. Returns an exit code.
    [[nodiscard]] int ReadPassword(const QString& prompt, bool fromPasswordFile, Password* password);
    // Opens the key file of a store that must be set up already; says so when it is not.
    [[nodiscard]] int OpenExisting();
    // Open, require a store, and log in: what every store command does first.
    [[nodiscard]] int Unlock();
    // Unlock, then the store itself is ready in Store().
    [[nodiscard]] int UnlockStore();
    [[nodiscard]] EncryptedStore& Store() { return session_.Store(); }
    // Looks a display path up in `store`; prints why when it is not there.
    // Returns an exit code.
    [[nodiscard]] int Find(const EncryptedStore& store, const QString& displayPath, QString* storedPath,
                           ManifestEntry* entry);
    [[nodiscard]] bool Save();
    [[nodiscard]] bool Wipe(const QString& title);

    [[nodiscard]] StoreSession& Session() { return session_; }
    [[nodiscard]] SecParams& Params() { return session_.Params(); }
    [[nodiscard]] PropertyStore& Properties() { return session_.Properties(); }
    [[nodiscard]] QString StoreFolder() const { return session_.StoreFolder(); }
    [[nodiscard]] QString KeyFile() const { return session_.KeyFile(); }

private:
    static constexpr int kTryAgain = -1;
    // Says what `outcome` came to and wipes when it asks for it: success
    // when logged in, kTryAgain when a refused attempt may be followed by
    // another, else the exit code.
    [[nodiscard]] int Answer(const LoginOutcome& outcome);

    CliContext& context_;
    StoreSession session_;
};

}  // namespace nbr::cli
