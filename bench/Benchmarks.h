#pragma once

#include <functional>
#include <string>

namespace dossiva::bench {

// Each benchmark file registers its benchmarks once, at start-up:
//   static const BenchRegistration registration(20, "CSV import", benchCsvImport);
// They run in the order of their rank.
class BenchRegistration {
public:
    BenchRegistration(int rank, std::string name, std::function<void()> run);
};

// Those whose name holds `only`, or all when it is empty.
void runRegisteredBenchmarks(const std::string& only);

} // namespace dossiva::bench
