#pragma once
// The controls of a dialog, addressed by number, as the language manager's
// SetItemText sets them.

#include <QString>

namespace nbr {

class IControlTexts {
public:
    virtual ~IControlTexts() = default;
    [[nodiscard]] virtual bool HasWindow() const = 0;
    virtual void SetControlText(int controlId, const QString& text) = 0;
};

}  // namespace nbr
