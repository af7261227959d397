#include "upload/SftpWorker.h"

SftpWorker::SftpWorker() : thread_([this] { Loop(); }) {}

SftpWorker::~SftpWorker()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void SftpWorker::Post(std::function<void()> job)
{
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void SftpWorker::Loop()
{
    for (;;) {
        std::vector<std::function<void()>> jobs;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
            if (jobs_.empty())
                return; // quit, with nothing left to run
            jobs.swap(jobs_);
        }
        for (auto& job : jobs)
            job();
    }
}
