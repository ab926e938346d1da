#include "cli/ErrorCounter.h"

#include "base/MessageBox.h"

namespace nbr::cli {

ErrorCounter::ErrorCounter(IMessageBoxAnswerer* next) : next_(next)
{
    MessageBox::Install(this);
}

ErrorCounter::~ErrorCounter()
{
    MessageBox::Install(next_);
}

std::uint32_t ErrorCounter::Answer(const MessageBoxRequest& request)
{
    if (request.icon == mb::kIconError)
        ++count_;
    return next_ ? next_->Answer(request) : 0;
}

}  // namespace nbr::cli
