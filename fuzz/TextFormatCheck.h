#pragma once
// Checks shared by the harnesses that reach pack texts: a text formatted with
// any arguments stays bounded, and a text whose placeholders all get fitting
// arguments formats cleanly.

#include <QString>

namespace nbr::fuzz {

void CheckFormatText(const QString& format);

}  // namespace nbr::fuzz
