# Set-up, build, demo, tests and benchmarks. Every target installs what is
# missing first (scripts/install-deps.sh is quiet when all is there).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps build test demo bench clean

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

clean:
	rm -rf $(BUILD) build-bench build-asan
