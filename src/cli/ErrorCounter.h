#pragma once
// Counts the error boxes of a run while handing every box on: a worker that
// skips an item says so in a box and goes on, and the exit code must still
// tell that not everything was done. Installed for one command.

#include "base/IMessageBoxAnswerer.h"

#include <atomic>

namespace nbr::cli {

class ErrorCounter final : public IMessageBoxAnswerer {
public:
    explicit ErrorCounter(IMessageBoxAnswerer* next);
    ~ErrorCounter() override;
    ErrorCounter(const ErrorCounter&) = delete;
    ErrorCounter& operator=(const ErrorCounter&) = delete;

    [[nodiscard]] std::uint32_t Answer(const MessageBoxRequest& request) override;
    [[nodiscard]] int Count() const { return count_.load(); }

private:
    IMessageBoxAnswerer* next_;
    std::atomic<int> count_ {0};
};

}  // namespace nbr::cli
