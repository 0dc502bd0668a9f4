// Runs every benchmark, each against its anchor measured in the same run.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "platform/Log.h"

#include <cstdio>
#include <map>

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

void runRegisteredBenchmarks(const std::string& only)
{
    for (const auto& [rank, entry] : registry()) {
        if (!only.empty() && entry.name.find(only) == std::string::npos) {
            continue;
        }
        std::printf("\n== %s\n", entry.name.c_str());
        std::fflush(stdout);
        entry.run();
        std::fflush(stdout);
    }
}

} // namespace dossiva::bench

// `dossiva-bench [WORD]` runs only the benchmarks whose name holds WORD.
int main(int argc, char** argv)
{
    dossiva::bench::makeBenchHome();
    dossiva::setDevLogSink([](const std::string&) {});
    dossiva::bench::runRegisteredBenchmarks(argc > 1 ? argv[1] : "");
    return 0;
}
