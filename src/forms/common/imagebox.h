#pragma once

#include <QFrame>
#include <QImage>
#include <QPixmap>

// An image box: holds one picture, or none, and draws it stretched to its own size
// without keeping the picture's proportions, inside a single-line border.
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
    // The picture at the size it is drawn, made once per picture and size.
    QPixmap m_drawn;
};
