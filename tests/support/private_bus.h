// A D-Bus message bus of the test's own, which programs started meanwhile
// (and Qt's system-bus connection in this process) take for the system bus,
// and the stand-in logind on it. Both end with their objects.
#pragma once

#include "tests/support/host_process.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

#include <memory>
#include <string>

class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool Running() const;

private:
    TempDir m_dir;
    HostProcess m_bus;
    std::unique_ptr<ScopedEnv> m_address;
};

// tests/support/logind_standin.cpp on the bus, logging what it is asked.
class LogindStandin {
public:
    // True once it owns logind's name; program is the stand-in's path.
    bool Start(const std::string& program);
    ~LogindStandin();

    std::string Log() const;
    // How often the log holds text so far.
    int Count(const std::string& text) const;
    // Polls until the log holds text count times; false after limitMs.
    bool WaitFor(const std::string& text, int count, int limitMs) const;

private:
    TempDir m_dir;
    HostProcess m_process;
};
