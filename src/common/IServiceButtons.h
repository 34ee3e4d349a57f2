#pragma once

// The main window's on/off service buttons, as the code that switches a service without a
// modem dialogue (pager notification, telemarketer blocking) needs them: exactly one button of
// each pair is shown, the "off" one in light red while the service is on.
enum class ServicePair { Forwarding, Telemarketers, PrivateCalls, Pager };

class IServiceButtons {
public:
    virtual ~IServiceButtons() = default;
    virtual void showServiceState(ServicePair pair, bool serviceOn) = 0;
};
