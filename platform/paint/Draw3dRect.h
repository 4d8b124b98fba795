// 3-D frames: the raised or sunken edge of a panel, in two colours.
#pragma once

#include "platform/paint/PaintSurface.h"

namespace platform {

// A rectangle from (left, top) up to but not including (right, bottom).
struct PaintRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// A 1-pixel frame on the edge of `rect`: the top and left edges in `topLeft`, the bottom and
// right edges in `bottomRight`, which also owns the top-right and bottom-left corners. An empty
// rectangle draws nothing; what lies outside the surface is clipped.
void Draw3dRect(PaintSurface& surface, const PaintRect& rect, Rgb topLeft, Rgb bottomRight);

}  // namespace platform
