#pragma once

#include "upload/SstpRequest.h"

#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class TSSTP;

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

// Sends short notifications to the desktop companion listening for SSTP on
// 127.0.0.1:11000. The request is built here on the caller's thread and
// exchanged by a worker thread, so the caller never waits for the network;
// the result comes back on the caller's thread (OnError, OnEndRequest).
class TSSTP : public QObject {
    Q_OBJECT
public:
    // Status codes of a request.
    enum Status {
        StatusOk = 0,           // reply code 200
        StatusSocketError = 1,  // creating, connecting, sending or receiving failed
        StatusReplyError = 2,   // a reply code other than 200
        StatusUnexpected = 3,   // the exchange ended by an unexpected error
        StatusNoLibrary = 4,    // the socket library could not be started
        StatusNoCompanion = 6,  // no companion is listening; nothing was sent
        StatusBusy = 7,         // a request is still in flight; nothing was sent
    };
    enum HeaderIndex { Sender, Script, Option, Command, Document, Songname, Sentence, Entries, HWnd, Port };

    static constexpr quint16 CompanionPort = 11000;

    explicit TSSTP(QObject* owner = nullptr);
    ~TSSTP() override;

    bool Active = true;
    // A companion that accepts but never closes cannot keep the worker forever.
    int ExchangeTimeOut = 10000;

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

    // Hands the request to the worker; refused while one is in flight.
    void Send();
    bool Busy() const { return busy_; }
    int StatusCode() const;
    int ErrorNo() const;
    int ReplyCode() const;
    SjisString Reply() const;
    SjisString ReplyFirstLine() const;

signals:
    // After OnEndRequest; for callers that prefer signals.
    void requestEnded();

private:
    void WorkerLoop();
    void Exchange(const SjisString& request);
    void Complete();
    static bool CompanionListening();
    void SetResult(int status);

    SstpRequest::HeaderLines headers_;
    TMultiLineHeaderContents entries_;
    bool busy_ = false;

    mutable std::mutex resultLock_;
    int status_ = 0;
    int errorNo_ = 0;
    int replyCode_ = 0;
    SjisString reply_;
    SjisString replyFirstLine_;

    // Hand-over to the worker.
    std::mutex handLock_;
    std::condition_variable handCv_;
    SjisString pending_;
    bool hasRequest_ = false;
    bool copied_ = false;
    bool terminate_ = false;
    std::thread worker_;
};
