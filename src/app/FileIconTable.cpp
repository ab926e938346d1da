#include "app/FileIconTable.h"

#include <QMimeDatabase>

namespace nbr {

FileIconTable& FileIconTable::Shared()
{
    static FileIconTable table;
    return table;
}

FileIconTable::FileIconTable()
    : names_ {QStringLiteral("folder"), QStringLiteral("application-octet-stream")},
      generic_ {QStringLiteral("folder"), QStringLiteral("text-x-generic")}
{
}

int FileIconTable::IndexFor(const QString& name, bool folder)
{
    if (folder)
        return kFolder;
    static const QMimeDatabase database;
    // By the name alone: the content is encrypted (store) or not worth
    // reading for a listing (host).
    const QMimeType type = database.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return kFile;
    const auto known = byMime_.constFind(type.name());
    if (known != byMime_.constEnd())
        return *known;
    const int index = static_cast<int>(names_.size());
    names_.append(type.iconName());
    generic_.append(type.genericIconName());
    byMime_.insert(type.name(), index);
    return index;
}

QString FileIconTable::IconName(int index) const
{
    return index >= 0 && index < names_.size() ? names_.at(index) : names_.at(kFile);
}

QString FileIconTable::GenericIconName(int index) const
{
    return index >= 0 && index < generic_.size() ? generic_.at(index) : generic_.at(kFile);
}

}  // namespace nbr
