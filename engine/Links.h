// What the engine needs of its two links. The real links implement it, and tests hand the
// engine fakes. A link is a window of its own: the engine closes it with WM_CLOSE.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/LcdFrame.h"
#include "platform/loop/WindowTypes.h"

class IHidLink {
  public:
    virtual ~IHidLink() = default;
    virtual platform::WindowHandle Handle() const = 0;
    // Opens the handset whenever it is found; switched on once, right after creation.
    virtual void SetAutoOpen(bool autoOpen) = 0;
    // The handset was found at the last enumeration.
    virtual bool IsPresent() const = 0;
    // Writes one control frame; false when the handset is not open or the write failed.
    virtual bool SendCtrlCmd(std::uint8_t command, std::uint8_t value) = 0;
    // Writes a whole display transfer of `frame`.
    virtual bool SendLCDFrame(const LCDFrame& frame) = 0;
};

class ISkypeLink {
  public:
    virtual ~ISkypeLink() = default;
    virtual platform::WindowHandle Handle() const = 0;
    virtual bool IsAttached() const = 0;
    // Sends one command text (UTF-8) to the attached client; false when none is attached or the
    // text is longer than 255 bytes.
    virtual bool SendCommand(std::string_view command) = 0;
    // The last text received from the client (UTF-8).
    virtual std::string LastText() const = 0;
};

// Creates the links as children of the engine window `owner`.
class ILinkFactory {
  public:
    virtual ~ILinkFactory() = default;
    virtual std::unique_ptr<IHidLink> CreateHidLink(platform::WindowHandle owner,
                                                    std::uint16_t productId) = 0;
    virtual std::unique_ptr<ISkypeLink> CreateSkypeLink(platform::WindowHandle owner,
                                                        bool launchSkype) = 0;
};
