#pragma once
// Where the setup wizard goes from a key press, without a window: the page
// index, the Next button's label and state, the finishing flag of the last
// page and the completed flag read after the wizard has closed.

namespace nbr {

class WizardNavigation {
public:
    enum class Action {
        kShowPage,  // show Current(); Next waits for the page to enable it
        kComplete,  // the wizard finished: end it with OK
        kCancel,    // end it with Cancel
    };

    explicit WizardNavigation(int pageCount) : count_(pageCount) {}

    // Goes to page `index`; past the last page completes the wizard.
    Action GoTo(int index);
    Action Next() { return GoTo(current_ + 1); }
    Action Prev() { return GoTo(current_ - 1); }
    // Escape or the close box: cancels before the last page; on the last
    // page it finishes when Next is enabled instead of losing the setup, and
    // else keeps the page as it is (kShowPage: nothing to do).
    Action Escape(bool nextEnabled);

    [[nodiscard]] int Current() const { return current_; }
    [[nodiscard]] int Count() const { return count_; }
    [[nodiscard]] bool PrevEnabled() const { return current_ > 0; }
    // The text number of the Next button's label.
    [[nodiscard]] int NextLabelId() const;
    [[nodiscard]] bool IsFinishing() const { return finishing_; }
    [[nodiscard]] bool IsCompleted() const { return completed_; }

private:
    int count_;
    int current_ = 0;
    bool finishing_ = false;
    bool completed_ = false;
};

}  // namespace nbr
