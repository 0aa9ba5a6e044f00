#include "forms/common/imagebox.h"

#include <QMouseEvent>
#include <QPainter>

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
    if (m_drawn.size() != area.size()) {
        m_drawn = QPixmap::fromImage(
            m_picture.scaled(area.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
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
