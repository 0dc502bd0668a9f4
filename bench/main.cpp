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
        if (!only.empty() && std::find(only.begin(), only.end(), entry.name) == only.end()) {
            continue;
        }
        std::printf("\n== %s\n", entry.name.c_str());
        std::fflush(stdout);
        entry.run();
        std::fflush(stdout);
    }
}

} // namespace dossiva::bench

// With names given ("Record list"), only those benchmarks run.
int main(int argc, char** argv)
{
    dossiva::bench::makeBenchHome();
    dossiva::setDevLogSink([](const std::string&) {});
    dossiva::bench::runRegisteredBenchmarks(std::vector<std::string>(argv + 1, argv + argc));
    return 0;
}
