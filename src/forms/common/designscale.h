#pragma once

#include "forms/common/twips.h"

#include <QSize>

class QLabel;
class QString;
class QWidget;

// The windows are designed for an 800 × 600 screen, which the main window's client area fills.
// On another screen the program draws the whole design at one scale, larger or smaller: every
// designed place and size, the text (laid out at the scaled size, never a stretched picture)
// and the style's own measures (frames, indicators, scroll bars, icons, spacing).
//
// A window takes the scale by being built from its design: its controls placed with place()
// (placeControl and placeLabel in controls.h do that), its size fixed with fixSize(), a style
// sheet given with setStyleSheet(), any other designed length taken from twips() or pixels().
// A window that Qt's layouts arrange, a message box say, takes the scale from the font and the
// style. When the scale changes, every window is drawn again at the new one: what was placed so
// is placed again, and a widget that sizes parts of itself from the design (list columns,
// status panels) does so again on QEvent::StyleChange, which every change of scale sends.
namespace DesignScale {

// The main window's designed client area, in twips: the design that is fitted to the screen.
constexpr QSize designedClientArea(11910, 8625);
// The program's font at the designed scale, in points.
constexpr qreal designedPointSize = 9;

// The scale the windows are drawn at now; 1 is the designed size.
qreal factor();
// Draws every window at factor from now on; false when they were drawn at it already.
bool setFactor(qreal factor);
// The largest scale, in hundredths, at which the designed client area fits room (logical
// pixels); the design's proportions are kept.
qreal fitting(const QSize &room);
// The scale the setting `scale` asks for when the main window has room: its number, or the
// fitting scale for "fit".
qreal chosenFor(const QSize &room);

// A length in designed pixels at the current scale.
int pixels(qreal designed);
QSize pixels(const QSize &designed);

// Places control at its designed place in its container, now and at every change of scale.
void place(QWidget *control, const TwipsRect &designed);
// Places a label that sizes itself to its caption at its designed top-left corner, one
// character (180 twips) high, now and at every change of scale.
void placeSizedToCaption(QLabel *label, int left, int top);
// Fixes a form's size to its designed size in twips, now and at every change of scale.
void fixSize(QWidget *form, int width, int height);
// Gives control a style sheet whose lengths in px are designed pixels.
void setStyleSheet(QWidget *control, const QString &designed);

} // namespace DesignScale
