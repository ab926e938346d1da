#include "platform/FileWipe.h"

#include "platform/FaultInjection.h"

#include <QString>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace nbr {
namespace {

constexpr std::size_t kZeroPiece = 1 << 20;

HANDLE OpenForWriting(const std::wstring& path)
{
    return ::CreateFileW(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_WRITE_THROUGH, nullptr);
}

}  // namespace

bool FileWipe::ZeroAt(int /*folder*/, const char* name)
{
    if (!FaultInjection::BeforeChange("write")) {
        ::SetLastError(ERROR_DISK_FULL);
        return false;
    }
    const std::wstring path = QString::fromUtf8(name).toStdWString();
    HANDLE h = OpenForWriting(path);
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
        // The file is deleted next anyway: its read-only bit need not come back.
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)
            && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
            h = OpenForWriting(path);
        }
    }
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info {};
    bool ok = ::GetFileInformationByHandle(h, &info)
              && !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
    const std::uint64_t size = ok ? (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow : 0;
    const std::vector<char> zeros(static_cast<std::size_t>(std::min<std::uint64_t>(size, kZeroPiece)), 0);
    std::uint64_t written = 0;
    while (ok && written < size) {
        const auto piece = static_cast<DWORD>(std::min<std::uint64_t>(size - written, kZeroPiece));
        DWORD n = 0;
        ok = ::WriteFile(h, zeros.data(), piece, &n, nullptr) && n > 0;
        written += n;
    }
    ok = ok && FaultInjection::BeforeChange("sync") && ::FlushFileBuffers(h);
    const DWORD error = ::GetLastError();
    ::CloseHandle(h);
    if (!ok)
        ::SetLastError(error);
    return ok;
}

}  // namespace nbr
