#pragma once
// One Nimbra per user session: a lock file in the user's runtime folder that
// the running copy holds (on Windows the named mutex of the session). A second start finds it held and ends at once. The
// lock belongs to a process, so a copy that was killed leaves a stale lock
// that the next start takes over.

#include <QString>

#include <memory>

class QLockFile;

namespace nbr {

class SingleInstance {
public:
    static constexpr const char* kName = "Nimbra_Application_Mutex";

    // `folder` empty: the user's runtime folder (the temporary folder when
    // the system names none).
    explicit SingleInstance(const QString& folder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process now holds the lock (or already did); false
    // when another copy holds it.
    [[nodiscard]] bool TryAcquire();
    [[nodiscard]] bool IsHeld() const { return held_; }
    [[nodiscard]] QString Path() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
#ifdef _WIN32
    void* mutex_ = nullptr;  // the named mutex of the session
#endif
};

}  // namespace nbr
