#pragma once
// Runs one drag out of a pane with Qt's drag loop: Escape cancels, a
// release over nothing drops nothing (and asks no data, so a store drag
// decrypts nothing). The controllers build the data; the pane runs it here.

#include <QPixmap>

#include <cstdint>

class QMimeData;
class QObject;

namespace nbr {

class PaneDragSource {
public:
    // Blocks until the drag ends; Qt owns `data` from the call on. The
    // effect the target reported (drop::kNone for a cancel or a refusal).
    [[nodiscard]] static std::uint32_t Run(QObject* source, QMimeData* data, std::uint32_t allowed,
                                           const QPixmap& image = {});
};

}  // namespace nbr
