#include "bench/staged_program.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

std::string StageThisProgram(const std::string& strDirectory)
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return std::string();
    const std::filesystem::path copy = std::filesystem::path(strDirectory) / self.filename();
    std::filesystem::copy_file(self, copy, std::filesystem::copy_options::overwrite_existing, ec);
    return ec ? std::string() : copy.string();
}

ChildResult RunChild(const std::string& strProgram, const std::vector<std::string>& args, bool bQuiet)
{
    std::vector<std::string> all = {strProgram};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    ChildResult result;
    const pid_t pid = ::fork();
    if (pid < 0)
        return result;
    if (pid == 0) {
        if (bQuiet) {
            const int null = ::open("/dev/null", O_WRONLY);
            if (null >= 0)
                ::dup2(null, STDOUT_FILENO);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid)
        return result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.peakRssKib = usage.ru_maxrss;
    return result;
}
