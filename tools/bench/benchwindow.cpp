#include "benchwindow.h"

#include "core/mQuillonix.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/mainlayout.h"
#include "forms/main/reportlistview.h"

#include <QPushButton>
#include <QTest>

frmQX_Quillonix &openMainWindow(std::unique_ptr<frmQX_Quillonix> &window, const QString &folder)
{
    gDBType = QStringLiteral("A");
    gDBPath = folder + QLatin1Char('/');
    if (!funConnectDatabase())
        qFatal("cannot open %s", qPrintable(gConnectString));
    gUserName = QStringLiteral("经理");
    window = std::make_unique<frmQX_Quillonix>();
    window->Form_Load();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qFatal("the main window was not shown");
    return *window;
}

void search(const MainLayout &controls)
{
    QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
    controls.lsvHouse->viewport()->repaint();
}
