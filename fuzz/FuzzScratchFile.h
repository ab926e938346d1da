#pragma once
// A file that harnesses rewrite on every run, for parsers that only read from
// a path. It lives in a private folder on a memory file system when the host
// has one, so a run costs a few system calls and no disk writes.

#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace nbr::fuzz {

class FuzzScratchFile {
public:
    explicit FuzzScratchFile(const QString& name);

    // Replaces the file's content: `zeros` zero bytes (left as a hole), then `data`.
    [[nodiscard]] bool Write(const std::uint8_t* data, std::size_t size, std::int64_t zeros = 0) const;
    [[nodiscard]] const QString& Path() const { return path_; }

private:
    QTemporaryDir dir_;
    QString path_;
};

// Stops the process so that the fuzzer keeps the input: a harness found
// bytes for which a parser broke one of its own promises.
[[noreturn]] void FuzzFail(const char* what);

}  // namespace nbr::fuzz

#define FUZZ_CHECK(condition)                                                                                     \
    do {                                                                                                          \
        if (!(condition))                                                                                         \
            ::nbr::fuzz::FuzzFail(__FILE__ ":" QT_STRINGIFY(__LINE__) ": " #condition);                        \
    } while (false)
