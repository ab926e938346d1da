#pragma once
// Status codes of the encrypted store.

#include "platform/Status.h"

namespace nbr {

inline constexpr Status E_STORE_ITEM_EXISTS = MakeStatus(0x80040301u);
inline constexpr Status E_STORE_DISK_FULL = MakeStatus(0x80040302u);
inline constexpr Status E_STORE_MANIFEST = MakeStatus(0x80040303u);
inline constexpr Status E_STORE_BAD_NAME = MakeStatus(0x80040308u);
inline constexpr Status E_STORE_READ_ONLY = MakeStatus(0x8004030Cu);
// Some items of a transfer were left out; each was reported on its own.
inline constexpr Status E_STORE_NOT_ALL_STORED = MakeStatus(0x80040320u);
// The store folder holds items but no key: a new key would not open them.
inline constexpr Status E_STORE_HOLDS_ITEMS = MakeStatus(0x80040321u);
// The key file cannot be written: every login writes it to count attempts.
inline constexpr Status E_STICK_READ_ONLY = MakeStatus(0x80040322u);
// Opened copies that a program was still writing to were kept in the launch
// folder, neither stored nor wiped.
inline constexpr Status E_STORE_COPIES_KEPT = MakeStatus(0x80040323u);
// A typed folder name the rule for names takes but this system keeps for
// itself (on Windows a device name such as "CON", or a trailing dot).
inline constexpr Status E_STORE_NAME_RESERVED = MakeStatus(0x80040324u);
// Something other than a folder holds the launch folder's place on the stick.
inline constexpr Status E_STORE_LAUNCH_BLOCKED = MakeStatus(0x80040325u);

}  // namespace nbr
