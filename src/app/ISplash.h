#pragma once
// Where start-up shows its progress texts: the splash screen, a terminal, or
// a recorder in tests.

#include <QString>

namespace nbr {

class ISplash {
public:
    virtual ~ISplash() = default;
    virtual void SetText(const QString& text) = 0;
};

}  // namespace nbr
