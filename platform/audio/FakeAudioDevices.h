// Sound devices that exist only in memory, for the tests of what uses them: the test adds and
// removes devices and says when the server "reports" them.
#pragma once

#include <algorithm>
#include <utility>

#include "platform/audio/AudioDevices.h"

namespace platform {

class FakeAudioDevices final : public AudioDevices {
  public:
    struct Device {
        std::wstring name;
        int volumeStep = 8;
    };

    // The test's side. Changes reach the user of the devices when Announce() is called.
    std::vector<Device> outputs;
    std::vector<Device> inputs;
    std::wstring defaultOutput;
    std::wstring defaultInput;
    bool available = true;
    void Announce() {
        if (onChange_) {
            onChange_();
        }
    }

    bool IsAvailable() const override { return available; }
    std::vector<std::wstring> Names(AudioDirection direction) const override {
        std::vector<std::wstring> names;
        if (available) {
            for (const Device& device : List(direction)) {
                names.push_back(device.name);
            }
        }
        return names;
    }
    std::wstring DefaultName(AudioDirection direction) const override {
        const std::wstring& name =
            direction == AudioDirection::kOutput ? defaultOutput : defaultInput;
        return available && Find(direction, name) != nullptr ? name : std::wstring();
    }
    bool SetDefault(AudioDirection direction, std::wstring_view name) override {
        if (!available || Find(direction, name) == nullptr) {
            return false;
        }
        (direction == AudioDirection::kOutput ? defaultOutput : defaultInput) = name;
        return true;
    }
    std::optional<int> VolumeStep(std::wstring_view name) const override {
        const Device* device = available ? Find(AudioDirection::kOutput, name) : nullptr;
        return device != nullptr ? std::optional<int>(device->volumeStep) : std::nullopt;
    }
    bool SetVolumeStep(std::wstring_view name, int step) override {
        bool found = false;
        for (Device& device : outputs) {
            if (available && device.name == name) {
                device.volumeStep = std::clamp(step, 0, kTopVolumeStep);
                found = true;
            }
        }
        return found;
    }
    void SetOnChange(std::function<void()> onChange) override { onChange_ = std::move(onChange); }

  private:
    const std::vector<Device>& List(AudioDirection direction) const {
        return direction == AudioDirection::kOutput ? outputs : inputs;
    }
    const Device* Find(AudioDirection direction, std::wstring_view name) const {
        const auto& list = List(direction);
        const auto it = std::find_if(list.begin(), list.end(),
                                     [&](const Device& device) { return device.name == name; });
        return it != list.end() ? &*it : nullptr;
    }

    std::function<void()> onChange_;
};

}  // namespace platform
