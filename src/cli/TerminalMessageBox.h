#pragma once
// nimbra-cli's answerer: asks on the terminal and reads the answer. Without a
// terminal nobody can answer, so the box takes its escape button and says so.

#include "base/IMessageBoxAnswerer.h"

#include <QString>

namespace nbr {
class LanguageManager;
}

namespace nbr::cli {

class TerminalMessageBox final : public IMessageBoxAnswerer {
public:
    explicit TerminalMessageBox(const LanguageManager& languages) : languages_(languages) {}
    [[nodiscard]] std::uint32_t Answer(const MessageBoxRequest& request) override;

    // How long a "Retry" box is retried when no one can answer it: a second
    // a time, then the box gives up (answers no button), so that a file some
    // program keeps open forever cannot hold the command forever.
    static void SetUnattendedRetryLimit(int seconds);

private:
    const LanguageManager& languages_;
    QString retrying_;  // the text of the Retry box being retried
    int retries_ = 0;
};

}  // namespace nbr::cli
