#include "ui/controls/SecretField.h"

#include <QLineEdit>

#include <algorithm>

namespace nbr {

void SecretField::Wipe(QLineEdit* field)
{
    if (!field)
        return;
    // Shares the field's buffer; once the field lets go, this is its only
    // owner and is zeroed in place (were it shared still, a copy would be).
    QString held = field->text();
    field->clear();
    std::fill(held.data(), held.data() + held.size(), QChar(u'\0'));
}

}  // namespace nbr
