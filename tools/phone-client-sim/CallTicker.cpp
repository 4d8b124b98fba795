// The one-second tick of answered calls.
#include "tools/phone-client-sim/CallTicker.h"

namespace phone_client_sim {

CallTicker::CallTicker(platform::MessageLoop& loop, CallModel& model)
    : Window(loop), model_(model) {
    Show(false);
    model_.SetTalkingObserver([this](bool talking) {
        if (talking) {
            SetTimer(kTickTimer, kPeriod);
        } else {
            KillTimer(kTickTimer);
        }
    });
}

CallTicker::~CallTicker() {
    model_.SetTalkingObserver(nullptr);
}

void CallTicker::OnTimer(platform::TimerId id) {
    if (id == kTickTimer) {
        model_.Tick();
    }
}

}  // namespace phone_client_sim
