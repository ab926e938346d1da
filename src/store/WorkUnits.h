#pragma once
// Progress units and texts: a file counts one unit per started 512 KiB, a
// folder one more than its content; sizes and byte counts as the panes and
// the progress dialog show them.

#include <QString>

#include <cstdint>

namespace nbr {

class IProgressDlg;

class WorkUnits {
public:
    static constexpr std::uint64_t kUnit = 1u << 19;

    [[nodiscard]] static std::uint64_t Of(std::uint64_t bytes) { return (bytes + kUnit - 1) / kUnit; }
    // Units of a host folder tree; a cancel on `cancelSource` stops the count.
    [[nodiscard]] static std::uint64_t FolderWorkUnits(const QString& path, const IProgressDlg* cancelSource);
    // The same for a stored folder, whose manifest files do not count.
    [[nodiscard]] static std::uint64_t StoreFolderWorkUnits(const QString& path, const IProgressDlg* cancelSource);
    // Units of one file, 0 when it cannot be opened.
    [[nodiscard]] static std::uint64_t FileWorkUnits(const QString& path);
    // "1,234 KB": unit 'B', 'K', 'M' or any other letter for automatic.
    [[nodiscard]] static QString FormatSizeColumn(std::uint64_t size, QChar separator, QChar unit);
    // "0.95 / 4.77 MB    (1000000 bytes)" on line 3 of `sink`.
    static void FormatTransferProgress(IProgressDlg* sink, std::uint64_t done, std::uint64_t total);
    [[nodiscard]] static QString TransferText(std::uint64_t done, std::uint64_t total);
};

}  // namespace nbr
