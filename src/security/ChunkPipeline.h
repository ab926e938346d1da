#pragma once
// Moves a stream of chunks through three stages: read, transform, write.
// For a large file a reader thread fills buffers ahead, the calling thread
// transforms them, and a writer thread empties them, so that the disk and
// the cipher work at the same time; at most a few buffers exist, whatever
// the size of the file. A small file runs the stages in turn on the calling
// thread. The buffers are secure blocks, wiped when released.

#include "platform/Status.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace nbr {

class ChunkPipeline {
public:
    // Fills `buffer` (room for `capacity` bytes) with the next chunk; sets
    // `length` and whether it is the last one. Runs on one thread, in order.
    using Reader = std::function<Status(std::uint8_t* buffer, std::uint32_t* length, bool* final)>;
    // Transforms a chunk in place; may change `length` (padding added or
    // removed). Runs on the calling thread, in order.
    using Transform = std::function<Status(std::uint8_t* buffer, std::uint32_t* length, bool final)>;
    // Writes a transformed chunk. Runs on one thread, in order.
    using Writer = std::function<Status(const std::uint8_t* buffer, std::uint32_t length)>;
    // After each transformed chunk, on the calling thread, with the bytes
    // transformed so far; false stops the run as cancelled (E_ABORTED).
    using Progress = std::function<bool(std::uint64_t done)>;

    // `capacity` is the size of each buffer; `overlapped` chooses threads.
    [[nodiscard]] static Status Run(std::uint32_t capacity, bool overlapped, const Reader& read,
                                    const Transform& transform, const Writer& write, const Progress& progress);

    // Buffers in flight when overlapped: one being read, one transformed,
    // one written, and one spare so that no stage waits on a hand-over.
    static constexpr int kDepth = 4;
};

}  // namespace nbr
