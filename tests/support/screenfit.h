#pragma once

#include <QMap>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTest>

#include "forms/common/designscale.h"

class QWidget;

// How a window is drawn on its screen, checked as a person looks at it.

// Controls that overlap one another or the status bar, stand outside their frame or the
// window, or show a caption, a column header or a status panel's text cut off; empty when
// there are none. Frames may touch each other, as designed, but not the status bar.
QStringList coveredOrCutOff(QWidget *window);

// The part of its screen's available area that a window's controls span, its status bar
// left out: the larger of the part of the width and the part of the height.
qreal screenSpanned(QWidget *window);

// Every named widget's place in window, and the window's own size (under its own name): for
// comparing a window drawn again at a new scale with one built at it.
QMap<QString, QRect> placesIn(QWidget *window);

// What is wrong with a window of kind Window that is open when the scale changes to factor:
// what coveredOrCutOff finds, a place or size that differs from a window built at factor,
// and text not in the scaled font.
template <class Window>
QStringList drawnAgainAt(qreal factor)
{
    Window redrawn;
    redrawn.show();
    if (!QTest::qWaitForWindowExposed(&redrawn))
        return {QStringLiteral("not shown")};
    DesignScale::setFactor(factor);
    Window built;
    return drawingProblems(&redrawn, placesIn(&built), factor);
}
QStringList drawingProblems(QWidget *window, const QMap<QString, QRect> &asBuilt, qreal factor);

// The scales a window is checked at: the designed size, and the fitting scales of 960 × 540
// (3840 × 2160 at 400 %), 1366 × 768, 1920 × 1080 and 3840 × 2160 screens; as test data.
void scalesToCheck();

// Where each box of the main window's detail panel stands in the panel, as fractions of the
// panel's width and height.
QMap<QString, QRectF> detailBoxesInPanel(QWidget *window);
// The boxes whose place in the panel differs from expected by more than tolerance.
QStringList placesDiffer(const QMap<QString, QRectF> &expected, const QMap<QString, QRectF> &drawn,
                         qreal tolerance);
