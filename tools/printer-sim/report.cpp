#include "tools/printer-sim/report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

Report::~Report()
{
    if (m_fd >= 0)
        close(m_fd);
}

int Report::Open(const std::string& path, std::string& error)
{
    m_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        error = path + ": " + std::strerror(errno);
        return 0;
    }
    return 1;
}

void Report::Emit(const JsonLine& line)
{
    if (m_fd < 0)
        return;
    // One write per line, so a reader never sees half an object unless the
    // disk is full.
    std::string text = line.Text();
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(m_fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}
