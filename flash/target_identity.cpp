#include "flash/target.h"

#include "flash/system.h"
#include "link/error_codes.h"
#include "link/socket_port.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <thread>

namespace {

// Name lookups made at once: a fleet named by host names must not wait
// for them one after the other.
constexpr size_t kLookupsAtOnce = 32;

std::string Dotted(uint32_t networkOrder)
{
    const auto* b = reinterpret_cast<const unsigned char*>(&networkOrder);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

void IdentifyTcp(Target& t, uint32_t lookupMs)
{
    ChannelParams& p = t.params;
    uint32_t address = 0;
    int32_t error = 0;
    const int found = SocketResolve(p.host.c_str(), lookupMs, &address, &error);
    if (found == 1)
        p.host = Dotted(address);
    else
        t.lookupFailure = {found < 0 ? LinkReason::TimedOut : LinkReason::HostNotFound, found < 0 ? 0 : error};
    t.identity = "tcp:" + Lower(p.host) + ":" + std::to_string(p.port);
    t.holds = {t.identity};
}

} // namespace

void IdentifyTargets(std::vector<Target>& targets, uint32_t lookupMs)
{
    std::atomic<size_t> next{0};
    auto identify = [&] {
        for (size_t i = next++; i < targets.size(); i = next++) {
            Target& t = targets[i];
            const ChannelParams& p = t.params;
            switch (p.kind) {
            case ChannelKind::Tcp: IdentifyTcp(t, lookupMs); break;
            case ChannelKind::Serial:
                t.holds = {"device:" + CanonicalDevice(p.serialDevice)};
                t.identity = t.holds[0];
                break;
            case ChannelKind::Parallel:
                t.holds = {"device:" + CanonicalDevice(p.parallelDevice)};
                t.identity = t.holds[0];
                break;
            case ChannelKind::Dual:
                t.holds = {"device:" + CanonicalDevice(p.serialDevice), "device:" + CanonicalDevice(p.parallelDevice)};
                t.identity = t.holds[0] + "+" + t.holds[1];
                break;
            case ChannelKind::Queue:
            case ChannelKind::None:
                t.identity = "queue:" + Lower(p.queue);
                t.holds = {t.identity};
                break;
            }
        }
    };
    std::vector<std::thread> workers;
    for (size_t w = 0; w < std::min(targets.size(), kLookupsAtOnce); ++w)
        workers.emplace_back(identify);
    for (std::thread& w : workers)
        w.join();
}

bool RefuseDuplicates(const std::vector<Target>& targets, std::string& error)
{
    std::map<std::string, const Target*> holder;
    for (const Target& t : targets) {
        if (t.holds.size() == 2 && t.holds[0] == t.holds[1]) {
            error = "bad target \"" + t.text + "\": the serial and the parallel device are the same";
            return false;
        }
        for (const std::string& h : t.holds) {
            const auto [at, inserted] = holder.emplace(h, &t);
            if (inserted)
                continue;
            error = at->second->text == t.text ? "the target " + t.text + " is given twice"
                                                : at->second->text + " and " + t.text + " are the same printer";
            return false;
        }
    }
    return true;
}
