#include "forms/main/photoarea.h"

#include "core/heldinput.h"
#include "core/logcategories.h"
#include "core/mQuillonix.h"
#include "forms/common/imagebox.h"
#include "forms/common/messagebox.h"
#include "forms/common/modal.h"
#include "forms/main/listingrecord.h"
#include "forms/main/mainlayout.h"
#include "forms/main/photofile.h"
#include "forms/zoom/frmQX_PictureZoom.h"

#include <QAction>
#include <QDir>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>

namespace {

const QString photoCaption = QStringLiteral("房源图片");

// The largest the photo is ever drawn: the enlarged view covers the screen, in its device
// pixels.
QSize largestDrawn(const QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->size() * screen->devicePixelRatio() : QSize(1920, 1080);
}

// A photo from a camera takes a second or more to decode: it is decoded on another thread
// while the window goes on painting and its clock runs; the user's input waits for it.
QImage readPhotoAside(const QString &file, const QSize &largest)
{
    QEventLoop waiting;
    QFutureWatcher<QImage> decoding;
    QObject::connect(&decoding, &QFutureWatcherBase::finished, &waiting, &QEventLoop::quit);
    decoding.setFuture(QtConcurrent::run(readPhoto, file, largest));
    if (!decoding.isFinished())
        waitHoldingInput(waiting, std::chrono::milliseconds(300));
    return decoding.result();
}

} // namespace

PhotoArea::PhotoArea(const MainLayout &controls, QWidget *window) : m_controls(controls), m_window(window)
{
}

QString PhotoArea::photoPath(const QString &strDBPath, const QString &strPhotoNumber)
{
    // A number names a file inside the picture folder; one that climbs out of it names none.
    const QString inside = QDir::cleanPath(strPhotoNumber);
    if (QDir::isAbsolutePath(strPhotoNumber) || inside == QLatin1String("..")
        || inside.startsWith(QLatin1String("../")))
        return QString();
    return strDBPath + QStringLiteral("picture") + QLatin1Char('/') + strPhotoNumber;
}

void PhotoArea::List_Click()
{
    const QList<QListWidgetItem *> selected = m_controls.List->selectedItems();
    if (selected.isEmpty())
        return;
    const int chosen = m_controls.List->row(selected.first());
    if (chosen >= m_controls.List1->count())
        return;
    const QString name = m_controls.List->item(chosen)->text();
    const QString file = funLocateFile(photoPath(gDBPath, m_controls.List1->item(chosen)->text()));
    if (file.isEmpty()) {
        showError(lcPhoto, QStringLiteral("找不到文件") + name + QStringLiteral("，可能已被删除或改变了存放目录！"),
                  MessageFlags::Information, photoCaption);
        return;
    }
    const QImage picture = readPhotoAside(file, largestDrawn(m_window));
    if (picture.isNull()) {
        showError(lcPhoto, QStringLiteral("不能显示图片") + name + QStringLiteral("，文件已损坏或不是可以显示的图片！"),
                  MessageFlags::Information, photoCaption);
        return;
    }
    m_controls.imgHouse->setPicture(picture);
    m_shownEntry = chosen;
}

void PhotoArea::imgHouse_DblClick()
{
    if (!m_controls.imgHouse->hasPicture())
        return;
    frmQX_PictureZoom zoom(*m_controls.imgHouse, *m_controls.List, m_shownEntry, m_window);
    // The next customer may come while a photo is enlarged: 新客户's shortcut works there too.
    zoom.addAction(m_controls.mnuNewCustomer);
    showModal(zoom);
}
