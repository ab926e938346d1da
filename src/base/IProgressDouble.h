#pragma once
// Progress of the current file (the second bar).

#include "base/IProgress.h"

namespace nbr {

class IProgressDouble : public virtual IProgress {
public:
    virtual void BeginFile(std::uint32_t total) = 0;
    virtual void EndFile(std::uint32_t ignored) = 0;
    virtual bool StepFile(std::uint32_t delta) = 0;
};

}  // namespace nbr
