// Ticks a CallModel once a second while one of its calls is answered, for its DURATION
// notifications; while none is, no timer runs.
#pragma once

#include "platform/loop/Window.h"
#include "tools/phone-client-sim/CallModel.h"

namespace phone_client_sim {

class CallTicker final : public platform::Window {
  public:
    static constexpr std::chrono::milliseconds kPeriod{1000};

    // Takes the model's talking observer, before any of its calls is answered; `model` must
    // outlive the ticker.
    CallTicker(platform::MessageLoop& loop, CallModel& model);
    ~CallTicker() override;

  protected:
    void OnTimer(platform::TimerId id) override;

  private:
    static constexpr platform::TimerId kTickTimer = 1;

    CallModel& model_;
};

}  // namespace phone_client_sim
