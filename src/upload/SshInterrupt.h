#pragma once

#include <QString>
#include <atomic>
#include <mutex>

// How the caller's thread stops a call that the SFTP worker thread is
// blocked in. libssh waits in poll() on the session's socket; shutting the
// socket down ends that wait at once (the connection is then lost). A TCP
// connect still under way waits on WakeFd() as well. The worker checks
// Cancelled() between chunks, so a cancel between two writes can leave the
// session usable.
class SshInterrupt {
public:
    SshInterrupt();
    ~SshInterrupt();
    SshInterrupt(const SshInterrupt&) = delete;
    SshInterrupt& operator=(const SshInterrupt&) = delete;

    // The caller's side, from any thread.
    void RequestCancel();
    // Time-out or a cancel that the worker did not answer in time: the
    // connection is broken off.
    void Break(bool timedOut);
    qint64 IdleMs() const; // since the worker last heard from the server or sent to it

    // The worker's side.
    void Reset();            // at the start of every call
    void Touch();            // something moved on the connection
    void Attach(int socket); // the connection's socket, to shut down on Break
    void Detach();           // before the socket is closed: never shut down a reused number
    int WakeFd() const { return wakeFd_; }
    bool Cancelled() const { return cancelled_.load(); }
    bool TimedOut() const { return timedOut_.load(); }
    bool Broken() const { return broken_.load(); }

private:
    static qint64 Now();

    int wakeFd_ = -1; // an eventfd, readable once a stop was asked for
    mutable std::mutex socketMutex_;
    int socket_ = -1;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> timedOut_{false};
    std::atomic<bool> broken_{false};
    std::atomic<qint64> lastActivity_{0};
};
