#pragma once

#include "forms/common/designscale.h"

#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <utility>

// Creates a control on its container, under its name, at its designed place (in twips), at
// the scale the windows are drawn at.
template <class Control, class... Args>
Control *placeControl(QWidget *container, const QString &name, const TwipsRect &designed, Args &&...args)
{
    auto *control = new Control(std::forward<Args>(args)..., container);
    control->setObjectName(name);
    DesignScale::place(control, designed);
    return control;
}

// A label at its designed place that sizes itself to its caption: as wide as the caption,
// one character (180 twips) high, so that the caption sits level with the box beside it.
inline QLabel *placeLabel(QWidget *container, const QString &name, const QString &caption, int left, int top)
{
    auto *label = new QLabel(caption, container);
    label->setObjectName(name);
    DesignScale::placeSizedToCaption(label, left, top);
    return label;
}

// The label names the control, for a screen reader or an automation tool: it is the
// control's buddy, and its caption the control's accessible name (which lists take from
// no buddy).
inline void labelFor(QLabel *label, QWidget *control)
{
    label->setBuddy(control);
    control->setAccessibleName(label->text());
}

// A password box shows a star for each character typed, whatever the style's own mask is:
// a customer stands beside the screen.
inline void maskAsPassword(QLineEdit *box)
{
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
}
