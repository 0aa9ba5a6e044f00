#include "mainwindowfixture.h"

#include "testsupport.h"

#include "core/mQuillonix.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/reportlistview.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

MainWindowFixture::MainWindowFixture() = default;

MainWindowFixture::~MainWindowFixture()
{
    m_window.reset();
}

frmQX_Quillonix &MainWindowFixture::open()
{
    m_listings.connect();
    if (gUserName.isEmpty())
        gUserName = QStringLiteral("经理");
    m_window = std::make_unique<frmQX_Quillonix>();
    m_window->Form_Load();
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qFatal("the main window was not shown");
    return *m_window;
}

frmQX_Quillonix &MainWindowFixture::openWithAListing()
{
    m_listings.addHouse(QStringLiteral("A1"), {{"wymc", "翠湖花园"}, {"wyqy", "天河区"}, {"fpyx", 2}});
    m_listings.addPicture(QStringLiteral("A1"), QStringLiteral("a.jpg"), QStringLiteral("外景"));
    m_listings.writePhoto(QStringLiteral("a.jpg"));
    open();
    pressSearch();
    clickRow(results(), 0);
    press(QStringLiteral("cmdSelect"));
    m_window->tmQuillonix_Timer();
    return *m_window;
}

QString MainWindowFixture::box(const QString &name) const
{
    return control<QLineEdit>(m_window.get(), name)->text();
}

ReportListView &MainWindowFixture::results() const
{
    return *control<ReportListView>(m_window.get(), QStringLiteral("lsvHouse"));
}

ReportListView &MainWindowFixture::shortList() const
{
    return *control<ReportListView>(m_window.get(), QStringLiteral("lsvHouseSelected"));
}

QListWidget &MainWindowFixture::photoNames() const
{
    return *control<QListWidget>(m_window.get(), QStringLiteral("List"));
}

QListWidget &MainWindowFixture::photoNumbers() const
{
    return *control<QListWidget>(m_window.get(), QStringLiteral("List1"));
}

void MainWindowFixture::chooseRegion(const QString &text)
{
    auto *regions = control<QComboBox>(m_window.get(), QStringLiteral("cmbQy"));
    regions->setCurrentIndex(regions->findText(text));
}

void MainWindowFixture::chooseCategory(const QString &text)
{
    auto *categories = control<QComboBox>(m_window.get(), QStringLiteral("cmbWylb"));
    categories->setCurrentIndex(categories->findText(text));
}

void MainWindowFixture::chooseOfferType(int index)
{
    QTest::mouseClick(control<QRadioButton>(m_window.get(), QStringLiteral("optOpen(%1)").arg(index)), Qt::LeftButton,
                      {}, QPoint(5, 7));
}

void MainWindowFixture::pressSearch()
{
    press(QStringLiteral("cmdSearch"));
}

void MainWindowFixture::press(const QString &button)
{
    QTest::mouseClick(control<QPushButton>(m_window.get(), button), Qt::LeftButton);
}

QStringList MainWindowFixture::column(const ReportListView &list, int column)
{
    QStringList texts;
    for (int row = 0; row < list.rowCount(); ++row)
        texts << list.rows().cell(row, column);
    return texts;
}

void MainWindowFixture::clickRow(ReportListView &list, int row)
{
    list.scrollTo(list.model()->index(row, 0));
    const QRect cell = list.visualRect(list.model()->index(row, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
}

QStringList MainWindowFixture::shortListShown() const
{
    const ReportListView &list = shortList();
    QStringList rows;
    for (int row = 0; row < list.rowCount(); ++row)
        rows << list.rows().cell(row, 0) + QLatin1Char('|') + list.model()->index(row, 1).data().toString();
    return rows;
}

QStringList MainWindowFixture::entries(const QListWidget &list)
{
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts << list.item(row)->text();
    return texts;
}
