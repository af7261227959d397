#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The thread that libssh's blocking calls run on, so that the caller's
// thread (the GUI's) never waits on the network. It runs one job at a time
// and ends once the last job posted has run.
class SftpWorker {
public:
    SftpWorker();
    ~SftpWorker();
    SftpWorker(const SftpWorker&) = delete;
    SftpWorker& operator=(const SftpWorker&) = delete;

    // Runs `job` on the worker thread; the job tells the caller when it is
    // done. A job posted while another waits runs after it.
    void Post(std::function<void()> job);

private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::function<void()>> jobs_;
    bool quit_ = false;
    std::thread thread_;
};
