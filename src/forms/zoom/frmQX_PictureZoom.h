#pragma once

#include <QDialog>

class ImageBox;
class QListWidget;

// The enlarged photo: the very picture the photo box holds, stretched over the whole
// maximised window. The keys page through the listing's photos as the photo list does.
class frmQX_PictureZoom : public QDialog
{
    Q_OBJECT
public:
    // List: the photo list of the main window; shownEntry: the entry whose photo imgHouse holds.
    frmQX_PictureZoom(const ImageBox &imgHouse, QListWidget &List, int shownEntry, QWidget *parent);

protected:
    void resizeEvent(QResizeEvent *event) override;
    // Left and Right, PgUp and PgDn, Home and End choose the previous, next, first and last
    // entry of the photo list, as a click on it would.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
    void Form_Resize();
    void chooseEntry(int entry);
    // The photo box's picture, and the caption naming its photo and place among the photos.
    void showPhoto();

    const ImageBox &m_imgHouse;
    QListWidget &m_List;
    int m_shownEntry;
    ImageBox *ImgZoom;
};
