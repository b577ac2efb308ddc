#include "tests/support/private_cupsd.h"

#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// cupsd runs its backends as this user, and refuses root; the folders it
// reads must be reachable by it.
void SchedulerUser(std::string& strUser, std::string& strGroup)
{
    if (::geteuid() == 0) {
        strUser = "lp";
        strGroup = "lp";
        return;
    }
    const passwd* pw = ::getpwuid(::geteuid());
    const group* gr = ::getgrgid(::getegid());
    strUser = pw ? pw->pw_name : "nobody";
    strGroup = gr ? gr->gr_name : "nogroup";
}

bool Answers(const std::string& strSocket)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::snprintf(a.sun_path, sizeof a.sun_path, "%s", strSocket.c_str());
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

} // namespace

ScopedCupsServer::ScopedCupsServer(const std::string& strServer) : m_server("CUPS_SERVER", strServer.c_str())
{
    // libcups keeps the server it found first; make it look again.
    cupsSetServer(nullptr);
}

ScopedCupsServer::~ScopedCupsServer()
{
    // It looks again when next asked, by when the variable is restored.
    cupsSetServer(nullptr);
}

PrivateCupsd::PrivateCupsd(const std::string& strExtraConf) : m_extraConf(strExtraConf)
{
    if (!Start())
        Stop();
}

PrivateCupsd::~PrivateCupsd()
{
    Stop();
}

bool PrivateCupsd::Start()
{
    namespace fs = std::filesystem;
    const fs::path& root = m_dir.Path();
    for (const char* sub : {"spool", "cache", "state", "log", "run"})
        fs::create_directories(root / sub);
    for (const fs::path& p : {root, root / "spool", root / "cache", root / "state", root / "log", root / "run"})
        fs::permissions(p, fs::perms(0755), fs::perm_options::replace);

    m_socket = (root / "run" / "cups.sock").string();
    std::string user, group;
    SchedulerUser(user, group);
    std::string r = root.string();
    m_dir.Write("cupsd.conf", "Listen " + m_socket +
                                  "\nLogLevel warn\n"
                                  "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                  "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n" +
                                  m_extraConf + "\n");
    m_dir.Write("cups-files.conf", "ServerRoot " + r + "\nRequestRoot " + r + "/spool\nCacheDir " + r +
                                       "/cache\nStateDir " + r + "/state\nErrorLog " + r +
                                       "/log/error_log\nAccessLog " + r + "/log/access_log\nPageLog " + r +
                                       "/log/page_log\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\nUser " +
                                       user + "\nGroup " + group + "\n");

    if (!m_server)
        m_server = std::make_unique<ScopedCupsServer>(m_socket);

    m_process = std::make_unique<HostProcess>();
    if (!m_process->Start({"/usr/sbin/cupsd", "-f", "-c", r + "/cupsd.conf", "-s", r + "/cups-files.conf"},
                          r + "/log/cupsd.out"))
        return false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Answers(m_socket))
            return true;
        if (!m_process->Running())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void PrivateCupsd::Stop()
{
    // Asked to end, and made to if it does not, by the process's own end.
    m_process.reset();
}

bool PrivateCupsd::Restart()
{
    Stop();
    if (Start())
        return true;
    Stop();
    return false;
}

bool PrivateCupsd::AddRawQueue(const std::string& strName, const std::string& strDeviceUri)
{
    return RunHost({"/usr/sbin/lpadmin", "-p", strName, "-E", "-v", strDeviceUri, "-m", "raw"}) == 0;
}

bool PrivateCupsd::RemoveQueue(const std::string& strName)
{
    return RunHost({"/usr/sbin/lpadmin", "-x", strName}) == 0;
}

bool PrivateCupsd::AddToClass(const std::string& strPrinter, const std::string& strClass)
{
    return RunHost({"/usr/sbin/lpadmin", "-p", strPrinter, "-c", strClass}) == 0 &&
           RunHost({"/usr/sbin/cupsenable", strClass}) == 0 && RunHost({"/usr/sbin/cupsaccept", strClass}) == 0;
}

std::vector<CupsJobInfo> PrivateCupsd::Jobs() const
{
    std::vector<CupsJobInfo> jobs;
    http_t* http = httpConnect2(m_socket.c_str(), ippPort(), nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1,
                                5000, nullptr);
    if (!http)
        return jobs;
    cups_job_t* list = nullptr;
    int n = cupsGetJobs2(http, &list, nullptr, 0, CUPS_WHICHJOBS_ALL);
    for (int i = 0; i < n; ++i) {
        CupsJobInfo j;
        j.nId = list[i].id;
        j.strQueue = list[i].dest ? list[i].dest : "";
        j.strTitle = list[i].title ? list[i].title : "";
        j.strFormat = list[i].format ? list[i].format : "";
        j.nState = list[i].state;
        jobs.push_back(j);
    }
    cupsFreeJobs(n, list);
    httpClose(http);
    std::sort(jobs.begin(), jobs.end(), [](const CupsJobInfo& a, const CupsJobInfo& b) { return a.nId < b.nId; });
    return jobs;
}
