#pragma once

#include <QRect>

// Positions and sizes of the forms are designed in twips: 15 twips to a pixel at the designed
// size, for an 800 × 600 screen. twips() gives the pixels at the scale the windows are drawn
// at now (designscale.h), which is 1 there.
int twips(int value);

// A control's designed place in its container, in twips.
struct TwipsRect
{
    int left, top, width, height;
};

constexpr TwipsRect twipsRect(int left, int top, int width, int height)
{
    return {left, top, width, height};
}

// The designed place in pixels at the scale the windows are drawn at now.
QRect pixels(const TwipsRect &designed);
