#pragma once
// Status codes of the cipher engine, the encrypted file format and the key file.

#include "platform/Status.h"

namespace nbr {

inline constexpr Status E_WRONG_PASSWORD = MakeStatus(0x8004C051u);
inline constexpr Status E_ALGORITHM_MISMATCH = MakeStatus(0x8004C054u);
inline constexpr Status E_BUFFER_TOO_SMALL = MakeStatus(0x8004C055u);
inline constexpr Status E_NOT_ENCRYPTING = MakeStatus(0x8004C056u);
inline constexpr Status E_NOT_DECRYPTING = MakeStatus(0x8004C057u);
inline constexpr Status E_INTEGRITY = MakeStatus(0x8004C058u);
inline constexpr Status E_KEY_TOO_SHORT = MakeStatus(0x8004C059u);
inline constexpr Status E_KEY_TOO_LONG = MakeStatus(0x8004C05Au);
inline constexpr Status E_BAD_STATE = MakeStatus(0x8004C05Bu);
inline constexpr Status E_SAVE_FAILED = MakeStatus(0x8004C05Cu);
inline constexpr Status E_BAD_HEADER = MakeStatus(0x8004C05Du);
inline constexpr Status E_HEADER_READ = MakeStatus(0x8004C05Eu);
inline constexpr Status E_NO_KEY_STREAM = MakeStatus(0x8004C05Fu);
inline constexpr Status E_KEY_FILE_SHORT = MakeStatus(0x8004C060u);
// A file's length does not match its header: cut short, or grown.
inline constexpr Status E_FILE_DAMAGED = MakeStatus(0x8004C061u);
// The file being encrypted became shorter than it was when it was opened
// (another program writes it): its header would promise content it lacks.
inline constexpr Status E_SOURCE_SHRANK = MakeStatus(0x8004C063u);
// The volume has no key file yet: the store was never set up (or was reset).
inline constexpr Status E_NOT_SET_UP = MakeStatus(0x8004C062u);

// A hardened key file asks more of one password check than any computer of
// ours would be tuned to: damaged, or made to keep a login busy for good.
inline constexpr Status E_STRETCH_COST = MakeStatus(0x80040340u);
// The password could not be stretched for a reason other than memory.
inline constexpr Status E_STRETCH_FAILED = MakeStatus(0x80040341u);
// A recovery key whose letters or checksum do not add up: a typing error,
// found without the key file, so it is not counted as a login attempt.
inline constexpr Status E_RECOVERY_KEY_TYPO = MakeStatus(0x80040342u);
// A well-formed recovery key that does not open this key file.
inline constexpr Status E_WRONG_RECOVERY_KEY = MakeStatus(0x80040343u);

inline constexpr Status E_PROP_RANGE = MakeStatus(0x80040309u);
inline constexpr Status E_PROP_NO_STREAM = MakeStatus(0x8004030Au);
inline constexpr Status E_PROP_NOT_FOUND = MakeStatus(0x8004030Bu);
inline constexpr Status E_PROP_BAD_LENGTH = MakeStatus(0x8004030Du);
inline constexpr Status E_PROP_WRITE = MakeStatus(0x8004030Eu);

}  // namespace nbr
