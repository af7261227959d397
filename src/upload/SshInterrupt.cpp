#include "upload/SshInterrupt.h"

#include <chrono>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

SshInterrupt::SshInterrupt() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    Touch();
}

SshInterrupt::~SshInterrupt()
{
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

qint64 SshInterrupt::Now()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SshInterrupt::RequestCancel()
{
    cancelled_ = true;
    // Only a connect still under way waits on this; libssh's own waits are
    // ended by Break.
    const quint64 one = 1;
    if (wakeFd_ >= 0)
        (void)!::write(wakeFd_, &one, sizeof one);
}

void SshInterrupt::Break(bool timedOut)
{
    if (timedOut)
        timedOut_ = true;
    broken_ = true;
    const quint64 one = 1;
    if (wakeFd_ >= 0)
        (void)!::write(wakeFd_, &one, sizeof one);
    std::lock_guard lock(socketMutex_);
    if (socket_ >= 0)
        ::shutdown(socket_, SHUT_RDWR);
}

qint64 SshInterrupt::IdleMs() const
{
    return Now() - lastActivity_.load();
}

void SshInterrupt::Reset()
{
    cancelled_ = timedOut_ = broken_ = false;
    quint64 count = 0;
    if (wakeFd_ >= 0)
        (void)!::read(wakeFd_, &count, sizeof count);
    Touch();
}

void SshInterrupt::Touch()
{
    lastActivity_ = Now();
}

void SshInterrupt::Attach(int socket)
{
    std::lock_guard lock(socketMutex_);
    socket_ = socket;
    // A stop that came while the socket was being made.
    if (broken_)
        ::shutdown(socket_, SHUT_RDWR);
}

void SshInterrupt::Detach()
{
    std::lock_guard lock(socketMutex_);
    socket_ = -1;
}
