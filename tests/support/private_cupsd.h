// A CUPS scheduler of the test's own: configuration, spool and Unix socket in
// a temporary directory, found by every client (libcups in the code under
// test, lpadmin) through CUPS_SERVER. The object stops the scheduler by its
// pid and restores CUPS_SERVER when it goes, whatever the test did.
#pragma once

#include "tests/support/host_process.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

#include <memory>
#include <string>
#include <vector>

struct CupsJobInfo {
    int nId = 0;
    std::string strQueue;
    std::string strTitle;
    std::string strFormat;
    int nState = 0; // ipp_jstate_t: 3 pending ... 7 canceled, 9 completed
};

// A policy for the extra lines: queues take jobs and refuse every
// document, which the scheduler says only once the document is on its way.
inline constexpr const char* kRefuseEveryDocument =
    "DefaultPolicy orvi\n<Policy orvi>\n"
    "  <Limit Send-Document>\n    AuthType Default\n    Require user nobody\n  </Limit>\n"
    "  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>";

class ScopedCupsServer;

class PrivateCupsd {
public:
    // Extra lines go to the end of cupsd.conf (a policy, for instance).
    explicit PrivateCupsd(const std::string& strExtraConf = "");
    ~PrivateCupsd();
    PrivateCupsd(const PrivateCupsd&) = delete;
    PrivateCupsd& operator=(const PrivateCupsd&) = delete;

    // True once the scheduler answers on its socket.
    bool Running() const { return m_process && m_process->Running(); }
    const std::string& SocketPath() const { return m_socket; }

    // A raw queue (lpadmin -m raw) to the given device, accepting jobs.
    bool AddRawQueue(const std::string& strName, const std::string& strDeviceUri);
    // Deletes a queue, as an administrator would between two of our jobs.
    bool RemoveQueue(const std::string& strName);
    // Adds a queue to a class, creating the class, and lets it take jobs.
    bool AddToClass(const std::string& strPrinter, const std::string& strClass);

    // Every job the scheduler knows, finished ones included, oldest first.
    std::vector<CupsJobInfo> Jobs() const;

    // Stops the scheduler and waits until it has gone. The socket stays
    // pointed at by CUPS_SERVER, so clients now find nobody there.
    void Stop();
    // Stops it and starts it again on the same folders: queues and jobs stay,
    // connections to it are lost.
    bool Restart();

private:
    bool Start();

    TempDir m_dir;
    std::string m_extraConf;
    std::string m_socket;
    std::unique_ptr<HostProcess> m_process;
    std::unique_ptr<ScopedCupsServer> m_server;
};

// Points libcups (and every program started meanwhile) at another server,
// such as a loopback listener playing a scheduler, for the life of the object.
class ScopedCupsServer {
public:
    explicit ScopedCupsServer(const std::string& strServer);
    ~ScopedCupsServer();
    ScopedCupsServer(const ScopedCupsServer&) = delete;
    ScopedCupsServer& operator=(const ScopedCupsServer&) = delete;

private:
    ScopedEnv m_server;
};

