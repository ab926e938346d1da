#pragma once
// The key file as nimbra-cli commands use it: opened (and locked) on the
// store's volume, with the record and property store attached, the login
// steps with their messages, and the save and wipe jobs with progress.

#include "security/PropertyStore.h"
#include "security/SecParams.h"

#include <QString>

#include <memory>

namespace nbr {
class EncryptedStore;
class FileStream;
class Password;
struct ManifestEntry;
}

namespace nbr::cli {

struct CliContext;

class KeyFileSession {
public:
    explicit KeyFileSession(CliContext& context);
    ~KeyFileSession();
    KeyFileSession(const KeyFileSession&) = delete;
    KeyFileSession& operator=(const KeyFileSession&) = delete;

    // Opens the key file, creating the store folder first when `create`.
    // Returns an exit code; errors are already printed.
    [[nodiscard]] int Open(bool create);
    [[nodiscard]] bool IsSetUp() const { return setUp_; }
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
    [[nodiscard]] EncryptedStore& Store() { return *store_; }
    // Looks a display path up in `store`; prints why when it is not there.
    // Returns an exit code.
    [[nodiscard]] int Find(const EncryptedStore& store, const QString& displayPath, QString* storedPath,
                           ManifestEntry* entry);
    [[nodiscard]] bool Save();
    [[nodiscard]] bool Wipe(const QString& title);

    [[nodiscard]] SecParams& Params() { return params_; }
    [[nodiscard]] PropertyStore& Properties() { return properties_; }
    [[nodiscard]] QString StoreFolder() const;
    [[nodiscard]] QString KeyFile() const;

private:
    CliContext& context_;
    FileStream* stream_ = nullptr;
    SecParams params_;
    PropertyStore properties_;
    bool setUp_ = false;
    std::unique_ptr<EncryptedStore> store_;
};

}  // namespace nbr::cli
