#pragma once

#include <QFrame>
#include <QImage>
#include <QPixmap>

// The picture scaled to `shown` (in points, the proportions kept or not) in the device pixels
// of a screen of the given pixel ratio: drawn there, it is neither pixel-doubled nor blurred.
QPixmap devicePixmap(const QImage &picture, const QSize &shown, qreal ratio, Qt::AspectRatioMode proportions);

// An image box: holds one picture, or none, and draws it stretched to its own size
// without keeping the picture's proportions, inside a single-line border, in the device
// pixels of the screen it is on.
class ImageBox : public QFrame
{
    Q_OBJECT
public:
    explicit ImageBox(QWidget *parent = nullptr);

    void setPicture(const QImage &picture);
    void clear();
    const QImage &picture() const { return m_picture; }
    bool hasPicture() const { return !m_picture.isNull(); }

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
    // The picture at the size it is drawn in device pixels, made once per picture, size and
    // pixel ratio.
    QPixmap m_drawn;
};
