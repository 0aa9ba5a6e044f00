#include "forms/main/newcustomer.h"

#include "forms/conditions/conditionschoice.h"
#include "forms/main/detailpanel.h"
#include "forms/main/mainlayout.h"
#include "forms/main/reportlistview.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QRadioButton>
#include <QTimer>

namespace {

// The menu or modal window on top of all others; none when nothing is open over the main
// window.
QWidget *topmostWindow()
{
    if (QWidget *menu = QApplication::activePopupWidget())
        return menu;
    return QApplication::activeModalWidget();
}

// Asks a window to close as its Esc or 取消 would. A modal window leaves its own event loop
// only once this handler has returned.
void closeWindow(QWidget *window)
{
    if (auto *dialog = qobject_cast<QDialog *>(window))
        dialog->reject();
    else
        window->close();
}

} // namespace

NewCustomer::NewCustomer(const MainLayout &controls, DetailPanel &detail, ConditionsChoice &further,
                         QObject *parent)
    : QObject(parent), m_controls(controls), m_detail(detail), m_further(further)
{
}

void NewCustomer::cmdNewCustomer_Click()
{
    resetOnceNothingIsOpen(nullptr);
}

void NewCustomer::resetOnceNothingIsOpen(QPointer<QWidget> closedLast)
{
    QWidget *topmost = topmostWindow();
    if (!topmost) {
        emptyTheWindow();
        return;
    }
    // However many windows are open, one closes at a time, until one refuses to.
    if (topmost == closedLast)
        return;
    closeWindow(topmost);
    QTimer::singleShot(0, this, [this, closed = QPointer<QWidget>(topmost)] { resetOnceNothingIsOpen(closed); });
}

void NewCustomer::emptyTheWindow()
{
    m_controls.lsvHouseSelected->rows().clear();
    m_controls.lsvHouse->setRows(ListRows(m_controls.lsvHouse->rows().columnCount()));
    m_detail.subClearValue();
    m_controls.cmbQy->setCurrentIndex(0);
    m_controls.cmbWylb->setCurrentIndex(0);
    m_controls.optOpen[0]->setChecked(true);
    m_further.clear();
    m_controls.cmbQy->setFocus();
}
