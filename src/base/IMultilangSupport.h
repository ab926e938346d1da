#pragma once
// A window whose texts come from the language packs: it reads them all again
// when the language changes.

namespace nbr {

class IMultilangSupport {
public:
    virtual ~IMultilangSupport() = default;
    virtual void UpdateTexts() = 0;
};

}  // namespace nbr
