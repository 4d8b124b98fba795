// 3-D frames drawn pixel by pixel, so that any surface can take them.
#include "platform/paint/Draw3dRect.h"

namespace platform {
namespace {

void FillRow(PaintSurface& surface, int y, int fromX, int toX, Rgb colour) {
    for (int x = fromX; x < toX; ++x) {
        surface.SetPixel(x, y, colour);
    }
}

void FillColumn(PaintSurface& surface, int x, int fromY, int toY, Rgb colour) {
    for (int y = fromY; y < toY; ++y) {
        surface.SetPixel(x, y, colour);
    }
}

}  // namespace

void Draw3dRect(PaintSurface& surface, const PaintRect& rect, Rgb topLeft, Rgb bottomRight) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) {
        return;
    }
    FillRow(surface, rect.top, rect.left, rect.right - 1, topLeft);
    FillColumn(surface, rect.left, rect.top, rect.bottom - 1, topLeft);
    FillColumn(surface, rect.right - 1, rect.top, rect.bottom, bottomRight);
    FillRow(surface, rect.bottom - 1, rect.left, rect.right, bottomRight);
}

}  // namespace platform
