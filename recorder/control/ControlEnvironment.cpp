#include "recorder/control/ControlEnvironment.h"

#include "platform/shell/Launch.h"

namespace aurx {

ControlEnvironment ControlEnvironment::standard() {
    return ControlEnvironment{wave::systemDevices(), codecs::Manager::standard(),
                              shell::launchDetached, true};
}

}  // namespace aurx
