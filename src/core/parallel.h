#pragma once

#include <QThreadPool>
#include <algorithm>
#include <deque>
#include <future>
#include <memory>
#include <thread>
#include <utility>

// The threads that large imports and exports share their work out to: as
// many as the machine has cores, kept between pieces of work so that a
// piece costs no thread of its own.
inline unsigned WorkerCount() {
    return static_cast<unsigned>(std::max(1, QThreadPool::globalInstance()->maxThreadCount()));
}

// Runs work on one of those threads; its result comes through the future.
// With a single core, work runs at once on the calling thread.
template <typename Work>
std::future<std::invoke_result_t<Work&>> RunOnWorker(Work work) {
    using Result = std::invoke_result_t<Work&>;
    auto task = std::make_shared<std::packaged_task<Result()>>(std::move(work));
    std::future<Result> result = task->get_future();
    if (WorkerCount() == 1) {
        (*task)();
    } else {
        QThreadPool::globalInstance()->start([task] { (*task)(); });
    }
    return result;
}

// Pieces of work started in order and taken back in the same order. Work may
// refer to the caller's data: whatever is still running is waited for when
// the queue goes, however the caller leaves.
template <typename Result>
class WorkQueue {
public:
    WorkQueue() = default;
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;
    ~WorkQueue() {
        for (std::future<Result>& f : running_) {
            f.wait();
        }
    }

    template <typename Work>
    void start(Work work) {
        running_.push_back(RunOnWorker(std::move(work)));
    }
    Result takeOldest() {
        Result result = running_.front().get();
        running_.pop_front();
        return result;
    }
    size_t size() const { return running_.size(); }
    bool empty() const { return running_.empty(); }

private:
    std::deque<std::future<Result>> running_;
};
