#include "upload/TThreadTimer.h"

#include <cstdio>
#include <exception>

TThreadTimer::TThreadTimer(QObject* owner) : QObject(owner)
{
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (!onTimer_)
            return;
        // No exception may cross the event loop.
        try {
            onTimer_();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "timer handler failed: %s\n", e.what());
        }
    });
}

void TThreadTimer::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    restart();
}

void TThreadTimer::SetInterval(int milliseconds)
{
    interval_ = milliseconds;
    restart();
}

void TThreadTimer::SetOnTimer(std::function<void()> handler)
{
    onTimer_ = std::move(handler);
    restart();
}

void TThreadTimer::restart()
{
    timer_.stop();
    if (interval_ != 0 && enabled_ && onTimer_)
        timer_.start(interval_);
}
