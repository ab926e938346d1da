#pragma once
// The key file's record and the master key: created under a password at the
// first run, unlocked by the login (or by the recovery key), rewrapped by a
// password change, saved with a fresh integrity code, erased by a wipe. The
// record and the key live in the locked arena (LockedMemory.h): locked in
// memory where the system allows, out of core dumps, and zeroed when no
// longer valid.
//
// A record is plain (the password hashed as it is) or hardened (the
// password stretched by Argon2id first, KeyStretch). Hardened, every
// operation that takes a password costs about a second: callers run them
// behind a progress window.

#include "platform/Status.h"
#include "security/Argon2id.h"
#include "security/LockedMemory.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace nbr {

class FileStream;
class IRandomSource;
class PropertyStore;

class SecParams {
public:
    static constexpr std::size_t kMasterKeyLength = 32;
    static constexpr std::size_t kMaxPasswordBytes = 0xFFFF;

    SecParams();
    ~SecParams();
    SecParams(const SecParams&) = delete;
    SecParams& operator=(const SecParams&) = delete;

    void AttachStream(FileStream* stream) { stream_ = stream; }
    // Whether the key file starts with the magic: false means "not set up".
    [[nodiscard]] Status HasKeyFile(bool* has);
    // What the key area of the file holds: a key; nothing, as an empty file
    // or the zeros a reset leaves; or anything else, which is a key file
    // damaged (or not ours) that must never be taken for "not set up".
    enum class KeyArea { Key, Blank, Foreign };
    [[nodiscard]] Status ReadKeyArea(KeyArea* area);
    // Whether the record on the stick is hardened; no password needed.
    [[nodiscard]] Status ReadHardened(bool* hardened);
    // Password bytes are UTF-16LE code units without terminator. With
    // `harden`, the record is hardened at that cost.
    [[nodiscard]] Status CreateNew(const std::uint8_t* password, std::size_t count,
                                   const Argon2id::Cost* harden = nullptr);
    [[nodiscard]] Status Unlock(const std::uint8_t* password, std::size_t count);
    // The login with the recovery key (the master key itself) instead of
    // the password: E_WRONG_RECOVERY_KEY when it does not open the record.
    [[nodiscard]] Status Recover(const std::uint8_t* key, std::size_t length);
    [[nodiscard]] bool VerifyPassword(const std::uint8_t* password, std::size_t count) const;
    // All or nothing: on failure the record stays as it was. The record
    // stays plain or hardened (at its cost, with a new salt).
    [[nodiscard]] Status ChangePassword(const std::uint8_t* password, std::size_t count);
    // A password change that also sets how the record keeps it: hardened at
    // `harden`'s cost, or plain without. The master key stays.
    [[nodiscard]] Status Rewrap(const std::uint8_t* password, std::size_t count, const Argon2id::Cost* harden);
    // The unlocked record is hardened; `cost` (optional) gets its cost.
    [[nodiscard]] bool IsHardened(Argon2id::Cost* cost = nullptr) const;
    // Magic and record, and the property records `staged` keeps back (when
    // given), reach the device in one replacement of the key file: after a
    // crash the file holds the old record or the new one, never a part.
    [[nodiscard]] Status Save(PropertyStore* staged = nullptr);
    [[nodiscard]] bool Erase();

    [[nodiscard]] const std::uint8_t* GetMasterKey() const;
    [[nodiscard]] std::size_t GetMasterKeyLength() const;
    [[nodiscard]] bool IsUnlocked() const { return unlocked_; }
    void ClearMemory();

    // Checks a password against record bytes on their own and, on success,
    // gives the master key.
    [[nodiscard]] static Status VerifyRecord(const std::uint8_t* password, std::size_t count,
                                             const std::uint8_t* record, std::size_t size,
                                             LockedByteBlock* masterKey);
    // The same with a recovery key: the record's integrity code is the check.
    [[nodiscard]] static Status VerifyRecoveryKey(const std::uint8_t* key, std::size_t length,
                                                  const std::uint8_t* record, std::size_t size,
                                                  LockedByteBlock* masterKey);
    // Test seam: draw every random value from `source` (not owned).
    void SetRandomSource(IRandomSource* source) { random_ = source; }

private:
    [[nodiscard]] Status Draw(std::uint8_t* out, std::size_t count);
    // Wraps the master key under the password into `record`, stretched
    // first when `harden` is given.
    [[nodiscard]] Status WrapUnder(const std::uint8_t* password, std::size_t count, const Argon2id::Cost* harden,
                                   std::uint8_t* record);
    // The record's bytes from the stick (after the magic) into `bytes`.
    [[nodiscard]] Status ReadRecord(LockedByteBlock* bytes);
    // Takes `key` as the master key of the record in `bytes`.
    void Take(const LockedByteBlock& bytes, const LockedByteBlock& key);
    // Reads the record and takes the master key `verify` finds in it (by the
    // password or by the recovery key); nothing is kept when it fails.
    using RecordCheck = std::function<Status(const std::uint8_t* record, std::size_t size, LockedByteBlock* key)>;
    [[nodiscard]] Status OpenWith(const RecordCheck& verify);
    [[nodiscard]] Status Seal();

    LockedByteBlock record_;
    LockedByteBlock masterKey_;
    bool unlocked_ = false;
    FileStream* stream_ = nullptr;
    IRandomSource* random_ = nullptr;
};

}  // namespace nbr
