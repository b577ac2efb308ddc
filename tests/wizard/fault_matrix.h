// What the fault matrix needs of each target: its rows, a port that is not
// there, a port another program holds, and whether a device opens again.
#pragma once

#include "link/comm_mode.h"
#include "tests/support/host_process.h"
#include "tests/wizard/wizard_env.h"
#include "tests/wizard/wizard_harness.h"

#include <memory>
#include <string>
#include <vector>

enum class Fault { SilentAfterSu, DroppedMidFile, StopsReading, PortMissing, PortHeld, Refused };

struct FaultCase {
    CommMode mode;
    Fault fault;
};

// The rows this target runs.
std::vector<FaultCase> FaultRows();

// What a printer that stops reading, or drops the line, leaves of the set
// unread: more than the link can hold on its way without the printer's
// side confirming it.
size_t UnreadTail(CommMode mode);

// While it lives, the host path holds something that the port's open
// refuses as no device.
class MissingPort {
public:
    explicit MissingPort(const std::string& hostPath);
    ~MissingPort();
    MissingPort(const MissingPort&) = delete;
    MissingPort& operator=(const MissingPort&) = delete;

private:
    std::string m_path;
};

// Whether the host device opens at once, so nothing holds it.
bool DeviceOpensAgain(const std::string& hostPath);

// Another program holding the host device open and locked, the way a
// terminal program does, until the object goes.
class PortHolder {
public:
    explicit PortHolder(const std::string& hostPath);
    bool Held() const { return m_bHeld; }

private:
    HostProcess m_process;
    bool m_bHeld = false;
};
