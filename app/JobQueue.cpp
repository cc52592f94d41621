#include "app/JobQueue.h"

JobQueue::~JobQueue()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        waiting_.clear();
    }
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

void JobQueue::Add(Work work)
{
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(work));
        if (!worker_.joinable())
            worker_ = std::thread([this] { Loop(); });
    }
    wake_.notify_one();
}

void JobQueue::RunFinished()
{
    for (;;) {
        Finish finish;
        {
            std::lock_guard lock(mutex_);
            if (finished_.empty())
                return;
            finish = std::move(finished_.front());
            finished_.pop_front();
        }
        // A finish may show a modal box, whose loop dispatches the next item's message.
        if (finish)
            finish();
    }
}

void JobQueue::Loop()
{
    for (;;) {
        Work work;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || !waiting_.empty(); });
            if (stop_)
                return;
            work = std::move(waiting_.front());
            waiting_.pop_front();
        }
        Finish finish = work();
        {
            std::lock_guard lock(mutex_);
            finished_.push_back(std::move(finish));
        }
        PostMessageW(window_, message_, 0, 0);
    }
}
