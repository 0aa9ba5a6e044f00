#include "forms/common/modal.h"

#include <QDialog>

int showModal(QDialog &dialog)
{
    const int result = dialog.exec();
    if (QWidget *owner = dialog.parentWidget()) {
        if (owner->window()->isVisible())
            owner->window()->activateWindow();
    }
    return result;
}
