#pragma once
// Starting programs for the script engine: each start runs on a worker thread of its own, which
// starts the program, waits for it there and reports back through the event loop.

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Kept for the scripts' sake; programs here are started without a show command.
enum class TShowWindow {
    swHide, swMaximize, swMinimize, swRestore, swShow, swShowDefault, swShowMaximized,
    swShowMinimized, swShowMinNoActive, swShowNA, swShowNoActivate, swShowNormal,
};

// The outcome of one start. The worker writes it, the window's thread polls it; each start has
// its own, so a program that ends late never answers for a later start.
class TProcessRun {
public:
    enum class State { Starting, StartFailed, Running, Finished };
    State state() const { return state_.load(); }
    bool startKnown() const { return state() != State::Starting; }
    bool startFailed() const { return state() == State::StartFailed; }
    bool ended() const { return state() == State::StartFailed || state() == State::Finished; }
    int exitCode() const { return exitCode_.load(); }
    int startError() const { return startError_.load(); }  // errno of a failed start

private:
    friend class TProcess;
    std::atomic<State> state_{State::Starting};
    std::atomic<int> exitCode_{-1};
    std::atomic<int> startError_{0};
};

class TProcess : public QObject {
    Q_OBJECT
public:
    using TProcessEvent = std::function<void(TProcess& sender, int exitCode)>;

    explicit TProcess(QObject* parent = nullptr);
    ~TProcess() override;

    std::string Command;    // Windows-style command line, split by its quoting rules
    TShowWindow ShowWindow = TShowWindow::swShow;
    std::string Directory;  // working folder; empty: the runner's current folder
    bool Wait = true;       // report the program's end through OnFinished
    TProcessEvent OnFinished;

    // Starts a worker for a snapshot of the settings above and returns at once. Called on the
    // window's thread, which also receives OnFinished. Never throws: a worker that cannot be
    // created gives a failed start.
    std::shared_ptr<const TProcessRun> Execute();

private:
    struct Relay;
    std::shared_ptr<Relay> relay_;
};
