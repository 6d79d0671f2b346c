# The two everyday commands: `make run` and `make test`.
# Both install missing Debian packages, configure and build first.
#
# `make test` runs the normal suite, then the Qt-free suites again built with AddressSanitizer
# and UndefinedBehaviorSanitizer (`make test-asan`, build-asan/), then a short run of every fuzz
# target (`make fuzz-short`, build-fuzz/). Any failure, sanitizer report or fuzzer crash fails
# it. `make fuzz-long` runs a million inputs through each fuzz target.

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
# Seconds each fuzz target runs within `make test`; `make fuzz-long` runs a number of inputs.
FUZZ_SECONDS ?= 20
FUZZ_RUNS ?= 1000000

# A report ends the program with an error, leaks included.
export ASAN_OPTIONS ?= detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS ?= print_stacktrace=1:halt_on_error=1

# The test programs of the sanitizer build; the window, the command-line tool and the
# benchmarks need Qt and are not built there.
ASAN_TARGETS = atalaya_core_tests atalaya_service_tests atalaya_channels_tests atalaya_sim_tests

.PHONY: all deps configure build run test test-asan fuzz-build fuzz-short fuzz-long fuzz-seeds \
        clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD_DIR)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-asan
	$(MAKE) --no-print-directory fuzz-short

$(ASAN_DIR)/build.ninja: CMakeLists.txt | deps
	CC=clang CXX=clang++ cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DATALAYA_SANITIZE=ON

test-asan: deps $(ASAN_DIR)/build.ninja
	cmake --build $(ASAN_DIR) -j $(JOBS) --target $(ASAN_TARGETS)
	ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS)

$(FUZZ_DIR)/build.ninja: CMakeLists.txt | deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DATALAYA_FUZZ=ON

fuzz-build: deps $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_targets

fuzz-short: fuzz-build
	scripts/fuzz.sh $(FUZZ_DIR) -max_total_time=$(FUZZ_SECONDS)

fuzz-long: fuzz-build
	scripts/fuzz.sh $(FUZZ_DIR) -runs=$(FUZZ_RUNS)

# Writes again the seeds made from the virtual decoder and data/INIs into fuzz/corpus/.
fuzz-seeds: deps $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target atalaya-fuzz-seeds
	$(FUZZ_DIR)/atalaya-fuzz-seeds .

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR)
