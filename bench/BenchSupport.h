#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>

namespace dossiva::bench {

// The best of `runs` timings of a piece of work, in seconds.
double bestOf(int runs, const std::function<void()>& work);
// The best of `runs` timings of a shell command, in seconds.
double bestOfCommand(int runs, const std::string& command);

// Bytes of heap the process holds now.
std::size_t heapInUse();

std::size_t fileSize(const std::string& path);

// A private home for the benchmark's data, removed at exit.
std::string makeBenchHome();

std::string shellQuote(const std::string& text);

// `count` words drawn from a small vocabulary, joined by blanks: sample text
// for the benchmark databases.
std::string words(std::mt19937& random, int count);

void printRatio(const std::string& what, double value, double target);

// A package of `records` records with a field of each of twelve types, the
// values of the kinds and sizes real databases hold; it is left open in
// the shared store.
bool makeMixedDatabase(const std::string& package, int records);

} // namespace dossiva::bench
