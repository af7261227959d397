#pragma once

#include <QString>
#include <stdexcept>

// Failures of the socket layer. The texts are English and fixed: callers and
// tests compare them.
class ESockError : public std::runtime_error {
public:
    explicit ESockError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// An operation stopped because the caller cancelled it.
class EAbortError : public std::runtime_error {
public:
    explicit EAbortError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// Socket error numbers keep the classic Windows Sockets values, so that the
// texts read the same on every platform.
namespace SockErrorNo {
inline constexpr int WouldBlock = 10035;
inline constexpr int NotConnected = 10057;
inline constexpr int ConnectionReset = 10054;
inline constexpr int TimedOut = 10060;
inline constexpr int ConnectionRefused = 10061;
inline constexpr int HostNotFound = 11001;
} // namespace SockErrorNo

// "10061:Connection refused"; "Unknown Error No. N" for numbers outside the
// table; empty for 0.
QString SocketErrorText(int number);
