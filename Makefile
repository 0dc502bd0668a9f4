# The two commands of the README, plus the benchmarks.
#   make run    builds Dossiva and starts it on your data tree
#   make test   builds the test configuration (Debug, ASan, UBSan, -Werror) and runs every test
#   make bench  builds an optimised configuration and runs the benchmarks

JOBS ?= $(shell nproc)
TEST_DIR := build/test
RUN_DIR := build/release
BENCH_DIR := build/bench
CMAKE_GEN := -G Ninja

.PHONY: all deps run test bench build-test build-release clean

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

test: build-test
	ctest --test-dir $(TEST_DIR) --output-on-failure -j $(JOBS) --timeout 600

bench: deps
	cmake -S . -B $(BENCH_DIR) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DDOSSIVA_TESTS=OFF -DDOSSIVA_BENCH=ON
	cmake --build $(BENCH_DIR) -j $(JOBS)
	$(BENCH_DIR)/bench/dossiva-bench

clean:
	rm -rf build
