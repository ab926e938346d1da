#pragma once
// The login steps, independent of any window: the failed-login counter in the
// key file is raised before the password is looked at, so ten failures in a
// row count across runs and restarts; the tenth destroys the key and the
// store, and a counter already past it wipes at once. A try that the key
// file fails, not the password, is taken back once that is known.

#include "platform/Status.h"
#include "security/LockedMemory.h"

#include <cstdint>
#include <functional>

namespace nbr {

class Password;
class PropertyStore;
class SecParams;

struct LoginOutcome {
    enum Kind {
        kLoggedIn,   // unlocked; the counter is 0 again
        kRefused,    // this attempt failed; try again
        kWipe,       // the limit is reached: wipe, say so and end
        kFatal,      // the counter cannot be kept: show the text (if any) and the status, and end
    };
    Kind kind = kRefused;
    int messageId = 0;      // the error of this attempt (0: the status's text, if any)
    int argument = -1;
    Status status = S_OK;
    bool lastChance = false;  // also warn that one attempt is left
    std::int32_t counter = 0;
    // False when the key file failed, not the password (damaged, unreadable,
    // or a key that fails its check under a password that verified): no
    // guess was judged, so the try was taken back off the counter.
    bool counted = true;
};

class LoginAttempts {
public:
    static constexpr std::int32_t kWarnAt = 9;
    static constexpr std::int32_t kWipeAt = 10;

    LoginAttempts(SecParams& params, PropertyStore& properties) : params_(params), properties_(properties) {}

    // Reads the counter; a missing one is 0 and is written so, one outside
    // 0..10 counts as 10.
    [[nodiscard]] Status Open();
    [[nodiscard]] LoginOutcome Attempt(const Password& password);
    // An attempt with the recovery key (the master key, read from what was
    // typed by RecoveryKey) in place of the password; it counts the same.
    [[nodiscard]] LoginOutcome AttemptRecovery(const LockedByteBlock& key);
    [[nodiscard]] std::int32_t Counter() const { return counter_; }

private:
    // The steps around one check: count, wipe when past the limit, run
    // `check` (a status, or a message id of its own), reset on success.
    [[nodiscard]] LoginOutcome Count(const std::function<void(LoginOutcome&)>& check);

    SecParams& params_;
    PropertyStore& properties_;
    std::int32_t counter_ = 0;
};

}  // namespace nbr
