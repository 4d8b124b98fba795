// The engine's LCD mirror as a PNG file: the picture a user attaches to a report about a screen.
#pragma once

#include <filesystem>

#include "platform/loop/WindowTypes.h"
#include "platform/png/PngWriter.h"

// The mirror's picture: the LCD, its bezel and a margin of dialog face round them.
inline constexpr int kLcdMirrorWidth = 160;
inline constexpr int kLcdMirrorHeight = 96;

// Paints `window` (WM_PAINT) into a picture of kLcdMirrorWidth x kLcdMirrorHeight filled with the
// dialog face colour first, and writes it to `path`, replacing the file atomically. Loop thread
// only.
platform::PngResult WriteLcdMirrorPng(platform::WindowHandle window,
                                      const std::filesystem::path& path);
