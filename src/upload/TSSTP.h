#pragma once

#include "upload/SstpRequest.h"

#include <QObject>
#include <QThread>
#include <functional>

// The "Entry" lines of a notifier's header store, as a list.
class TMultiLineHeaderContents {
public:
    TMultiLineHeaderContents(SstpRequest::HeaderLines& store, SjisString name)
        : store_(store), name_(std::move(name)) {}

    int Count() const;
    SjisString Get(int index) const;
    void Put(int index, SjisView value);
    void Insert(int index, SjisView value); // index == Count() appends
    void Delete(int index);
    void Clear();
    void Assign(const std::vector<SjisString>& values);

private:
    // Position in the store of the index-th line of this name, or npos.
    size_t StoreIndex(int index) const;

    SstpRequest::HeaderLines& store_;
    SjisString name_;
};

class SstpWorker;

// Sends short notifications to the desktop companion listening for SSTP on
// 127.0.0.1:11000. The request is built on the caller's thread; a worker
// thread with an event loop of its own connects, sends and reads the reply,
// so the caller's thread never waits for the network, not even to learn
// whether a companion listens (a refused connection is status 6). The
// result comes back on the caller's thread (OnError, OnEndRequest,
// requestEnded).
class TSSTP : public QObject {
    Q_OBJECT
public:
    // Status codes of a request.
    enum Status {
        StatusOk = 0,           // reply code 200
        StatusSocketError = 1,  // sending or receiving failed, or the deadline passed
        StatusReplyError = 2,   // a reply code other than 200
        StatusUnexpected = 3,   // the exchange ended by an unexpected error
        StatusNoLibrary = 4,    // the socket library could not be started
        StatusNoCompanion = 6,  // no companion took the connection; nothing was sent
        StatusBusy = 7,         // a request is still in flight; nothing was sent
    };
    enum HeaderIndex { Sender, Script, Option, Command, Document, Songname, Sentence, Entries, HWnd, Port };

    static constexpr quint16 CompanionPort = 11000;
    // The most of a reply that is kept: reading stops there and the code is
    // taken from what was read (a real reply is a few short lines), so a
    // flooding listener cannot exhaust memory.
    static constexpr int ReplyCap = 4096;
    // On destruction an exchange still running gets this long to end; then
    // it is dropped, so that no listener can keep the program from exiting.
    static constexpr int ExitGrace = 1000;

    explicit TSSTP(QObject* owner = nullptr);
    ~TSSTP() override;

    bool Active = true;
    // One deadline in ms for the whole exchange (connect, send, read to the
    // companion's close): a listener that trickles or never closes cannot
    // keep a request in flight longer.
    int ExchangeDeadline = 5000;

    std::function<void(TSSTP&)> OnFullRequest;
    std::function<void(TSSTP&)> OnError;
    std::function<void(TSSTP&)> OnEndRequest;

    // Indexed header properties. HWnd and Port are decimal; 0 is stored as an
    // empty value.
    SjisString GetHeader(int index) const;
    void SetHeader(int index, SjisView value);
    void SetHWnd(long long handle);
    void SetPort(int port);
    TMultiLineHeaderContents& EntryList() { return entries_; }
    const SstpRequest::HeaderLines& HeaderStore() const { return headers_; }

    // Hands the request to the worker and returns at once. Unless the
    // notifier is inactive, OnEndRequest and requestEnded follow every call:
    // at once when refused (busy), otherwise when the exchange has ended.
    void Send();
    bool Busy() const { return busy_; }
    int StatusCode() const { return status_; }
    int ErrorNo() const { return errorNo_; }
    int ReplyCode() const { return replyCode_; }
    const SjisString& Reply() const { return reply_; }
    const SjisString& ReplyFirstLine() const { return replyFirstLine_; }

    // What the worker hands back when an exchange has ended.
    struct Outcome {
        int status = StatusOk;
        int errorNo = 0;   // QAbstractSocket::SocketError of a failed exchange
        SjisString reply;  // at most ReplyCap bytes
    };

signals:
    // After OnEndRequest; for callers that prefer signals.
    void requestEnded();

private:
    void Complete(const Outcome& outcome);
    void ReportEnd();
    void ClearResult();

    SstpRequest::HeaderLines headers_;
    TMultiLineHeaderContents entries_;
    bool busy_ = false;

    // Written and read on the caller's thread only: the worker hands its
    // outcome over by a queued call.
    int status_ = 0;
    int errorNo_ = 0;
    int replyCode_ = 0;
    SjisString reply_;
    SjisString replyFirstLine_;

    QThread thread_;
    SstpWorker* worker_; // lives in thread_, deleted when it finishes
};
