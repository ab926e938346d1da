#include "platform/CreationPolicy.h"

namespace nbr {
namespace {
constexpr CreationPolicy kEveryone(0666, 0777);
constexpr CreationPolicy kOwnerOnly(0600, 0700);
#ifdef _WIN32
// Flushing a whole volume takes administrator rights on Windows: files
// written in numbers are flushed one by one there.
constexpr CreationPolicy kEveryoneBatch(0666, 0777, true);
#else
constexpr CreationPolicy kEveryoneBatch(0666, 0777, false);
#endif
}

const CreationPolicy* CreationPolicy::StoreSecurityAttributes()
{
    return &kEveryone;
}

const CreationPolicy* CreationPolicy::StoreBatch()
{
    return &kEveryoneBatch;
}

const CreationPolicy* CreationPolicy::Private()
{
    return &kOwnerOnly;
}

const CreationPolicy& CreationPolicy::OrDefault(const CreationPolicy* policy)
{
    return policy ? *policy : kEveryone;
}

}  // namespace nbr
