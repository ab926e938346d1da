#pragma once
// The image list of the panes without pictures: one index per kind of file
// (by the MIME type of its name, so a stored file's icon follows its
// display name, not the numbered file on disk). Controllers ask for indices;
// the control turns each index into the icon theme's picture for that type,
// or into one of our own when the theme has none.

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

namespace nbr {

class FileIconTable {
public:
    static constexpr int kFolder = 0;
    static constexpr int kFile = 1;

    // The table every pane shares (GUI thread only).
    [[nodiscard]] static FileIconTable& Shared();
    // Loads the MIME database and reads its name patterns, from any thread:
    // at start, beside the window, so the first listing does not wait on it.
    static void Warm();

    FileIconTable();
    // The index for an item named `name`; folders all share kFolder.
    [[nodiscard]] int IndexFor(const QString& name, bool folder);
    // Whether a file named `name` needs a look-up of its own (a name pattern
    // other than "*.ext" may match it); pure, for any thread, so that a
    // folder read on a thread of its own can work it out there.
    [[nodiscard]] static bool NeedsOwnLookUp(const QString& name) { return MightBeSpecial(name); }
    // IndexFor for a file whose NeedsOwnLookUp answer is known.
    [[nodiscard]] int IndexForFile(const QString& name, bool ownLookUp);
    // The theme's icon name and its generic fallback for an index.
    [[nodiscard]] QString IconName(int index) const;
    [[nodiscard]] QString GenericIconName(int index) const;
    [[nodiscard]] int Count() const { return static_cast<int>(names_.size()); }

private:
    // A name pattern of the MIME database other than "*.ext": literal names,
    // "*.tar.gz", "README*" and the like. Names that might match one are
    // looked up one by one; all others share their extension's answer.
    struct SpecialPattern {
        QString literal;    // its longest run without wildcards, lower case
        QString lastChars;  // what a matching name may end with, lower case; empty: anything
        QString prefix;     // what a matching name must start with, lower case
        QRegularExpression match;
    };
    // Read once from the database, by whichever thread asks first.
    struct Patterns {
        QSet<QString> wholeNames;   // "Makefile", lower case
        QSet<QString> longEndings;  // ".tar.gz", lower case: at least two dots each
        qsizetype longestWholeName = 0;
        std::vector<SpecialPattern> special;
    };
    [[nodiscard]] static const Patterns& AllPatterns();
    // The characters a name matching the glob `pattern` may end with;
    // empty when it may end with anything.
    [[nodiscard]] static QString LastCharacters(const QString& pattern);

    [[nodiscard]] int IndexForType(const QString& name);
    [[nodiscard]] static bool MightBeSpecial(const QString& name);

    QStringList names_;
    QStringList generic_;
    QHash<QString, int> byMime_;
    // Asking the database costs microseconds a name, which a folder of ten
    // thousand files turns into most of its listing time.
    QHash<QString, int> bySuffix_;
};

}  // namespace nbr
