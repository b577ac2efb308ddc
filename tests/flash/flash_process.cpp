#include "tests/flash/flash_process.h"

#include <fstream>
#include <sstream>

namespace {


} // namespace

bool FlashProcess::Start(const std::vector<std::string>& args, const std::string& prelude)
{
    // The shell parts the two streams and runs the prelude; exec keeps the
    // pid, so a signal reaches orvi-flash itself.
    std::vector<std::string> argv = {"/bin/sh", "-c", "e=$1; shift; " + prelude + "\nexec \"$@\" 2>\"$e\"", "sh",
                                     (m_dir.Path() / "err").string(), ORVI_FLASH_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return m_process.Start(argv, (m_dir.Path() / "out").string());
}

int FlashProcess::Wait(int timeoutMs)
{
    int code = -1;
    return m_process.WaitExit(timeoutMs, code) ? code : -1;
}

std::string FlashProcess::Out() const
{
    return ReadWholeFile(m_dir.Path() / "out");
}

std::string FlashProcess::Err() const
{
    return ReadWholeFile(m_dir.Path() / "err");
}

std::vector<std::string> FlashProcess::OutLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(Out());
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

std::string FlashProcess::Event(const std::string& event, const std::string& target) const
{
    for (const std::string& line : OutLines())
        if (JsonField(line, "event") == event && (target.empty() || JsonField(line, "target") == target))
            return line;
    return "";
}

int RunFlashProgram(const std::vector<std::string>& args, FlashProcess& run, const std::string& prelude)
{
    return run.Start(args, prelude) ? run.Wait(kHostRunLimitMs) : -1;
}

bool EveryLineIsJson(const std::string& path)
{
    return RunHost({"/usr/bin/python3", "-c", "import json, sys\nfor line in open(sys.argv[1]): json.loads(line)",
                    path}) == 0;
}

std::string JsonField(const std::string& line, const std::string& key)
{
    const std::string name = "\"" + key + "\":";
    size_t at = line.find(name);
    if (at == std::string::npos)
        return "";
    at += name.size();
    std::string value;
    if (at < line.size() && line[at] == '"') {
        for (++at; at < line.size() && line[at] != '"'; ++at) {
            if (line[at] == '\\' && line.compare(at + 1, 1, "u") == 0 && at + 5 < line.size()) {
                value += static_cast<char>(std::stoi(line.substr(at + 2, 4), nullptr, 16));
                at += 5;
                continue;
            }
            if (line[at] == '\\' && at + 1 < line.size())
                ++at;
            value += line[at];
        }
        return value;
    }
    while (at < line.size() && line[at] != ',' && line[at] != '}')
        value += line[at++];
    return value;
}

std::vector<FirmwareFile> WritePackage(const TempDir& dir, size_t mainSize)
{
    std::string main(mainSize, '\0');
    for (size_t i = 0; i < mainSize; ++i)
        main[i] = static_cast<char>((i * 131) ^ (i >> 8));
    const std::string config = "2\r\n*boot.bin:*x:\r\n*main.bin:*x:\r\n*end:\r\n";
    std::vector<FirmwareFile> files = {{"boot.bin", std::string("\x01SR\r\n\x01KK\r\n", 10)},
                                       {"main.bin", main},
                                       {"iosubsys.bin", std::string(4000, '\xff')},
                                       {"l11config.bld", config}};
    for (const FirmwareFile& f : files)
        dir.Write(f.name, f.bytes);
    return files;
}

std::string DecimalCommaPrelude(const TempDir& dir)
{
    const std::string locales = dir.Text();
    if (RunHost({"/usr/bin/localedef", "-i", "de_DE", "-f", "UTF-8", locales + "de_DE.UTF-8"}) != 0)
        return "";
    return "export LOCPATH='" + locales + "' LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8";
}
