#include "platform/WindowPlacement.h"

namespace {

int PlaceSpan(int start, int length, int areaStart, int areaLength) {
    if (length > areaLength) {
        return areaStart - start;
    }
    return areaStart + (areaLength - length) / 2 - start;
}

}  // namespace

CRect PlaceVisiblePart(const CRect& window, const CRect& visible, const CRect& area) {
    return {PlaceSpan(visible.x, visible.width, area.x, area.width),
            PlaceSpan(visible.y, visible.height, area.y, area.height), window.width, window.height};
}
