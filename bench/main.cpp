// Runs every benchmark, each against its anchor measured in the same run.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "platform/Log.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace dossiva::bench {

namespace {
struct Entry {
    std::string name;
    std::function<void()> run;
};
std::multimap<int, Entry>& registry()
{
    static std::multimap<int, Entry> entries;
    return entries;
}
} // namespace

BenchRegistration::BenchRegistration(int rank, std::string name, std::function<void()> run)
{
    registry().emplace(rank, Entry{std::move(name), std::move(run)});
}

void runRegisteredBenchmarks(const std::vector<std::string>& only)
{
    for (const auto& [rank, entry] : registry()) {
        const auto named = [&entry](const std::string& word) {
            return entry.name.find(word) != std::string::npos;
        };
        if (!only.empty() && std::none_of(only.begin(), only.end(), named)) {
            continue;
        }
        std::printf("\n== %s\n", entry.name.c_str());
        std::fflush(stdout);
        entry.run();
        std::fflush(stdout);
    }
}

} // namespace dossiva::bench

// `dossiva-bench [WORD...]` runs only the benchmarks whose name holds one of the words ("Record list").
int main(int argc, char** argv)
{
    dossiva::bench::makeBenchHome();
    dossiva::setDevLogSink([](const std::string&) {});
    dossiva::bench::runRegisteredBenchmarks(std::vector<std::string>(argv + 1, argv + argc));
    return 0;
}
