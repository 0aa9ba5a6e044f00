#include "forms/common/imagebox.h"

#include <QMouseEvent>
#include <QPainter>

QPixmap devicePixmap(const QImage &picture, const QSize &shown, qreal ratio, Qt::AspectRatioMode proportions)
{
    QPixmap scaled = QPixmap::fromImage(
        picture.scaled((QSizeF(shown) * ratio).toSize(), proportions, Qt::SmoothTransformation));
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}

ImageBox::ImageBox(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
}

void ImageBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    m_drawn = QPixmap();
    update();
}

void ImageBox::clear()
{
    setPicture(QImage());
}

void ImageBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    const QRect area = contentsRect();
    if (m_picture.isNull() || area.isEmpty())
        return;
    // Scaled to the screen's own pixels: on a screen of two pixels to a point, a picture
    // scaled to the box's size in points would be drawn pixel-doubled.
    const qreal ratio = devicePixelRatioF();
    if (m_drawn.size() != (QSizeF(area.size()) * ratio).toSize() || m_drawn.devicePixelRatio() != ratio)
        m_drawn = devicePixmap(m_picture, area.size(), ratio, Qt::IgnoreAspectRatio);
    QPainter painter(this);
    painter.drawPixmap(area.topLeft(), m_drawn);
}

void ImageBox::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    m_drawn = QPixmap();
}

void ImageBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    QFrame::mouseDoubleClickEvent(event);
    emit doubleClicked();
}
