#include "app/WizardNavigation.h"

#include "base/MessageIds.h"

namespace nbr {

WizardNavigation::Action WizardNavigation::GoTo(int index)
{
    if (index == count_) {
        completed_ = true;
        return Action::kComplete;
    }
    if (index < 0 || index > count_)
        return Action::kCancel;
    current_ = index;
    finishing_ = index == count_ - 1;
    return Action::kShowPage;
}

WizardNavigation::Action WizardNavigation::Escape(bool nextEnabled)
{
    if (!finishing_)
        return Action::kCancel;
    // The last page with Next still disabled (its save is running or
    // failed) stays as it is: the program ends from there if the save failed.
    if (!nextEnabled)
        return Action::kShowPage;
    finishing_ = false;
    return Next();
}

int WizardNavigation::NextLabelId() const
{
    return current_ == count_ - 1 ? msg::kButtonFinish : msg::kButtonNext;
}

}  // namespace nbr
