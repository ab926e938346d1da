#include "platform/CreationPolicy.h"

namespace nbr {
namespace {
constexpr CreationPolicy kEveryone(0666, 0777);
}

const CreationPolicy* CreationPolicy::StoreSecurityAttributes()
{
    return &kEveryone;
}

const CreationPolicy& CreationPolicy::OrDefault(const CreationPolicy* policy)
{
    return policy ? *policy : kEveryone;
}

}  // namespace nbr
