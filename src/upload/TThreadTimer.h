#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// A periodic timer on the owner's event loop. It runs only while Enabled,
// Interval is non-zero and OnTimer is set; every change restarts it.
class TThreadTimer : public QObject {
    Q_OBJECT
public:
    explicit TThreadTimer(QObject* owner = nullptr);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    int Interval() const { return interval_; }
    void SetInterval(int milliseconds);
    void SetOnTimer(std::function<void()> handler);

private:
    void restart();

    QTimer timer_;
    bool enabled_ = true;
    int interval_ = 1000;
    std::function<void()> onTimer_;
};
