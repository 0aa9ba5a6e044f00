#pragma once

#include <QWidget>
#include <memory>

class ChangeFollower;
class ConditionsChoice;
class DetailPanel;
class IdleReset;
class ListingLookup;
class ListingSearch;
class MainLayout;
class QScreen;
class NewCustomer;
class PhotoArea;
class ResultList;
class RunningCopyServer;
class ShortList;

// The listing browser the front desk works in after login.
class frmQX_Quillonix : public QWidget
{
    Q_OBJECT
public:
    explicit frmQX_Quillonix(QWidget *parent = nullptr);
    ~frmQX_Quillonix() override;

    // A second copy of the program recognises a running one by this caption.
    static QString designedCaption();

    void Form_Load();
    void Form_Activate();
    void tmQuillonix_Timer();
    void cmdExit_Click();
    void cmdDBLocation_Click();
    // Says in status-bar panel 2 whether the database is being read.
    void showDatabaseReading(bool reading);

    const MainLayout &controls() const { return *m_layout; }
    DetailPanel &detailPanel() { return *m_detail; }
    ListingSearch &listingSearch() { return *m_search; }
    ResultList &resultList() { return *m_results; }
    PhotoArea &photoArea() { return *m_photos; }
    ShortList &shortList() { return *m_shortList; }
    NewCustomer &newCustomer() { return *m_newCustomer; }
    ConditionsChoice &furtherConditions() { return *m_further; }
    IdleReset &idleReset() { return *m_idleReset; }
    ChangeFollower &changeFollower() { return *m_changes; }

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    // A close request from the window manager asks for the password like "退出".
    void closeEvent(QCloseEvent *event) override;

private:
    void connectEvents();
    void connectCommands();
    void fillSearchLists();
    // Covers the screen's available area, the design drawn at the largest scale that fits it
    // (or at the setting's).
    void fitToScreen();
    // Follows the screen the window is on: its size, and a move to another screen.
    void followScreen(QScreen *shownOn);
    void placeStatusBar();
    // Asks for the logged-in user's password; says refusal when a wrong one was typed.
    bool passesPrivilegeCheck(const QString &refusal);

    std::unique_ptr<MainLayout> m_layout;
    std::unique_ptr<DetailPanel> m_detail;
    std::unique_ptr<ListingSearch> m_search;
    std::unique_ptr<ResultList> m_results;
    std::unique_ptr<PhotoArea> m_photos;
    std::unique_ptr<ShortList> m_shortList;
    std::unique_ptr<ListingLookup> m_lookup;
    ConditionsChoice *m_further;
    NewCustomer *m_newCustomer;
    IdleReset *m_idleReset;
    ChangeFollower *m_changes;
    RunningCopyServer *m_runningCopy = nullptr;
    QMetaObject::Connection m_screenResized;
    bool m_unloading = false;
};
