#pragma once
// Gives each control of one window its own Alt+letter, chosen from the
// control's own text, so that a window works from the keyboard in every
// language without the packs having to carry '&' marks of their own.
//
// Controls are served in the order given (the first ones are the most used):
// first every control gets the first letter of one of its words that no
// earlier control took; those still without one then get any free letter
// of their text; a control whose letters are all taken gets none. Only the
// letters a to z count: an accented letter cannot be typed with Alt on
// every keyboard the languages are used with, and 'é' is told from 'e'.

#include <QString>
#include <QStringList>

namespace nbr {

class MnemonicAssigner {
public:
    // `plain`: the texts as shown, without marks. Returns them marked: '&'
    // before the chosen letter, and every '&' of the text itself doubled so
    // that it is drawn as it stands. A text whose pack marks a letter already
    // ("&Current password:", a '&' right before a letter a to z) keeps that
    // letter when no text before it took the same one.
    [[nodiscard]] static QStringList Assign(const QStringList& plain);
    // The letter a marked text answers to (lower case), or 0 for none.
    [[nodiscard]] static QChar LetterOf(const QString& marked);
    // A marked text as it is drawn: marks removed, doubled '&' made single.
    [[nodiscard]] static QString Plain(const QString& marked);
};

}  // namespace nbr
