#pragma once
// The one process-wide lock of writable manifests. Re-entrant, so that a
// thread may hold a folder's manifest while it works in a subfolder's;
// writers on different threads take turns.

namespace nbr {

class ManifestLock {
public:
    static void Enter();
    static void Leave();
};

}  // namespace nbr
