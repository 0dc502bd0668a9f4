// Runs every benchmark, each against its anchor measured in the same run.
#include "BenchSupport.h"
#include "Benchmarks.h"

#include "platform/Log.h"

#include <cstdio>

int main()
{
    dossiva::bench::makeBenchHome();
    dossiva::setDevLogSink([](const std::string&) {});
    dossiva::bench::benchLoadDbData();
    return 0;
}
