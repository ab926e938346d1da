#pragma once
// nimbra-cli's answerer: asks on the terminal and reads the answer. Without a
// terminal nobody can answer, so the box takes its escape button and says so.

#include "base/IMessageBoxAnswerer.h"

namespace nbr {
class LanguageManager;
}

namespace nbr::cli {

class TerminalMessageBox final : public IMessageBoxAnswerer {
public:
    explicit TerminalMessageBox(const LanguageManager& languages) : languages_(languages) {}
    [[nodiscard]] std::uint32_t Answer(const MessageBoxRequest& request) override;

private:
    const LanguageManager& languages_;
};

}  // namespace nbr::cli
