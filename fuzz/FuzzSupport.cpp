// What every target shares: the development log is silent, as a fuzzer
// feeds each parser millions of inputs it refuses, each with a line.
#include "platform/Log.h"

#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    dossiva::setDevLogSink([](const std::string&) {});
    return 0;
}
