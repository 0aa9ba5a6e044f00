#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

// How copies of the program find each other: the main window of a running copy answers
// on a local socket of the user's own, with its caption; a starting copy asks for the
// caption and may ask the running copy to bring its main window to the front.
namespace RunningCopy {

// The socket's path in the user's own runtime folder; "" when there is no private folder
// for it, and then no copy finds another.
QString socketPath();
// The caption of the running copy's main window, or "" when no copy answers in time.
QString askCaption(int timeoutMs = 1000);
// Asks the running copy to bring its main window to the front.
void requestActivation(int timeoutMs = 1000);

} // namespace RunningCopy

// The answering side, owned by the main window while it is shown.
class RunningCopyServer : public QObject
{
    Q_OBJECT
public:
    RunningCopyServer(std::function<QString()> caption, QObject *parent);
    // Answers from now on; false when the socket cannot be had, for instance while another
    // copy answers on it.
    bool listen();

signals:
    void activationRequested();

private:
    void answer();

    std::function<QString()> m_caption;
    QLocalServer *m_server;
};
