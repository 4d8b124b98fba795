#include "modebase/NameScroll.h"

#include "platform/font/TextRenderer.h"

std::wstring ScrollName(const std::wstring& name, std::size_t width, int& scroll) {
    if (platform::TextCells(name) + 1 <= width) {
        scroll = -1;
        return name;
    }
    if (scroll < 0 || scroll > static_cast<int>(name.size())) {
        scroll = 0;
    }
    return name.substr(static_cast<std::size_t>(scroll));
}
