# Set-up, build, demo, tests and benchmarks. Every target installs what is
# missing first (scripts/install-deps.sh is quiet when all is there).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps build test demo bench clean test-asan fuzz fuzz-build

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

demo: build
	@./scripts/demo.sh $(BUILD)

bench: deps
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQFJS_BUILD_BENCH=ON -DQFJS_BUILD_TESTS=OFF >/dev/null
	@cmake --build build-bench -j$(JOBS)
	@./scripts/bench.sh build-bench

# The whole suite with AddressSanitizer, UndefinedBehaviorSanitizer and leak
# detection (GCC, -O1), then a short run of every fuzz target. Any sanitizer
# report fails the run; the suppressions file names only frames of libraries
# we do not build (V8 inside libnode, ICU).
ASAN_BUILD ?= build-asan
ASAN_CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1"
SANITIZER_ENV = \
	ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=0:allocator_may_return_null=1:abort_on_error=0 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
FUZZ_SMOKE_SECONDS ?= 10

test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) $(ASAN_CMAKE_FLAGS) -DQFJS_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=$(FUZZ_SMOKE_SECONDS)

# libFuzzer targets (clang): `make fuzz` runs each for FUZZ_SECONDS on a copy
# of its seed corpus; FUZZ_TARGETS picks some of them.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=

fuzz-build: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  $(ASAN_CMAKE_FLAGS) -DQFJS_FUZZ=ON -DQFJS_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS) --target qfjs_fuzzers

fuzz: fuzz-build
	@$(SANITIZER_ENV) ./tests/fuzz/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

clean:
	rm -rf $(BUILD) build-bench $(ASAN_BUILD) $(FUZZ_BUILD)
