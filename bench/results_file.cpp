#include "bench/results_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/utsname.h>
#include <thread>
#include <utility>
#include <vector>

namespace {

std::string CpuModel()
{
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) != 0)
            continue;
        size_t colon = line.find(':');
        return colon == std::string::npos ? std::string() : line.substr(line.find_first_not_of(" \t", colon + 1));
    }
    return "unknown";
}

// The file holds one entry a line, `  "name": {...}`, which is all this
// needs to read back.
std::vector<std::pair<std::string, std::string>> ReadEntries(const std::string& path)
{
    std::vector<std::pair<std::string, std::string>> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        size_t open = line.find('"');
        size_t close = open == std::string::npos ? open : line.find("\": ", open + 1);
        if (close == std::string::npos)
            continue;
        std::string value = line.substr(close + 3);
        if (!value.empty() && value.back() == ',')
            value.pop_back();
        entries.emplace_back(line.substr(open + 1, close - open - 1), value);
    }
    return entries;
}

} // namespace

ResultFields& ResultFields::Add(const char* key, double value, int nDecimals)
{
    m_line.Add(key, value, nDecimals);
    return *this;
}

ResultFields& ResultFields::Add(const char* key, long long value)
{
    m_line.Add(key, static_cast<int64_t>(value));
    return *this;
}

ResultFields& ResultFields::Add(const char* key, const std::string& value)
{
    m_line.Add(key, value);
    return *this;
}

ResultFields& ResultFields::Add(const char* key, bool value)
{
    m_line.Add(key, value);
    return *this;
}

ResultFields MachineFields()
{
    ResultFields fields;
    fields.Add("nproc", static_cast<long long>(std::thread::hardware_concurrency()));
    fields.Add("cpu", CpuModel());
    utsname system{};
    fields.Add("kernel", ::uname(&system) == 0 ? std::string(system.sysname) + " " + system.release : "unknown");
    return fields;
}

int PublishResult(const std::string& strName, const ResultFields& fields)
{
    std::printf("{\"bench\":%s,%s\n", JsonString(strName).c_str(), fields.Json().c_str() + 1);
    std::fflush(stdout);

    const std::string path = ORVI_BENCH_RESULTS;
    auto entries = ReadEntries(path);
    auto put = [&entries](const std::string& name, const std::string& value) {
        for (auto& entry : entries)
            if (entry.first == name) {
                entry.second = value;
                return;
            }
        entries.emplace_back(name, value);
    };
    put("machine", MachineFields().Json());
    put(strName, fields.Json());

    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "{\n";
        for (size_t i = 0; i < entries.size(); ++i)
            out << "  " << JsonString(entries[i].first) << ": " << entries[i].second
                << (i + 1 < entries.size() ? ",\n" : "\n");
        out << "}\n";
        if (!out)
            return 0;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool BenchRequested(int argc, char** argv)
{
    bool underCtest = false;
    for (int i = 1; i < argc; ++i)
        underCtest |= std::strcmp(argv[i], "--ctest") == 0;
    const char* wanted = std::getenv("ORVI_BENCH");
    return !underCtest || (wanted && std::strcmp(wanted, "1") == 0);
}
