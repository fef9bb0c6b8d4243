// Work on many files at once, told to the user in the order of the list.
//
// Workers take the indices in increasing order and each works on its own file; the calling thread receives
// each result in index order, so whatever finished first, file 3 is reported after files 1 and 2. Once a stop
// is requested no further index is taken; every index already taken is finished and delivered, so what was
// done is always a prefix of the list and no file is left half-done.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#include "run/conversion_run.h"
#include "platform/large_stack.h"
#include "transform/nesting_bound.h"

namespace celshift {

template <class Result>
class OrderedWorkers {
public:
    // work(index, worker) runs on a worker thread with the stack given; worker counts from 0 to jobs - 1,
    // so each worker can keep buffers of its own. It may throw: the first exception stops the work and is
    // thrown again from run() once every worker has ended.
    using Work = std::function<Result(int index, int worker)>;
    // Called for each index, in order, on the calling thread; with one worker, on that worker while the caller
    // waits. May wait for the user.
    using Deliver = std::function<void(int index, Result& result)>;
    // Called where deliveries are when results arrive: done of count finished; inWork is the lowest index being
    // worked on, or -1.
    using Progress = std::function<void(int done, int inWork)>;
    // A worker that copies files needs no deep stack: the size of an ordinary thread's.
    static constexpr std::size_t kCopyStackBytes = std::size_t{8} << 20;

    // Each worker has stackBytes of stack (walkStackFor for walks of data files).
    OrderedWorkers(int count, int jobs, const StopRequest* stop, std::size_t stackBytes)
        : count_(count), jobs_(std::max(1, std::min(jobs, count))), stop_(stop), stackBytes_(stackBytes),
          results_(static_cast<std::size_t>(count)),
          inWork_(static_cast<std::size_t>(count), false) {}

    // Returns the number of indices delivered: all of them unless a stop was requested.
    int run(const Work& work, const Deliver& deliver, const Progress& progress) {
        if (count_ == 0) return 0;
        if (jobs_ == 1) return runInTurn(work, deliver, progress);
        reportsProgress_ = static_cast<bool>(progress);
        // With a display, a short window keeps a stop close to what the user saw; without one, a longer window
        // lets the collector sleep through many files at a time.
        window_ = reportsProgress_ ? std::max(8, 4 * jobs_) : std::max(64, 16 * jobs_);
        std::vector<std::unique_ptr<LargeStackThread>> threads;
        threads.reserve(static_cast<std::size_t>(jobs_));
        try {
            for (int w = 0; w < jobs_; ++w)
                threads.push_back(std::make_unique<LargeStackThread>(stackBytes_, [this, &work, w] { serve(work, w); }));
        } catch (...) {
            // Fewer workers do the same work; with none at all, the calling thread does it.
            if (threads.empty()) return runHere(work, deliver, progress);
            std::lock_guard lock(mutex_);
            jobs_ = static_cast<int>(threads.size());
            collectorWake_.notify_all();
        }
        int delivered = 0;
        try {
            delivered = collect(deliver, progress);
        } catch (...) {
            abandon(std::current_exception());
        }
        for (auto& thread : threads) thread->join();
        if (error_) std::rethrow_exception(error_);
        return delivered;
    }

private:
    // One worker: one thread works and delivers each index in turn while the caller waits, so no file is handed
    // between threads (a hand-off costs about what copying a small file does).
    int runInTurn(const Work& work, const Deliver& deliver, const Progress& progress) {
        int delivered = 0;
        bool started = false;
        try {
            runOnLargeStack(stackBytes_, [&] {
                started = true;
                delivered = workInTurn(work, deliver, progress);
            });
        } catch (const std::system_error&) {
            if (!started) return runHere(work, deliver, progress);
            throw;
        }
        if (progress) progress(delivered, -1);
        return delivered;
    }

    // No thread with the stack asked for can start (the memory or address space granted is too small): the calling
    // thread does the work rather than leave it half done. Its walks then nest only as deep as an ordinary stack
    // holds (nestingLimitFor(0)); a deeper file fails with that reason and keeps every byte.
    int runHere(const Work& work, const Deliver& deliver, const Progress& progress) {
        const int delivered = workInTurn(work, deliver, progress);
        if (progress) progress(delivered, -1);
        return delivered;
    }

    int workInTurn(const Work& work, const Deliver& deliver, const Progress& progress) {
        int delivered = 0;
        for (int index = 0; index < count_ && !stopping(); ++index) {
            if (progress) progress(index, index);
            Result result = work(index, 0);
            // Told before the delivery, which may wait for the user.
            if (progress) progress(index + 1, -1);
            deliver(index, result);
            ++delivered;
        }
        return delivered;
    }

    // Stops handing out work and keeps the first error.
    void abandon(std::exception_ptr error) {
        std::lock_guard lock(mutex_);
        if (!error_) error_ = std::move(error);
        abandoned_ = true;
        workersWake_.notify_all();
        collectorWake_.notify_all();
    }

    bool stopping() const { return abandoned_ || (stop_ != nullptr && stop_->requested()); }

    void serve(const Work& work, int worker) {
        for (;;) {
            int index;
            {
                std::unique_lock lock(mutex_);
                // Workers run at most a window ahead of what was told: results wait in memory only that long,
                // and a stop asked for while a message is shown leaves little more than the window behind.
                while (!stopping() && next_ < count_ && next_ >= delivered_ + window_) {
                    if (collectorWaiting_) collectorWake_.notify_one();  // the window is full: time to tell
                    ++workersWaiting_;
                    workersWake_.wait(lock);
                    --workersWaiting_;
                }
                if (stopping() || next_ >= count_) {
                    ++workersEnded_;
                    collectorWake_.notify_one();
                    return;
                }
                index = next_++;
                inWork_[static_cast<std::size_t>(index)] = true;
            }
            std::optional<Result> result;
            try {
                result.emplace(work(index, worker));
            } catch (...) {
                abandon(std::current_exception());
            }
            std::lock_guard lock(mutex_);
            inWork_[static_cast<std::size_t>(index)] = false;
            if (result) {
                results_[static_cast<std::size_t>(index)] = std::move(result);
                ++done_;
            }
            // Without a display the collector sleeps until the window is full or the work ends: waking it for each
            // file would cost a thread switch per file.
            if (collectorWaiting_ && reportsProgress_) collectorWake_.notify_one();
        }
    }

    // Indices are taken in increasing order, so the lowest one in work never goes down: the scan resumes where
    // it stopped last time.
    int lowestInWork() {
        while (lowestScan_ < next_ && !inWork_[static_cast<std::size_t>(lowestScan_)]) ++lowestScan_;
        return lowestScan_ < next_ ? lowestScan_ : -1;
    }

    int collect(const Deliver& deliver, const Progress& progress) {
        int& delivered = delivered_;
        std::unique_lock lock(mutex_);
        int reportedDone = -1;
        int reportedInWork = -2;
        for (;;) {
            // Nothing more can come once every worker has ended: the indices taken are all finished by then.
            const bool allEnded = workersEnded_ == jobs_ || abandoned_;
            if (delivered < count_ && results_[static_cast<std::size_t>(delivered)]) {
                Result result = std::move(*results_[static_cast<std::size_t>(delivered)]);
                results_[static_cast<std::size_t>(delivered)].reset();
                const int index = delivered++;
                if (workersWaiting_ > 0) workersWake_.notify_all();
                // The count is told before a delivery too: one may wait for the user (a box), and the display
                // must not lag behind meanwhile.
                const bool tell = progress && done_ != reportedDone;
                if (tell) {
                    reportedDone = done_;
                    reportedInWork = lowestInWork();
                }
                const int done = reportedDone;
                const int inWork = reportedInWork;
                lock.unlock();
                if (tell) progress(done, inWork);
                deliver(index, result);
                lock.lock();
                continue;
            }
            if (delivered == count_ || (allEnded && (abandoned_ || delivered >= next_))) break;
            if (progress && (done_ != reportedDone || lowestInWork() != reportedInWork)) {
                reportedDone = done_;
                reportedInWork = lowestInWork();
                const int inWork = reportedInWork;
                const int done = reportedDone;
                lock.unlock();
                progress(done, inWork);
                lock.lock();
                continue;
            }
            collectorWaiting_ = true;
            collectorWake_.wait(lock);
            collectorWaiting_ = false;
        }
        const int total = delivered;
        lock.unlock();
        if (progress) progress(total, -1);
        return total;
    }

    const int count_;
    int jobs_;  // workers running; fewer than asked when a thread could not be started
    int window_ = 8;  // how far the workers may run ahead of the collector
    const StopRequest* stop_;
    std::size_t stackBytes_;
    std::mutex mutex_;
    std::condition_variable workersWake_;    // window space, or the end
    std::condition_variable collectorWake_;  // the result it waits for, a worker's end, or progress
    int workersWaiting_ = 0;
    bool collectorWaiting_ = false;
    bool reportsProgress_ = false;
    std::vector<std::optional<Result>> results_;
    std::vector<bool> inWork_;
    int next_ = 0;
    int delivered_ = 0;
    int lowestScan_ = 0;
    int done_ = 0;
    int workersEnded_ = 0;
    bool abandoned_ = false;
    std::exception_ptr error_;
};

}  // namespace celshift
