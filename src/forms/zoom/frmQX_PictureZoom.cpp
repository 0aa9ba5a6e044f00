#include "forms/zoom/frmQX_PictureZoom.h"

#include "forms/common/controls.h"
#include "forms/common/imagebox.h"
#include "forms/common/modal.h"

#include <QGuiApplication>
#include <QScreen>

frmQX_PictureZoom::frmQX_PictureZoom(const ImageBox &imgHouse, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_imgHouse(imgHouse)
{
    setObjectName(QStringLiteral("frmQX_PictureZoom"));
    setWindowTitle(QStringLiteral("图片放大"));
    resize(twips(4680), twips(3195));
    takesKeyboardWhenShown(*this);
    ImgZoom = placeControl<ImageBox>(this, QStringLiteral("ImgZoom"), twipsRect(120, 630, 1875, 1905));
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
    ImgZoom->setPicture(m_imgHouse.picture());
}
