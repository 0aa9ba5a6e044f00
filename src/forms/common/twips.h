#pragma once

#include <QRect>

// Positions and sizes of the forms are designed in twips: 15 twips to a pixel.
constexpr int twips(int value)
{
    return (2 * value + 15) / 30;
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}
