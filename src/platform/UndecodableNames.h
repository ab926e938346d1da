#pragma once
// Files whose name (or a folder's name on the way to them) is not UTF-8:
// no path the program can spell reaches them, so they are found and removed
// here by walking the folders as opened handles, without following links.
// The paths handed back are for people to read: the undecodable bytes show
// as replacement characters, relative to the folder walked.

#include "platform/Status.h"

#include <QString>
#include <QStringList>

namespace nbr {

class UndecodableNames {
public:
    // Lists such files below `folder`.
    [[nodiscard]] static Status List(const QString& folder, QStringList* shown);
    // Overwrites such files with zeros, puts the zeros on the device, deletes
    // them, and removes the folders with such names once they are empty;
    // other entries are left alone. Links are removed, never followed.
    // `shown` gets each file that was deleted. Fails when one stayed.
    [[nodiscard]] static Status WipeAll(const QString& folder, QStringList* shown);
};

}  // namespace nbr
