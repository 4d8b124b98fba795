// The mirror painted into memory, as the window would be on a dialog, and written as a PNG.
#include "host/common/LcdMirrorPng.h"

#include "platform/loop/Window.h"
#include "platform/paint/PixelImage.h"

platform::PngResult WriteLcdMirrorPng(platform::WindowHandle window,
                                      const std::filesystem::path& path) {
    platform::PixelImage picture(kLcdMirrorWidth, kLcdMirrorHeight, platform::kButtonFace);
    platform::PaintSurface* surface = &picture;
    platform::SendMessage(window, platform::WM_PAINT, 0,
                          reinterpret_cast<platform::LPARAM>(surface));
    return platform::WritePngFile(path, picture.Png());
}
