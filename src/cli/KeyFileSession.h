#pragma once
// What nimbra-cli says around the program's store session: the errors of
// opening the key file, the password prompts and the terminal's retries of
// the login, and the progress line of the save and wipe jobs.

#include "app/StoreSession.h"

#include <QString>

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
    CliContext& context_;
    StoreSession session_;
};

}  // namespace nbr::cli
