#include "security/ChunkPipeline.h"

#include "platform/Status.h"

#include <cryptopp/secblock.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace nbr {
namespace {

struct Chunk {
    std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    bool final = false;
};

// A queue of chunks between two stages; closing it wakes every waiter.
class Handover {
public:
    void Put(Chunk chunk)
    {
        {
            std::lock_guard lock(mutex_);
            chunks_.push_back(chunk);
        }
        ready_.notify_one();
    }
    // False when the run stopped and nothing is left to take.
    bool Take(Chunk* chunk)
    {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !chunks_.empty() || closed_; });
        if (chunks_.empty())
            return false;
        *chunk = chunks_.front();
        chunks_.pop_front();
        return true;
    }
    void Close()
    {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        ready_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Chunk> chunks_;
    bool closed_ = false;
};

Status RunInTurn(std::uint32_t capacity, const ChunkPipeline::Reader& read, const ChunkPipeline::Transform& transform,
                 const ChunkPipeline::Writer& write, const ChunkPipeline::Progress& progress)
{
    CryptoPP::SecByteBlock work;
    try {
        work.New(capacity);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    std::uint64_t done = 0;
    for (bool final = false; !final;) {
        std::uint32_t length = 0;
        Status s = read(work.data(), &length, &final);
        if (Succeeded(s))
            s = transform(work.data(), &length, final);
        if (Succeeded(s) && length != 0)
            s = write(work.data(), length);
        if (Failed(s))
            return s;
        done += length;
        if (!progress(done))
            return E_ABORTED;
    }
    return S_OK;
}

Status RunOverlapped(std::uint32_t capacity, const ChunkPipeline::Reader& read,
                     const ChunkPipeline::Transform& transform, const ChunkPipeline::Writer& write,
                     const ChunkPipeline::Progress& progress)
{
    std::vector<CryptoPP::SecByteBlock> buffers(ChunkPipeline::kDepth);
    try {
        for (CryptoPP::SecByteBlock& b : buffers)
            b.New(capacity);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    Handover free;
    Handover filled;
    Handover transformed;
    for (CryptoPP::SecByteBlock& b : buffers)
        free.Put({b.data(), 0, false});

    Status readStatus = S_OK;   // written by the reader only, read after join
    Status writeStatus = S_OK;  // written by the writer only, read after join
    const auto readAll = [&] {
        Chunk chunk;
        while (free.Take(&chunk)) {
            readStatus = read(chunk.data, &chunk.length, &chunk.final);
            if (Failed(readStatus))
                break;
            filled.Put(chunk);
            if (chunk.final)
                break;
        }
        filled.Close();
    };
    const auto writeAll = [&] {
        Chunk chunk;
        while (transformed.Take(&chunk)) {
            if (chunk.length != 0)
                writeStatus = write(chunk.data, chunk.length);
            if (Failed(writeStatus) || chunk.final)
                break;
            free.Put(chunk);
        }
        // A failed write stops the reader too: nothing more is needed.
        free.Close();
    };
    std::thread reader;
    std::thread writer;
    try {
        reader = std::thread(readAll);
        writer = std::thread(writeAll);
    } catch (const std::system_error&) {
        // No thread to be had; what the reader took from the input is gone.
        free.Close();
        filled.Close();
        if (reader.joinable())
            reader.join();
        return E_OUTOFMEMORY;
    }

    Status s = S_OK;
    std::uint64_t done = 0;
    bool ended = false;
    Chunk chunk;
    while (!ended && filled.Take(&chunk)) {
        s = transform(chunk.data, &chunk.length, chunk.final);
        if (Failed(s))
            break;
        ended = chunk.final;
        transformed.Put(chunk);
        done += chunk.length;
        if (!progress(done)) {
            s = E_ABORTED;
            break;
        }
    }
    transformed.Close();
    if (Failed(s))
        free.Close();
    writer.join();
    free.Close();
    reader.join();
    if (Failed(s))
        return s;
    if (Failed(readStatus))
        return readStatus;
    if (Failed(writeStatus))
        return writeStatus;
    // The reader stopped early only on a failure, reported above.
    return ended ? S_OK : E_FAIL;
}

}  // namespace

Status ChunkPipeline::Run(std::uint32_t capacity, bool overlapped, const Reader& read, const Transform& transform,
                          const Writer& write, const Progress& progress)
{
    return overlapped ? RunOverlapped(capacity, read, transform, write, progress)
                      : RunInTurn(capacity, read, transform, write, progress);
}

}  // namespace nbr
