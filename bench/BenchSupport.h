#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace dossiva::bench {

// How many timed runs make a figure. One run of a busy shared machine can be
// off by half; the median of five is not.
constexpr int kRuns = 5;

// The spread of a set of timings (or of ratios of timings).
struct Figures {
    double median = 0;
    double min = 0;
    double max = 0;
};
Figures figuresOf(std::vector<double> samples);

// Times `work` `runs` times after one untimed warm-up, in seconds.
// `prepare`, when given, runs untimed before each run (the warm-up's too),
// for work that consumes what it is given.
Figures timeRuns(int runs, const std::function<void()>& work, const std::function<void()>& prepare = {});

// Ours and the anchor measured turn about (ours, then the anchor), after a
// warm-up of each, so that both meet the same moments of a machine whose
// speed drifts; the ratio is taken pair by pair.
struct Pairing {
    Figures ours;
    Figures anchor;
    Figures ratio;
};
Pairing timePairs(int runs, const std::function<void()>& ours, const std::function<void()>& anchor,
                  const std::function<void()>& prepare = {});

// Work that runs a shell command, complaining when it fails.
std::function<void()> shellCommand(const std::string& command);

// Bytes of heap the process holds now.
std::size_t heapInUse();

std::size_t fileSize(const std::string& path);

// A private home for the benchmark's data, removed at exit.
std::string makeBenchHome();

std::string shellQuote(const std::string& text);

// `count` words drawn from a small vocabulary, joined by blanks: sample text
// for the benchmark databases.
std::string words(std::mt19937& random, int count);

// "  label      0.123 s (min 0.120, max 0.130)", or in milliseconds.
void printSeconds(const std::string& label, const Figures& seconds, const std::string& note = {});
void printMilliseconds(const std::string& label, const Figures& seconds, double targetSeconds);
// A ratio against its target: the median decides, the spread is shown.
void printRatio(const std::string& what, const Figures& ratio, double target);
// A ratio measured once (memory).
void printRatio(const std::string& what, double value, double target);

// A package of `records` records with a field of each of twelve types, the
// values of the kinds and sizes real databases hold; it is left open in
// the shared store.
bool makeMixedDatabase(const std::string& package, int records);

} // namespace dossiva::bench
