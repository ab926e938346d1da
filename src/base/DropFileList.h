#pragma once
// The one file-list format of drag and drop, the clipboard and the drop
// operations: a 20-byte header (list offset, point, non-client flag, wide
// flag) and the paths, each ended by a zero character, then one more zero.

#include <QByteArray>
#include <QStringList>

#include <cstdint>

namespace nbr {

class DropFileList {
public:
    static constexpr std::uint32_t kHeaderLength = 20;

    DropFileList() = default;
    explicit DropFileList(QStringList paths, std::int32_t x = 0, std::int32_t y = 0)
        : paths_(std::move(paths)), x_(x), y_(y)
    {
    }

    // The exact bytes: wide flag 1, UTF-16LE paths.
    [[nodiscard]] QByteArray Bytes() const;
    // Reads a list from bytes of any origin; false when they do not hold one.
    // Lists with the wide flag 0 hold 8-bit paths.
    [[nodiscard]] static bool Parse(const QByteArray& bytes, DropFileList* list);

    [[nodiscard]] const QStringList& Paths() const { return paths_; }
    [[nodiscard]] std::int32_t X() const { return x_; }
    [[nodiscard]] std::int32_t Y() const { return y_; }

private:
    QStringList paths_;
    std::int32_t x_ = 0;
    std::int32_t y_ = 0;
};

}  // namespace nbr
