#include "forms/zoom/frmQX_PictureZoom.h"

#include "forms/common/twips.h"
#include "forms/common/imagebox.h"
#include "forms/common/modal.h"

#include <QGuiApplication>
#include <QScreen>

#include <QKeyEvent>
#include <QListWidget>

frmQX_PictureZoom::frmQX_PictureZoom(const ImageBox &imgHouse, QListWidget &List, int shownEntry, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_imgHouse(imgHouse), m_List(List), m_shownEntry(shownEntry)
{
    setObjectName(QStringLiteral("frmQX_PictureZoom"));
    resize(twips(4680), twips(3195));
    takesKeyboardWhenShown(*this);
    // The photo covers the whole window (Form_Resize): it keeps no designed place.
    ImgZoom = new ImageBox(this);
    ImgZoom->setObjectName(QStringLiteral("ImgZoom"));
    showPhoto();
    Form_Load();
}

void frmQX_PictureZoom::Form_Load()
{
    setWindowIcon(QIcon());
    // Without a window manager nobody maximises the window: it covers the screen itself.
    const QScreen *shownOn = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (shownOn)
        setGeometry(shownOn->availableGeometry());
    setWindowState(Qt::WindowMaximized);
}

void frmQX_PictureZoom::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    Form_Resize();
}

void frmQX_PictureZoom::Form_Resize()
{
    // The window's outer size, frame and caption included, as the photo has always been
    // laid out here: it runs a little past the right and bottom edges.
    const QSize outer = frameGeometry().size();
    ImgZoom->setGeometry(0, 0, outer.width(), outer.height());
    showPhoto();
}

void frmQX_PictureZoom::keyPressEvent(QKeyEvent *event)
{
    const QList<QListWidgetItem *> selected = m_List.selectedItems();
    const int chosen = selected.isEmpty() ? -1 : m_List.row(selected.first());
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        chooseEntry(chosen - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        chooseEntry(chosen + 1);
        break;
    case Qt::Key_Home:
        chooseEntry(0);
        break;
    case Qt::Key_End:
        chooseEntry(m_List.count() - 1);
        break;
    default:
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
}

void frmQX_PictureZoom::chooseEntry(int entry)
{
    if (entry < 0 || entry >= m_List.count() || m_List.item(entry)->isSelected())
        return;
    // The photo list shows the photo, or says why it cannot; the photo box then holds the new
    // photo, or still the last one that could be read.
    const qint64 before = m_imgHouse.picture().cacheKey();
    m_List.setCurrentRow(entry);
    if (m_imgHouse.picture().cacheKey() != before)
        m_shownEntry = entry;
    showPhoto();
}

void frmQX_PictureZoom::showPhoto()
{
    ImgZoom->setPicture(m_imgHouse.picture());
    QString caption = QStringLiteral("图片放大");
    if (m_shownEntry >= 0 && m_shownEntry < m_List.count()) {
        const QString name = m_List.item(m_shownEntry)->text();
        const QString place = QStringLiteral("(%1/%2)").arg(m_shownEntry + 1).arg(m_List.count());
        caption += QStringLiteral(" - ") + (name.isEmpty() ? place : name + QLatin1Char(' ') + place);
    }
    setWindowTitle(caption);
}
