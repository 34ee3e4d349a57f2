#pragma once

// The port connection for caller ID: (re)opens the port and re-arms caller-ID reporting.
class IPortConnection {
public:
    virtual ~IPortConnection() = default;
    virtual void ModemPortOpen() = 0;
};
