#pragma once

#include <QString>

class MainLayout;
class QWidget;

// The photo area: shows the photo chosen in the photo list, reports a photo whose file
// is missing or unreadable, and opens the enlarged photo.
class PhotoArea
{
public:
    PhotoArea(const MainLayout &controls, QWidget *window);

    void List_Click();
    void imgHouse_DblClick();

    // The file of a photo: the database folder, "picture", then the photo number as stored;
    // "" for a number that leads outside the picture folder ("../", an absolute path), which
    // is then a missing file.
    static QString photoPath(const QString &strDBPath, const QString &strPhotoNumber);

private:
    const MainLayout &m_controls;
    QWidget *m_window;
    // The entry of the photo list whose photo the photo box holds, while it holds one.
    int m_shownEntry = -1;
};
