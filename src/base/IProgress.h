#pragma once
// Progress of a whole job (the first bar), as a worker reports it. Calls from
// any thread but the owner (the first to call Begin, or the one named with
// SetOwnerThread) are dropped, so one job has one reporter.

#include "base/TextFormatter.h"
#include "platform/Status.h"

#include <QtGlobal>

#include <cstdint>
#include <initializer_list>

namespace nbr {

class IProgress {
public:
    virtual ~IProgress() = default;
    virtual void Begin(std::uint32_t total) = 0;
    virtual void End(bool success) = 0;
    // Whether the bar is still within its maximum.
    virtual bool Step(std::uint32_t delta) = 0;
    // Shows an error: the text of `code` formatted with `args`, then the
    // system's line for `systemError` when it is not 0.
    virtual void ReportError(Status code, std::uint32_t systemError, std::initializer_list<TextArg> args = {}) = 0;
    virtual void SetOwnerThread(Qt::HANDLE thread) = 0;
};

}  // namespace nbr
