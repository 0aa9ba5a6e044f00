#pragma once

#include <QDialog>

class ImageBox;

// The enlarged photo: the very picture the photo box holds, stretched over the whole
// maximised window.
class frmQX_PictureZoom : public QDialog
{
    Q_OBJECT
public:
    frmQX_PictureZoom(const ImageBox &imgHouse, QWidget *parent);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Form_Load();
    void Form_Resize();

    const ImageBox &m_imgHouse;
    ImageBox *ImgZoom;
};
