#pragma once
// Answers the "it exists already" questions as --overwrite or --skip said,
// and hands every other box to the terminal. Installed for one command.

#include "base/IMessageBoxAnswerer.h"

namespace nbr::cli {

class FixedAnswers final : public IMessageBoxAnswerer {
public:
    // `yes`: the answer to yes/no questions; none when `fixed` is false.
    FixedAnswers(IMessageBoxAnswerer* next, bool fixed, bool yes);
    ~FixedAnswers() override;
    FixedAnswers(const FixedAnswers&) = delete;
    FixedAnswers& operator=(const FixedAnswers&) = delete;

    [[nodiscard]] std::uint32_t Answer(const MessageBoxRequest& request) override;

private:
    IMessageBoxAnswerer* next_;
    bool fixed_;
    bool yes_;
};

}  // namespace nbr::cli
