// Ticks a VoicemailModel once a second while one of its messages plays, so that it ends at its
// length; while none plays, no timer runs.
#pragma once

#include "platform/loop/Window.h"
#include "tools/phone-client-sim/VoicemailModel.h"

namespace phone_client_sim {

class VoicemailTicker final : public platform::Window {
  public:
    static constexpr std::chrono::milliseconds kPeriod{1000};

    // Takes the model's playing observer, before any message plays; `model` must outlive the
    // ticker.
    VoicemailTicker(platform::MessageLoop& loop, VoicemailModel& model);
    ~VoicemailTicker() override;

  protected:
    void OnTimer(platform::TimerId id) override;

  private:
    static constexpr platform::TimerId kTickTimer = 1;

    VoicemailModel& model_;
};

}  // namespace phone_client_sim
