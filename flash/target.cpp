#include "flash/target.h"

#include <algorithm>
#include <fstream>
#include <map>

namespace {

const uint32_t kBaudRates[] = {4800, 9600, 19200, 38400};

bool AllDigits(const std::string& s)
{
    return !s.empty() && s.size() <= 9 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "DEVICE" or "DEVICE@BAUD" of a serial line.
bool SerialLine(const std::string& text, std::string& device, uint32_t& baud, std::string& error)
{
    const size_t at = text.rfind('@');
    device = text.substr(0, at);
    baud = 19200;
    if (at != std::string::npos) {
        const std::string rate = text.substr(at + 1);
        if (!AllDigits(rate) || std::find(std::begin(kBaudRates), std::end(kBaudRates), std::stoul(rate)) ==
                                    std::end(kBaudRates)) {
            error = "the printer does not take " + rate + " baud (4800, 9600, 19200 or 38400)";
            return false;
        }
        baud = static_cast<uint32_t>(std::stoul(rate));
    }
    if (device.empty()) {
        error = "no serial device";
        return false;
    }
    return true;
}

// Device names the system takes without regard to case.
std::string Hold(const std::string& device)
{
    // \\.\COM12 is COM12 in the device namespace.
    std::string lower = device.rfind("\\\\.\\", 0) == 0 ? device.substr(4) : device;
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const bool portName = lower.size() > 3 && (lower.rfind("com", 0) == 0 || lower.rfind("lpt", 0) == 0) &&
                          AllDigits(lower.substr(3));
    return "device:" + (portName ? lower : device);
}

std::string Trim(const std::string& s)
{
    const size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

bool ParseTarget(const std::string& text, Target& target, std::string& error)
{
    const size_t colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    const std::string rest = colon == std::string::npos ? "" : text.substr(colon + 1);
    target = Target{};
    ChannelParams& p = target.params;
    auto bad = [&](const std::string& why) {
        error = "bad target \"" + text + "\": " + why;
        return false;
    };
    if (colon == std::string::npos)
        return bad("it has no kind (tcp:, serial:, parallel:, dual: or queue:)");
    if (kind == "tcp") {
        p.kind = ChannelKind::Tcp;
        const size_t portAt = rest.rfind(':');
        p.host = rest.substr(0, portAt);
        if (portAt != std::string::npos) {
            const std::string port = rest.substr(portAt + 1);
            if (!AllDigits(port) || std::stoul(port) == 0 || std::stoul(port) > 65535)
                return bad("the port is not a number from 1 to 65535");
            p.port = static_cast<uint32_t>(std::stoul(port));
        }
        if (p.host.empty() || p.host.find_first_of(" \t[]:") != std::string::npos)
            return bad("no host, or a host that is not a name or an IPv4 address");
        target.text = "tcp:" + p.host + ":" + std::to_string(p.port);
        target.holds = {target.text};
    } else if (kind == "serial") {
        p.kind = ChannelKind::Serial;
        if (!SerialLine(rest, p.serialDevice, p.baud, error))
            return bad(error);
        target.text = "serial:" + p.serialDevice + "@" + std::to_string(p.baud);
        target.holds = {Hold(p.serialDevice)};
    } else if (kind == "parallel") {
        p.kind = ChannelKind::Parallel;
        p.parallelDevice = rest;
        if (rest.empty())
            return bad("no parallel device");
        target.text = "parallel:" + rest;
        target.holds = {Hold(rest)};
    } else if (kind == "dual") {
        p.kind = ChannelKind::Dual;
        const size_t plus = rest.find('+');
        if (plus == std::string::npos)
            return bad("it needs SERIAL_DEVICE[@BAUD]+PARALLEL_DEVICE");
        if (!SerialLine(rest.substr(0, plus), p.serialDevice, p.baud, error))
            return bad(error);
        p.parallelDevice = rest.substr(plus + 1);
        if (p.parallelDevice.empty())
            return bad("no parallel device");
        target.text = "dual:" + p.serialDevice + "@" + std::to_string(p.baud) + "+" + p.parallelDevice;
        target.holds = {Hold(p.serialDevice), Hold(p.parallelDevice)};
        if (target.holds[0] == target.holds[1])
            return bad("the serial and the parallel device are the same");
    } else if (kind == "queue") {
        p.kind = ChannelKind::Queue;
        p.queue = rest;
        if (rest.empty())
            return bad("no queue name");
        target.text = "queue:" + rest;
        target.holds = {target.text};
    } else {
        return bad("unknown kind \"" + kind + "\" (tcp, serial, parallel, dual or queue)");
    }
    target.name = target.text;
    return true;
}

bool ReadTargetsFile(const std::string& path, std::vector<Target>& targets, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the targets file " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        // A '#' that begins a word begins a comment.
        for (size_t hash = line.find('#'); hash != std::string::npos; hash = line.find('#', hash + 1)) {
            if (hash == 0 || line[hash - 1] == ' ' || line[hash - 1] == '\t') {
                line.erase(hash);
                break;
            }
        }
        line = Trim(line);
        if (line.empty())
            continue;
        const size_t space = line.find_first_of(" \t");
        Target target;
        if (!ParseTarget(line.substr(0, space), target, error)) {
            error = path + " line " + std::to_string(number) + ": " + error;
            return false;
        }
        if (space != std::string::npos)
            target.name = Trim(line.substr(space));
        targets.push_back(target);
    }
    return true;
}

bool RefuseDuplicates(const std::vector<Target>& targets, std::string& error)
{
    std::map<std::string, const Target*> holder;
    for (const Target& t : targets) {
        for (const std::string& h : t.holds) {
            const auto [at, inserted] = holder.emplace(h, &t);
            if (inserted)
                continue;
            error = at->second->text == t.text ? "the target " + t.text + " is given twice"
                                                : at->second->text + " and " + t.text + " name the same device";
            return false;
        }
    }
    return true;
}
