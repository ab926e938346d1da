#include "store/FileCipherPool.h"

#include "platform/ConfinedPath.h"
#include "platform/CreationPolicy.h"
#include "security/CreateCrypt.h"
#include "security/CryptBase.h"
#include "security/SecParams.h"
#include "store/TransferThread.h"

#include <algorithm>
#include <atomic>

namespace nbr {
namespace {
constexpr int kMostWorkers = 4;
constexpr std::size_t kWaitingPerWorker = 4;
std::atomic<int> g_workers {-1};
// Notes the source's size for the progress the transfer reports.
std::uint32_t NoteSize(std::uint64_t total, std::uint64_t, std::uint32_t reason, void* data)
{
    if (reason == kProgressStart)
        static_cast<PooledFile*>(data)->size = total;
    return 0;
}

Status Transform(ICrypt& engine, PooledFile& job)
{
    // A file out of the store never stands cut short under its final name.
    return TransferThread::WriteReplacing(
        job.destination,
        [&](const QString& path) {
            return job.decrypt ? engine.DecryptFileToFile(job.source, path, NoteSize, &job, job.policy)
                               : engine.EncryptFileToFile(job.source, path, NoteSize, &job, job.policy);
        },
        job.decrypt);
}

}  // namespace

FileCipherPool::FileCipherPool(const SecParams& keys, int workers)
    : keys_(keys), capacity_(static_cast<std::size_t>(std::max(workers, 1)) * kWaitingPerWorker)
{
    for (int i = 0; i < std::max(workers, 1); ++i)
        threads_.emplace_back([this] { Work(); });
}

FileCipherPool::~FileCipherPool()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    jobQueued_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void FileCipherPool::Submit(Job job)
{
    std::unique_lock lock(mutex_);
    roomMade_.wait(lock, [this] { return queued_.size() < capacity_; });
    queued_.push_back(std::move(job));
    lock.unlock();
    jobQueued_.notify_one();
}

std::vector<FileCipherPool::Job> FileCipherPool::TakeFinished()
{
    std::lock_guard lock(mutex_);
    return std::exchange(finished_, {});
}

std::vector<FileCipherPool::Job> FileCipherPool::Drain()
{
    std::unique_lock lock(mutex_);
    settled_.wait(lock, [this] { return queued_.empty() && running_ == 0; });
    return std::exchange(finished_, {});
}

void FileCipherPool::CancelQueued()
{
    {
        std::lock_guard lock(mutex_);
        for (Job& job : queued_) {
            job.status = E_ABORTED;
            finished_.push_back(std::move(job));
        }
        queued_.clear();
    }
    roomMade_.notify_all();
    settled_.notify_all();
}

bool FileCipherPool::Idle() const
{
    std::lock_guard lock(mutex_);
    return queued_.empty() && running_ == 0;
}

void FileCipherPool::Work()
{
    // Every job of a folder walks to the same stored folder.
    const ConfinedPath::Reuse reuse;
    FileCryptPtr engine;
    const Status keyed = CreateKeyedCrypt(keys_, &engine);
    std::unique_lock lock(mutex_);
    for (;;) {
        jobQueued_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
        if (queued_.empty())
            return;
        const bool wasFull = queued_.size() >= capacity_;
        Job job = std::move(queued_.front());
        queued_.pop_front();
        ++running_;
        lock.unlock();
        if (wasFull)
            roomMade_.notify_one();
        job.status = Failed(keyed) ? keyed : Transform(*engine, job);
        lock.lock();
        --running_;
        finished_.push_back(std::move(job));
        if (queued_.empty() && running_ == 0)
            settled_.notify_all();
    }
}

int FileCipherPool::WorkerCount()
{
    const int chosen = g_workers.load();
    if (chosen >= 0)
        return chosen;
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores, 1, kMostWorkers);
}

void FileCipherPool::SetWorkerCount(int count)
{
    g_workers = count;
}

}  // namespace nbr
