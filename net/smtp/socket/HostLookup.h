#pragma once
// Asynchronous host lookups: the resolver runs on a worker thread and its answer is posted to the
// receiver as a HostLookupEvent, so it arrives through the event loop of the receiver's thread.

#include <QEvent>
#include <QObject>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class HostLookupEvent : public QEvent {
public:
    static QEvent::Type eventType();

    HostLookupEvent(int id, bool reverse) : QEvent(eventType()), id(id), reverse(reverse) {}

    int id;
    bool reverse;     // address-to-name
    int error = 0;    // Winsock number
    std::vector<std::string> results;  // dotted addresses, or the one host name
};

// One running lookup. Cancel() guarantees that nothing is posted afterwards.
class HostLookup {
public:
    // Starts the worker; throws std::system_error when no thread can be started.
    static std::shared_ptr<HostLookup> Start(QObject* receiver, int id, std::string query, bool reverse);

    explicit HostLookup(QObject* receiver) : receiver_(receiver) {}
    void Cancel();

private:
    void Deliver(std::unique_ptr<HostLookupEvent> event);

    std::mutex mutex_;
    QObject* receiver_;
    bool cancelled_ = false;
};
