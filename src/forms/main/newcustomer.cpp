#include "forms/main/newcustomer.h"

#include "forms/main/detailpanel.h"
#include "forms/main/mainlayout.h"
#include "forms/main/reportlistview.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QRadioButton>
#include <QTimer>

namespace {

// Windows may open over one another: a message over the enlarged photo, a file dialog over
// the preview over the comparison. A few more closings than that are plenty.
constexpr int mostWindowsOpen = 8;

// Asks the topmost menu or modal window to close; false when nothing is open. A modal
// window leaves its own event loop only once this handler has returned.
bool closeTopmostWindow()
{
    if (QWidget *menu = QApplication::activePopupWidget()) {
        menu->close();
        return true;
    }
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return false;
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
    else
        modal->close();
    return true;
}

} // namespace

NewCustomer::NewCustomer(const MainLayout &controls, DetailPanel &detail, QObject *parent)
    : QObject(parent), m_controls(controls), m_detail(detail)
{
}

void NewCustomer::cmdNewCustomer_Click()
{
    resetOnceNothingIsOpen(mostWindowsOpen);
}

void NewCustomer::resetOnceNothingIsOpen(int closings)
{
    if (!closeTopmostWindow()) {
        emptyTheWindow();
        return;
    }
    if (closings > 1)
        QTimer::singleShot(0, this, [this, closings] { resetOnceNothingIsOpen(closings - 1); });
}

void NewCustomer::emptyTheWindow()
{
    m_controls.lsvHouseSelected->rows().clear();
    m_controls.lsvHouse->setRows(ListRows(m_controls.lsvHouse->rows().columnCount()));
    m_detail.subClearValue();
    m_controls.cmbQy->setCurrentIndex(0);
    m_controls.cmbWylb->setCurrentIndex(0);
    m_controls.optOpen[0]->setChecked(true);
    m_controls.cmbQy->setFocus();
}
