#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class ConditionsChoice;
class DetailPanel;
class MainLayout;

// A fresh start for the next customer: nothing of the last customer's choices stays on the
// screen. The settings, the login line and the clock stay as they are.
class NewCustomer : public QObject
{
    Q_OBJECT
public:
    NewCustomer(const MainLayout &controls, DetailPanel &detail, ConditionsChoice &further, QObject *parent);

    // Closes what is open over the main window (a menu, the enlarged photo, a preview, a
    // message, a prompt), each as its Esc or 取消 would, then empties the short list, the
    // hits and the detail panel with its photo, puts the search choices back to
    // 全部 / 全部 / 所有 and empties the further conditions. A window that stays open leaves everything as it is.
    void cmdNewCustomer_Click();

private:
    // Closes the topmost window and comes back for the next, until none is open; stops
    // when the window asked last is still open.
    void resetOnceNothingIsOpen(QPointer<QWidget> closedLast);
    void emptyTheWindow();

    const MainLayout &m_controls;
    DetailPanel &m_detail;
    ConditionsChoice &m_further;
};
