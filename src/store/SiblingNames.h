#pragma once
// The names given to the items of one folder during one run. The store
// compares names without regard to letter case, as the systems that read the
// stick do, while a host folder may hold "a.txt" and "A.txt" side by side:
// the later of two such names is given a number ("A (2).txt"), so that
// neither replaces the other.

#include <QSet>
#include <QString>

#include <functional>

namespace nbr {

class SiblingNames {
public:
    // `existing` (optional) tells whether the folder already holds a name;
    // numbered names avoid those too.
    explicit SiblingNames(std::function<bool(const QString&)> existing = {}) : existing_(std::move(existing)) {}

    // `name` when no earlier item of the run took it, else a numbered form.
    [[nodiscard]] QString Claim(const QString& name);

    // "stem (n).ext" for files and for folders alike; a leading dot is part
    // of the stem.
    [[nodiscard]] static QString Numbered(const QString& name, int n);

private:
    std::function<bool(const QString&)> existing_;
    QSet<QString> taken_;  // case-folded
};

}  // namespace nbr
