#include "forms/main/frmQX_Quillonix.h"

#include "core/connection.h"
#include "core/dberror.h"
#include "core/logcategories.h"
#include "core/mQuillonix.h"
#include "core/runningcopy.h"
#include "core/valuetext.h"
#include "forms/common/designscale.h"
#include "forms/common/imagebox.h"
#include "forms/common/messagebox.h"
#include "forms/common/modal.h"
#include "forms/common/programend.h"
#include "forms/conditions/conditionschoice.h"
#include "forms/dblocation/frmQX_DataBaseLocation.h"
#include "forms/main/changefollower.h"
#include "forms/main/detailpanel.h"
#include "forms/main/idlereset.h"
#include "forms/main/listinglookup.h"
#include "forms/main/listingsearch.h"
#include "forms/main/mainlayout.h"
#include "forms/main/newcustomer.h"
#include "forms/main/photoarea.h"
#include "forms/main/reportlistview.h"
#include "forms/main/resultlist.h"
#include "forms/main/shortlist.h"
#include "forms/main/statuspanels.h"
#include "forms/privilege/frmQX_CheckPrivilege.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {

constexpr int readingPanel = 2;
constexpr int loginPanel = 3;
constexpr int clockPanel = 4;
// How often the database is looked at for changes another program made.
constexpr int changeCheckMs = 2000;
const QString privilegeCaption = QStringLiteral("权限检查");

} // namespace

frmQX_Quillonix::frmQX_Quillonix(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmQX_Quillonix"));
    setWindowTitle(designedCaption());
    setFixedSize(twips(DesignScale::designedClientArea.width()), twips(DesignScale::designedClientArea.height()));
    takesKeyboardWhenShown(*this);
    m_layout = std::make_unique<MainLayout>(this);
    placeStatusBar();
    m_detail = std::make_unique<DetailPanel>(*m_layout);
    m_further = new ConditionsChoice(*m_layout->lblConditions, *this);
    m_search = std::make_unique<ListingSearch>(*m_layout, *m_detail, *m_further);
    m_results = std::make_unique<ResultList>(*m_layout, *m_detail);
    m_photos = std::make_unique<PhotoArea>(*m_layout, this);
    m_shortList = std::make_unique<ShortList>(*m_layout, *m_detail, this);
    m_lookup = std::make_unique<ListingLookup>(*m_detail, this);
    m_newCustomer = new NewCustomer(*m_layout, *m_detail, *m_further, this);
    m_idleReset = new IdleReset(*m_layout->stbBottom, [this] { m_newCustomer->cmdNewCustomer_Click(); }, this);
    m_changes = new ChangeFollower(*m_detail, *m_layout->stbBottom, this);
    connect(m_changes, &ChangeFollower::takenUp, this, [this] { m_shortList->followChanges(); });
    connectEvents();
    connectCommands();
    m_layout->tmQuillonix->start();
}

frmQX_Quillonix::~frmQX_Quillonix() = default;

QString frmQX_Quillonix::designedCaption()
{
    return QStringLiteral("- 查看房源 -");
}

void frmQX_Quillonix::connectEvents()
{
    const MainLayout &c = *m_layout;
    connect(c.tmQuillonix, &QTimer::timeout, this, &frmQX_Quillonix::tmQuillonix_Timer);
    connect(c.cmdSearch, &QPushButton::clicked, this, [this] {
        m_changes->searched();
        m_search->cmdSearch_Click();
        m_changes->check();
    });
    connect(c.lsvHouse, &ReportListView::Click, this, [this] { m_results->lsvHouse_Click(); });
    connect(c.lsvHouse, &ReportListView::KeyUp, this, [this] { m_results->lsvHouse_KeyUp(); });
    connect(c.lsvHouse, &ReportListView::ColumnClick, this,
            [this](int position) { m_results->lsvHouse_ColumnClick(position); });
    connect(c.List, &QListWidget::itemSelectionChanged, this, [this] { m_photos->List_Click(); });
    connect(c.imgHouse, &ImageBox::doubleClicked, this, [this] { m_photos->imgHouse_DblClick(); });
    connect(c.cmdSelect, &QPushButton::clicked, this, [this] { m_shortList->cmdSelect_Click(); });
    connect(c.cmdRemove, &QPushButton::clicked, this, [this] { m_shortList->cmdRemove_Click(); });
    connect(c.cmdClear, &QPushButton::clicked, this, [this] { m_shortList->cmdClear_Click(); });
    connect(c.lsvHouseSelected, &ReportListView::Click, this, [this] { m_shortList->lsvHouseSelected_Click(); });
    connect(c.lsvHouseSelected, &ReportListView::KeyUp, this, [this] { m_shortList->lsvHouseSelected_KeyUp(); });
    connect(c.cmdDBLocation, &QPushButton::clicked, this, &frmQX_Quillonix::cmdDBLocation_Click);
    connect(c.cmdExit, &QPushButton::clicked, this, &frmQX_Quillonix::cmdExit_Click);
}

void frmQX_Quillonix::connectCommands()
{
    const MainLayout &c = *m_layout;
    connect(c.mnuNewCustomer, &QAction::triggered, m_newCustomer, &NewCustomer::cmdNewCustomer_Click);
    connect(c.mnuPrint, &QAction::triggered, this, [this] { m_shortList->cmdPrint_Click(); });
    connect(c.mnuCompare, &QAction::triggered, this, [this] { m_shortList->mnuCompare_Click(); });
    connect(c.mnuFindListing, &QAction::triggered, this, [this] { m_lookup->mnuFindListing_Click(); });
    connect(c.mnuConditions, &QAction::triggered, m_further, &ConditionsChoice::cmdConditions_Click);
    connect(c.cmdConditions, &QPushButton::clicked, c.mnuConditions, &QAction::trigger);
    connect(c.cmdNewCustomer, &QPushButton::clicked, c.mnuNewCustomer, &QAction::trigger);
    connect(c.cmdPrint, &QPushButton::clicked, c.mnuPrint, &QAction::trigger);
    // Nothing to print for an empty short list.
    const auto followShortList = [layout = m_layout.get()] {
        const bool filled = layout->lsvHouseSelected->rowCount() > 0;
        layout->mnuPrint->setEnabled(filled);
        layout->cmdPrint->setEnabled(filled);
    };
    ListViewModel *shortList = &c.lsvHouseSelected->rows();
    connect(shortList, &QAbstractItemModel::rowsInserted, this, followShortList);
    connect(shortList, &QAbstractItemModel::rowsRemoved, this, followShortList);
    connect(shortList, &QAbstractItemModel::modelReset, this, followShortList);
    followShortList();
}

void frmQX_Quillonix::Form_Load()
{
    setWindowTitle(designedCaption());
    setWindowIcon(QIcon());
    m_layout->txtWysx->setText(QString());
    // A server says itself what changed; a file is looked at.
    const QString file = Connection::fileOf(gConnection.connectionString());
    if (gConnection.tellsOfChanges()) {
        gConnection.setChangeListener([changes = QPointer<ChangeFollower>(m_changes)](const QByteArray &number) {
            if (changes)
                changes->listingChanged(number);
        });
    } else if (!file.isEmpty()) {
        m_changes->watchFile(file, changeCheckMs);
    }
    fillSearchLists();
    fitToScreen();
    if (const int minutes = funLoadIdleResetMinutes())
        m_idleReset->start(std::chrono::minutes(minutes));
}

void frmQX_Quillonix::fillSearchLists()
{
    QComboBox *regions = m_layout->cmbQy;
    QComboBox *categories = m_layout->cmbWylb;
    const QString all = QStringLiteral("全部");
    regions->addItem(all);
    categories->addItem(all);
    try {
        Recordset &values = funOpenQuery(QStringLiteral("SELECT * FROM parasetting "));
        for (; !values.eof(); values.moveNext()) {
            const QVariant list = values.field(QStringLiteral("lbh"));
            const QVariant value = values.field(QStringLiteral("lbm"));
            // A value without text could never match a listing: it is not offered.
            if (value.isNull())
                continue;
            // Each entry keeps its value as stored, for the search to bind.
            const QVariant stored = QVariant::fromValue(values.storedText(QStringLiteral("lbm")));
            if (ValueText::equalsNumber(list, 1))
                regions->addItem(ValueText::plain(value), stored);
            else if (ValueText::equalsNumber(list, 2))
                categories->addItem(ValueText::plain(value), stored);
        }
        values.close();
    } catch (const DbError &error) {
        for (QComboBox *choice : {regions, categories}) {
            while (choice->count() > 1)
                choice->removeItem(choice->count() - 1);
        }
        showError(lcDatabase, QStringLiteral("不能读取区域和物业类别，只能按“全部”检索：") + error.report(),
                  MessageFlags::Information, designedCaption());
    }
    regions->setCurrentIndex(0);
    categories->setCurrentIndex(0);
}

void frmQX_Quillonix::fitToScreen()
{
    const QScreen *shownOn = screen();
    if (!shownOn)
        return;
    const QRect area = shownOn->availableGeometry();
    QMargins frame;
    if (windowHandle() && isVisible())
        frame = windowHandle()->frameMargins();
    const QSize room = area.size().shrunkBy(frame);
    DesignScale::setFactor(DesignScale::chosenFor(room));
    setFixedSize(room);
    move(area.topLeft());
    placeStatusBar();
}

void frmQX_Quillonix::followScreen(QScreen *shownOn)
{
    disconnect(m_screenResized);
    if (shownOn)
        m_screenResized = connect(shownOn, &QScreen::availableGeometryChanged, this, &frmQX_Quillonix::fitToScreen);
    fitToScreen();
}

void frmQX_Quillonix::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    connect(windowHandle(), &QWindow::screenChanged, this, &frmQX_Quillonix::followScreen, Qt::UniqueConnection);
    // The window manager's frame is known once the window is on the screen.
    QTimer::singleShot(0, this, [this] { followScreen(screen()); });
    if (!m_runningCopy) {
        m_runningCopy = new RunningCopyServer([this] { return windowTitle(); }, this);
        connect(m_runningCopy, &RunningCopyServer::activationRequested, this, [this] {
            setWindowState(windowState() & ~Qt::WindowMinimized);
            raise();
            activateWindow();
        });
        m_runningCopy->listen();
    }
}

void frmQX_Quillonix::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeStatusBar();
}

void frmQX_Quillonix::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::StyleChange)
        placeStatusBar();
}

void frmQX_Quillonix::placeStatusBar()
{
    // Along the bottom edge, across the whole window, at the designed height.
    const int barHeight = twips(285);
    m_layout->stbBottom->setGeometry(0, height() - barHeight, width(), barHeight);
}

bool frmQX_Quillonix::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        // By now the window manager has framed the window: the frame is known.
        fitToScreen();
        Form_Activate();
    }
    return QWidget::event(event);
}

void frmQX_Quillonix::Form_Activate()
{
    m_layout->stbBottom->setPanelText(loginPanel, QStringLiteral("登录：") + gUserName.shown());
}

void frmQX_Quillonix::tmQuillonix_Timer()
{
    const QDateTime now = QDateTime::currentDateTime();
    m_layout->stbBottom->setPanelText(clockPanel, now.toString(QStringLiteral("yyyy-MM-dd"))
                                                      + QStringLiteral("  ")
                                                      + now.toString(QStringLiteral("H:mm:ss")));
}

void frmQX_Quillonix::showDatabaseReading(bool reading)
{
    m_layout->stbBottom->setPanelText(readingPanel, reading ? QStringLiteral("正在读取数据库……") : m_changes->notice());
}

bool frmQX_Quillonix::passesPrivilegeCheck(const QString &refusal)
{
    gPrivilegeOK = false;
    frmQX_CheckPrivilege prompt(this);
    showModal(prompt);
    if (gPrivilegeOK)
        return true;
    if (!gPrivilegeText.isEmpty())
        showMessage(refusal, MessageFlags::Information, privilegeCaption);
    return false;
}

void frmQX_Quillonix::cmdExit_Click()
{
    if (!passesPrivilegeCheck(QStringLiteral("您没有权限退出！")))
        return;
    m_unloading = true;
    close();
    ProgramEnd::now();
}

void frmQX_Quillonix::cmdDBLocation_Click()
{
    if (!passesPrivilegeCheck(QStringLiteral("您没有权限选择数据库！")))
        return;
    frmQX_DataBaseLocation location(this);
    showModal(location);
}

void frmQX_Quillonix::closeEvent(QCloseEvent *event)
{
    if (m_unloading) {
        event->accept();
        return;
    }
    event->ignore();
    cmdExit_Click();
}
