#pragma once
// Empties a password field so that the password does not linger: the text
// the field holds is zeroed where it lies rather than freed with the
// password in it. What Qt's line edit kept of earlier keystrokes (each edit
// makes a new buffer and frees the old one unzeroed) is out of reach.

class QLineEdit;

namespace nbr {

class SecretField {
public:
    static void Wipe(QLineEdit* field);
};

}  // namespace nbr
