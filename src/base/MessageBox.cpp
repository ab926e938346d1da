#include "base/MessageBox.h"

#include "base/IMessageBoxAnswerer.h"
#include "base/MessageIds.h"

#include <atomic>

namespace nbr {
namespace {

std::atomic<IMessageBoxAnswerer*> g_answerer {nullptr};

constexpr MessageBoxButton kOrder[] = {
    {mb::kIdAbort, msg::kButtonAbort}, {mb::kIdOk, msg::kButtonOk},         {mb::kIdYes, msg::kButtonYes},
    {mb::kIdNo, msg::kButtonNo},       {mb::kIdRetry, msg::kButtonRetry},   {mb::kIdIgnore, msg::kButtonIgnore},
    {mb::kIdCancel, msg::kButtonCancel},
};
constexpr std::uint32_t kBits[] = {mb::kAbort, mb::kOk, mb::kYes, mb::kNo, mb::kRetry, mb::kIgnore, mb::kCancel};

}  // namespace

void MessageBox::Install(IMessageBoxAnswerer* answerer)
{
    g_answerer.store(answerer);
}

IMessageBoxAnswerer* MessageBox::Installed()
{
    return g_answerer.load();
}

std::vector<MessageBoxButton> MessageBox::Buttons(std::uint32_t mask)
{
    std::vector<MessageBoxButton> buttons;
    for (std::size_t i = 0; i < std::size(kBits); ++i) {
        if (mask & kBits[i])
            buttons.push_back(kOrder[i]);
    }
    return buttons;
}

std::uint32_t MessageBox::DefaultButton(std::uint32_t mask)
{
    if (mask & mb::kOk)
        return mb::kIdOk;
    const auto buttons = Buttons(mask);
    return buttons.empty() ? 0 : buttons.front().id;
}

std::uint32_t MessageBox::EscapeButton(std::uint32_t mask)
{
    const auto buttons = Buttons(mask);
    return buttons.empty() ? 0 : buttons.back().id;
}

std::uint32_t ShowMessageBox(const void* owner, const QString& title, const QString& text, std::uint32_t buttons,
                             int icon, int banner, const QString& checkText)
{
    IMessageBoxAnswerer* answerer = MessageBox::Installed();
    if (!answerer)
        return 0;
    return answerer->Answer(MessageBoxRequest {owner, title, text, buttons, icon, banner, checkText});
}

}  // namespace nbr
