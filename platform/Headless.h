#pragma once
// Start-up without a display (cron, ssh, CI) and SIGINT/SIGTERM/SIGHUP as the Cancel button.

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace headless {
// Before the application object exists: with no DISPLAY, no WAYLAND_DISPLAY and no
// QT_QPA_PLATFORM, use Qt's offscreen platform.
void useOffscreenWhenNoDisplay();
}  // namespace headless

// Turns SIGINT, SIGTERM and SIGHUP into a signal of the event loop (a self-pipe read by a notifier).
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void readPipe();
    std::unique_ptr<QSocketNotifier> notifier_;
};
