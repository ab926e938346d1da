#include "security/LoginAttempts.h"

#include "base/MessageIds.h"
#include "security/KeyFileLayout.h"
#include "security/Password.h"
#include "security/PasswordRules.h"
#include "security/PropertyStore.h"
#include "security/SecParams.h"
#include "security/SecurityStatus.h"

#include <algorithm>

namespace nbr {
namespace {

// What the key file's record answers when it cannot be read as one, or its
// key fails the integrity check.
bool IsDamagedKeyFile(Status s)
{
    return s == E_INTEGRITY || s == E_BAD_STATE || s == E_BUFFER_TOO_SMALL || s == E_INVALIDARG;
}

}  // namespace

Status LoginAttempts::Open()
{
    std::int32_t stored = 0;
    Status s = properties_.ReadInt(KeyFileLayout::kSlotFailedLogins, &stored);
    if (s == E_PROP_NOT_FOUND) {
        counter_ = 0;
        return properties_.WriteInt(KeyFileLayout::kSlotFailedLogins, 0);
    }
    // Anyone holding the stick can write the counter: a value no login of
    // ours leaves behind (negative, or past the limit, where adding one
    // would overflow) means the limit is reached.
    if (Succeeded(s))
        counter_ = stored < 0 || stored > kWipeAt ? kWipeAt : stored;
    return s;
}

LoginOutcome LoginAttempts::Attempt(const Password& password)
{
    return Count([&](LoginOutcome& outcome) {
        Password typed = password;
        typed.Truncate(PasswordRules::kLoginMaxLength);
        if (typed.Length() < PasswordRules::kMinLength) {
            outcome.messageId = msg::kPasswordTooShort;
            outcome.argument = static_cast<int>(PasswordRules::kMinLength);
            return;
        }
        const LockedByteBlock bytes = typed.Bytes();
        outcome.status = params_.Unlock(bytes.data(), bytes.size());
        if (outcome.status == E_WRONG_PASSWORD)
            outcome.messageId = msg::kLoginWrongPassword;
        else
            outcome.counted = Succeeded(outcome.status);
    });
}

LoginOutcome LoginAttempts::AttemptRecovery(const LockedByteBlock& key)
{
    return Count([&](LoginOutcome& outcome) {
        outcome.status = params_.Recover(key.data(), key.size());
        if (outcome.status == E_WRONG_RECOVERY_KEY)
            outcome.messageId = msg::kRecoveryKeyWrong;
        else
            outcome.counted = Succeeded(outcome.status);
    });
}

LoginOutcome LoginAttempts::Count(const std::function<void(LoginOutcome&)>& check)
{
    LoginOutcome outcome;
    // The attempt counts, on the device, before anything else, so that
    // pulling the stick or killing the program cannot undo it.
    counter_ = std::min(counter_, kWipeAt) + 1;
    outcome.counter = counter_;
    outcome.status = properties_.WriteInt(KeyFileLayout::kSlotFailedLogins, counter_);
    if (Failed(outcome.status)) {
        outcome.kind = LoginOutcome::kFatal;
        return outcome;
    }
    if (counter_ > kWipeAt) {
        outcome.kind = LoginOutcome::kWipe;  // without looking at the password
        return outcome;
    }

    check(outcome);
    if (outcome.messageId == 0 && Succeeded(outcome.status) && params_.IsUnlocked()) {
        outcome.status = properties_.WriteInt(KeyFileLayout::kSlotFailedLogins, 0);
        if (Failed(outcome.status)) {
            // Carrying on would leave failures on the stick that the next
            // wrong guesses add to, up to a wipe nobody expects.
            params_.ClearMemory();
            outcome.kind = LoginOutcome::kFatal;
            outcome.messageId = msg::kLoginCounterNotReset;
            outcome.argument = counter_;
            return outcome;
        }
        counter_ = 0;
        outcome.counter = 0;
        outcome.kind = LoginOutcome::kLoggedIn;
        return outcome;
    }
    if (!outcome.counted) {
        // The counter stops guessing; a try the key file failed guessed
        // nothing, and ten of them with the right password would destroy a
        // store that a kept copy of the key file still opens.
        if (Failed(properties_.WriteInt(KeyFileLayout::kSlotFailedLogins, counter_ - 1))) {
            outcome.counted = true;  // it stays on the stick: count it here too
        } else {
            counter_ -= 1;
            outcome.counter = counter_;
            if (outcome.messageId == 0 && IsDamagedKeyFile(outcome.status))
                outcome.messageId = msg::kKeyFileDamagedNotCounted;
            return outcome;
        }
    }
    if (counter_ == kWarnAt)
        outcome.lastChance = true;
    if (counter_ >= kWipeAt)
        outcome.kind = LoginOutcome::kWipe;
    return outcome;
}

}  // namespace nbr
