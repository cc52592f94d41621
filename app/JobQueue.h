// Long work off the window's thread: one item at a time on a thread of its own, and what
// follows each item back on the window's thread, so the window keeps drawing and answering.
#pragma once
#include "app/Win.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class JobQueue {
public:
    // What follows an item, on the window's thread.
    using Finish = std::function<void()>;
    // The item's work, on the queue's thread: it touches none of the window's objects and throws nothing.
    using Work = std::function<Finish()>;

    // `window` is posted `message` whenever an item is done.
    JobQueue(HWND window, UINT message) : window_(window), message_(message) {}
    // Lets the running item end (a save is never cut short); the waiting ones are dropped.
    ~JobQueue();
    JobQueue(const JobQueue&) = delete;
    JobQueue& operator=(const JobQueue&) = delete;

    void Add(Work work);
    // On `message`: the finishes of the items done so far, in order.
    void RunFinished();

private:
    void Loop();

    HWND window_;
    UINT message_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Work> waiting_;
    std::deque<Finish> finished_;
    bool stop_ = false;
    std::thread worker_; // last: started after everything it uses exists
};
