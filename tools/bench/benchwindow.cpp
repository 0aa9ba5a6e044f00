#include "benchwindow.h"

#include "core/mQuillonix.h"
#include "core/storedtext.h"
#include "core/valuetext.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/mainlayout.h"
#include "forms/main/reportlistview.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
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

void chooseFilteredSearch(const MainLayout &controls)
{
    controls.cmbQy->setCurrentIndex(1);
    controls.cmbWylb->setCurrentIndex(1);
    controls.optOpen[2]->setChecked(true);
}

void chooseStartChoices(const MainLayout &controls)
{
    controls.cmbQy->setCurrentIndex(0);
    controls.cmbWylb->setCurrentIndex(0);
    controls.optOpen[0]->setChecked(true);
}

QByteArrayList boundTexts(const QVariantList &values)
{
    QByteArrayList texts;
    // Stored text as its very bytes; numbers and typed text in their plain form.
    for (const QVariant &value : values) {
        texts << (value.metaType() == QMetaType::fromType<StoredText>() ? value.value<StoredText>().bytes()
                                                                         : ValueText::plain(value).toUtf8());
    }
    return texts;
}
