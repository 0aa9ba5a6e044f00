#pragma once

#include <QString>
#include <array>

class ImageBox;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTimer;
class QWidget;
class ReportListView;
class StatusPanels;

// Every control of the main window, in its designed place. The controls belong to the
// window (Qt parents); this only names them for the parts of the window that use them.
class MainLayout
{
public:
    explicit MainLayout(QWidget *form);

    // The 28 detail boxes in reading order, which is also their tab order.
    static constexpr int detailBoxCount = 28;
    QLineEdit *detailBox(const QString &name) const;

    QGroupBox *Frame1, *Frame2, *Frame3, *Frame4, *Frame6;
    QComboBox *cmbQy, *cmbWylb;
    std::array<QRadioButton *, 4> optOpen;
    QPushButton *cmdSearch;
    // In the search bar's top line: the further conditions in force, and the button that
    // opens their window.
    QLabel *lblConditions;
    QPushButton *cmdConditions;
    ReportListView *lsvHouse;
    std::array<QLineEdit *, detailBoxCount> detailBoxes;
    QLineEdit *txtWysx;
    ReportListView *lsvHouseSelected;
    QPushButton *cmdSelect, *cmdRemove, *cmdClear;
    ImageBox *imgHouse;
    QListWidget *List, *List1;
    QPushButton *cmdDBLocation, *cmdExit;
    // Beside the photo frame, above "定位数据库" and below "退出": the customer's hand-out and
    // the reset for the next customer.
    QPushButton *cmdPrint, *cmdNewCustomer;
    // The commands of the front desk beyond the designed buttons, each with its shortcut,
    // in the lists' context menus and on the buttons above.
    QAction *mnuNewCustomer, *mnuPrint, *mnuCompare, *mnuFindListing, *mnuConditions;
    QTimer *tmQuillonix;
    StatusPanels *stbBottom;

private:
    void buildSearchBar();
    void buildResultList();
    void buildDetailPanel();
    void buildShortList();
    void buildPhotoArea();
    void buildCommands(QWidget *form);
    void setTabOrder();
};
