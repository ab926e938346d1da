#pragma once
// The image list of the panes without pictures: one index per kind of file
// (by the MIME type of its name, so a stored file's icon follows its
// display name, not the numbered file on disk). Controllers ask for indices;
// the control turns each index into the icon theme's picture for that type,
// or into one of our own when the theme has none.

#include <QHash>
#include <QString>
#include <QStringList>

namespace nbr {

class FileIconTable {
public:
    static constexpr int kFolder = 0;
    static constexpr int kFile = 1;

    // The table every pane shares (GUI thread only).
    [[nodiscard]] static FileIconTable& Shared();

    FileIconTable();
    // The index for an item named `name`; folders all share kFolder.
    [[nodiscard]] int IndexFor(const QString& name, bool folder);
    // The theme's icon name and its generic fallback for an index.
    [[nodiscard]] QString IconName(int index) const;
    [[nodiscard]] QString GenericIconName(int index) const;
    [[nodiscard]] int Count() const { return static_cast<int>(names_.size()); }

private:
    QStringList names_;
    QStringList generic_;
    QHash<QString, int> byMime_;
};

}  // namespace nbr
