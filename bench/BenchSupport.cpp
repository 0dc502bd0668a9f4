#include "BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>

namespace dossiva::bench {

double bestOf(int runs, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

double bestOfCommand(int runs, const std::string& command)
{
    return bestOf(runs, [&] {
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "benchmark command failed: %s\n", command.c_str());
        }
    });
}

std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

std::size_t fileSize(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::size_t>(size);
}

std::string makeBenchHome()
{
    std::string home = (std::filesystem::temp_directory_path() / "dossiva-bench-XXXXXX").string();
    if (::mkdtemp(home.data()) == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    ::setenv("HOME", home.c_str(), 1);
    static std::string removeAtExit;
    removeAtExit = home;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(removeAtExit, ignored);
    });
    return home;
}

std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string words(std::mt19937& random, int count)
{
    static const char* const vocabulary[] = {"amber",  "birch",  "cedar",   "delta",   "ember",   "fjord",
                                             "grove",  "harbor", "iris",    "juniper", "kestrel", "linden",
                                             "meadow", "nectar", "orchard", "prairie"};
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += (i ? " " : "") + std::string(vocabulary[random() % 16]);
    }
    return text;
}

void printRatio(const std::string& what, double value, double target)
{
    std::printf("  %-10s %.2f (target <= %.2f) %s\n", what.c_str(), value, target,
                value <= target ? "ok" : "OVER");
}

} // namespace dossiva::bench
