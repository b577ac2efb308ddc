#include "flash/fleet.h"

#include <algorithm>
#include <atomic>
#include <thread>

std::vector<PrinterResult> RunFleet(const std::vector<Target>& targets, const RunSettings& settings, size_t jobs,
                                    Reporter& reporter)
{
    std::vector<PrinterResult> results(targets.size());
    // Each worker takes the next target not yet taken; each result has a
    // place of its own, written by one worker only.
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < targets.size(); i = next++) {
            reporter.Started(i);
            results[i] = RunPrinter(
                targets[i], settings, [&](uint64_t sent, uint64_t total) { reporter.Progress(i, sent, total); },
                [&](const std::string& warning) { reporter.Warning(i, warning); });
            reporter.Finished(i, results[i]);
        }
    };
    const size_t threads = std::min(targets.size(), std::max<size_t>(jobs, 1));
    std::vector<std::thread> workers;
    for (size_t t = 0; t < threads; ++t)
        workers.emplace_back(work);
    for (std::thread& w : workers)
        w.join();
    return results;
}
