#include "platform/UndecodableNames.h"

// Windows names are UTF-16, which the program's strings hold as they are
// (unpaired surrogates included): every file can be spelled by its path, so
// there is nothing for a walk by handles to find.
namespace nbr {

Status UndecodableNames::List(const QString& /*folder*/, QStringList* shown)
{
    shown->clear();
    return S_OK;
}

Status UndecodableNames::WipeAll(const QString& /*folder*/, QStringList* shown)
{
    shown->clear();
    return S_OK;
}

}  // namespace nbr
