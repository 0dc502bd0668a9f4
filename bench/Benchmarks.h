#pragma once

#include <functional>
#include <string>
#include <vector>

namespace dossiva::bench {

// Each benchmark file registers its benchmarks once, at start-up:
//   static const BenchRegistration registration(20, "CSV import", benchCsvImport);
// They run in the order of their rank.
class BenchRegistration {
public:
    BenchRegistration(int rank, std::string name, std::function<void()> run);
};

// Every benchmark, or only those whose name holds one of the words given.
void runRegisteredBenchmarks(const std::vector<std::string>& only);

} // namespace dossiva::bench
