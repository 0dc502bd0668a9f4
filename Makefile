# The two commands of the README, plus the benchmarks.
#   make run    builds Dossiva and starts it on your data tree
#   make test   builds the test configuration (Debug, ASan, UBSan, -Werror) and runs every test
#   make bench  builds an optimised configuration and runs the benchmarks
#   make fuzz   builds the libFuzzer targets with clang and runs each for SECONDS seconds

JOBS ?= $(shell nproc)
TEST_DIR := build/test
RUN_DIR := build/release
BENCH_DIR := build/bench
FUZZ_DIR := build/fuzz
FUZZ_TARGETS := fuzz_csv_reader fuzz_structure_decoder fuzz_ftp_reply fuzz_listing_parser fuzz_ftp_session
SECONDS ?= 600
CMAKE_GEN := -G Ninja

.PHONY: all deps run test bench fuzz build-test build-release build-fuzz clean

all: build-release

deps:
	@scripts/setup-deps

build-release: deps
	cmake -S . -B $(RUN_DIR) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDOSSIVA_TESTS=OFF
	cmake --build $(RUN_DIR) -j $(JOBS)

run: build-release
	$(RUN_DIR)/src/ui/dossiva

build-test: deps
	cmake -S . -B $(TEST_DIR) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DDOSSIVA_SANITIZE=ON -DDOSSIVA_WERROR=ON
	cmake --build $(TEST_DIR) -j $(JOBS)

# The tests, then a few seconds of each fuzz target over its corpus, so that
# a harness or a parser that no longer holds is caught here.
test: build-test build-fuzz
	ctest --test-dir $(TEST_DIR) --output-on-failure -j $(JOBS) --timeout 600
	scripts/fuzz $(FUZZ_DIR) 3 $(FUZZ_TARGETS)

build-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DDOSSIVA_UI=OFF -DDOSSIVA_TESTS=OFF -DDOSSIVA_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(FUZZ_TARGETS)

fuzz: build-fuzz
	scripts/fuzz $(FUZZ_DIR) $(SECONDS) $(FUZZ_TARGETS)

bench: deps
	cmake -S . -B $(BENCH_DIR) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DDOSSIVA_TESTS=OFF -DDOSSIVA_BENCH=ON
	cmake --build $(BENCH_DIR) -j $(JOBS)
	$(BENCH_DIR)/bench/dossiva-bench

clean:
	rm -rf build
