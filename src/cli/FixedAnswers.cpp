#include "cli/FixedAnswers.h"

#include "base/MessageBox.h"

namespace nbr::cli {

FixedAnswers::FixedAnswers(IMessageBoxAnswerer* next, bool fixed, bool yes) : next_(next), fixed_(fixed), yes_(yes)
{
    MessageBox::Install(this);
}

FixedAnswers::~FixedAnswers()
{
    MessageBox::Install(next_);
}

std::uint32_t FixedAnswers::Answer(const MessageBoxRequest& request)
{
    if (fixed_ && request.buttons == (mb::kYes | mb::kNo))
        return yes_ ? mb::kIdYes : mb::kIdNo;
    return next_ ? next_->Answer(request) : 0;
}

}  // namespace nbr::cli
