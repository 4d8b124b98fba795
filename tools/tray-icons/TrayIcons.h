// The desktop host's three tray pictures, drawn from code at every size a panel asks for, and
// the Windows icon file (.ico) that carries all sizes of one of them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tray_icons {

enum class TrayState {
    kAllOk,        // "allok": the handset is plugged in and the softphone attached
    kNoSoftphone,  // "noskype": the softphone is not reachable; a red cross badge
    kNoDevice,     // "nodevice": the handset is not plugged in; the handset in grey
};

inline constexpr std::array<TrayState, 3> kStates = {TrayState::kAllOk, TrayState::kNoSoftphone,
                                                     TrayState::kNoDevice};

// The sizes every icon file holds, each drawn at that size rather than scaled; the largest first,
// so that a reader that takes only the file's first picture gets the best one.
inline constexpr std::array<int, 7> kSizes = {64, 48, 32, 24, 22, 20, 16};

// The file name in the program directory's logo/ folder, the value of the [ICON] key: the key
// and the file share a name ("allok.ico", "noskype.ico", "nodevice.ico").
std::string FileName(TrayState state);

// A square picture: size x size pixels, rows top to bottom, 4 bytes a pixel (red, green, blue,
// alpha), colours not premultiplied by alpha.
struct Picture {
    int size = 0;
    std::vector<std::uint8_t> rgba;
};

// `state`'s picture at `size` pixels (8 to 256), anti-aliased: 64 samples a pixel. The same
// pixels every call.
Picture Draw(TrayState state, int size);

// The bytes of an .ico file holding `pictures` (each 1 to 256 pixels), in their order: one
// 32-bit BMP entry each, with its alpha channel and the one-bit mask older readers use.
std::string IcoFile(std::span<const Picture> pictures);

}  // namespace tray_icons
