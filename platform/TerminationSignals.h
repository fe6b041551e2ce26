#pragma once

#include <QObject>

class QSocketNotifier;

/**
 * @brief Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the UI thread, so a
 * log-out or kill runs the same orderly shutdown as the close button.
 *
 * install() catches the signals from the first moment of the process; a signal that
 * arrives before the object exists is delivered once the event loop runs.
 */
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    /// Installs the handlers. Call first thing in main().
    static void install();

    explicit TerminationSignals(QObject* parent = nullptr);

signals:
    void terminationRequested(int signalNumber);

private:
    static void handler(int signalNumber);
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
