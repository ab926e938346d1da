#pragma once
// Encrypts small files into the store, or decrypts them out of it, on a few
// threads at once, one engine each, while the transfer thread walks the
// folders, keeps the lists, asks the questions and reports progress. Going
// in, a job's entry is already in its list when it is queued; the transfer
// settles every job (takes back the entries of those that failed) before it
// saves that list.

#include "platform/Status.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace nbr {

class CreationPolicy;
class SecParams;
class StoreManifest;

// One file for the pool, and after it ran, its outcome.
struct PooledFile {
    QString source;
    QString destination;
    bool decrypt = false;
    const CreationPolicy* policy = nullptr;  // of the destination
    std::uint64_t size = 0;                  // of the source, as the transform read it
    StoreManifest* list = nullptr;   // holds the file's entry
    std::uint32_t id = 0;
    bool replacing = false;          // the entry was there before: it stays on failure
    Status* folderResult = nullptr;  // the outcome of the folder's run, set on settling
    Status status = S_OK;
};

class FileCipherPool {
public:
    using Job = PooledFile;

    // `workers` threads (at least one), each with its own engine keyed from `keys`.
    FileCipherPool(const SecParams& keys, int workers);
    ~FileCipherPool();
    FileCipherPool(const FileCipherPool&) = delete;
    FileCipherPool& operator=(const FileCipherPool&) = delete;

    // Queues a job; waits while a few jobs per worker are already waiting,
    // so that memory stays bounded whatever the folder holds.
    void Submit(Job job);
    // The jobs finished since the last call, in the order they finished.
    [[nodiscard]] std::vector<Job> TakeFinished();
    // Waits for every queued job and takes all that finished.
    [[nodiscard]] std::vector<Job> Drain();
    // Jobs not started yet finish at once as cancelled (E_ABORTED).
    void CancelQueued();
    [[nodiscard]] bool Idle() const;

    // How many workers a transfer uses: the processor count (at most 4), or
    // what SetWorkerCount chose; 0 encrypts every file on the transfer
    // thread itself (benchmarks compare the two).
    [[nodiscard]] static int WorkerCount();
    static void SetWorkerCount(int count);

private:
    void Work();

    const SecParams& keys_;
    mutable std::mutex mutex_;
    // Apart, so that each change wakes only who waits for it: a pool that
    // woke everyone at every file spent more on waking than on small files.
    std::condition_variable jobQueued_;  // the workers
    std::condition_variable roomMade_;   // Submit
    std::condition_variable settled_;    // Drain
    std::deque<Job> queued_;
    std::vector<Job> finished_;
    std::size_t running_ = 0;
    std::size_t capacity_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace nbr
