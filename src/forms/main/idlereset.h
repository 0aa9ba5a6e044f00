#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

class StatusPanels;

// The optional reset for the next customer after a time without a key or mouse input on
// any window of the program. The last stretch of that time counts down in status-bar
// panel 2; any input stops the count and starts the waiting again.
class IdleReset : public QObject
{
    Q_OBJECT
public:
    IdleReset(StatusPanels &stbBottom, std::function<void()> reset, QObject *parent);

    // Watches for input from now on: after idle without any, reset runs; the countdown
    // shows for the last notice of that time.
    void start(std::chrono::milliseconds idle, std::chrono::milliseconds notice = std::chrono::seconds(30));
    void stop();
    bool isActive() const { return m_idle.count() > 0; }
    std::chrono::milliseconds idleTime() const { return m_idle; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void waitAgain();
    void startCountdown();
    void countDown();
    void showCountdown();

    StatusPanels &m_stbBottom;
    std::function<void()> m_reset;
    std::chrono::milliseconds m_idle{0};
    std::chrono::milliseconds m_notice{0};
    // Runs until the countdown begins; then a tick a second counts down to the reset.
    QTimer m_quiet;
    QTimer m_second;
    int m_secondsLeft = 0;
};
