#include "app/CleanShutdown.h"

#include "security/KeyFileLayout.h"
#include "security/PropertyStore.h"
#include "security/SecurityStatus.h"

#include <cstdint>

namespace nbr {

Status CleanShutdown::Begin(PropertyStore& properties, bool* wasClean)
{
    std::int32_t value = 1;
    const Status read = properties.ReadInt(KeyFileLayout::kSlotCleanShutdown, &value);
    if (read == E_PROP_NOT_FOUND)
        value = 1;
    else if (Failed(read))
        return read;
    if (wasClean)
        *wasClean = value != 0;
    return properties.WriteInt(KeyFileLayout::kSlotCleanShutdown, 0);
}

Status CleanShutdown::MarkClean(PropertyStore& properties)
{
    return properties.WriteInt(KeyFileLayout::kSlotCleanShutdown, 1);
}

}  // namespace nbr
