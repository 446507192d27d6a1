# make run  : installs missing Debian packages, builds, starts the unit.
# make test : installs, builds, runs every test (plain, ASan+UBSan, TSan).
# make bench: builds and runs the benchmarks.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 10
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
export CCACHE_COMPILERCHECK := content
# The tests share a precompiled header.
export CCACHE_SLOPPINESS := pch_defines,time_macros,include_file_mtime,include_file_ctime
# Several tests at once: most whole-program tests wait on the unit's clock.
TEST_JOBS ?= $(shell echo $$(( $(JOBS) * 2 )))
# clang compiles the tests about twice as fast as g++ and also builds the
# libFuzzer targets, so the sanitizer build serves both.
TESSIX_CC ?= clang
TESSIX_CXX ?= clang++
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=$(TESSIX_CC) -DCMAKE_CXX_COMPILER=$(TESSIX_CXX)
SANITIZER_FLAGS := $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DTESSIX_BENCH=OFF

.PHONY: deps build run test test-plain asan-config test-asan test-tsan test-fuzz bench clean

deps:
	@bash tools/install-deps.sh

build: deps
	@cmake -S . -B build $(CMAKE_FLAGS) >/dev/null
	@cmake --build build -j $(JOBS)

run: build
	@bash tools/run.sh

test-plain: build
	ctest --test-dir build --output-on-failure -j $(TEST_JOBS)

asan-config: deps
	@cmake -S . -B build-asan $(SANITIZER_FLAGS) -DTESSIX_SANITIZE=address,undefined \
	    -DTESSIX_FUZZ_SECONDS=$(FUZZ_SECONDS) >/dev/null

test-asan: asan-config
	@cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --test-dir build-asan --output-on-failure -j $(TEST_JOBS)

TSAN_FILES = $(wildcard tests/lsvc/*_test.cpp) $(shell grep -l '^// Threading test' tests/*/*_test.cpp 2>/dev/null)
TSAN_TARGETS = $(sort $(foreach f,$(TSAN_FILES),$(subst /,_,$(patsubst tests/%.cpp,%,$(f)))))

test-tsan: deps
	@cmake -S . -B build-tsan $(SANITIZER_FLAGS) -DTESSIX_SANITIZE=thread >/dev/null
	@cmake --build build-tsan -j $(JOBS) --target $(TSAN_TARGETS)
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:atexit_sleep_ms=0 \
	    ctest --test-dir build-tsan --output-on-failure -L threads -j $(TEST_JOBS)

# A short run of every libFuzzer target, built in the ASan+UBSan folder.
test-fuzz: asan-config
	cmake --build build-asan -j $(JOBS) --target fuzz_short

test: test-plain test-asan test-tsan test-fuzz

bench: build
	@for b in build/bench/*_bench; do echo "== $$b"; $$b --benchmark_min_time=0.2; done

clean:
	rm -rf build build-asan build-tsan run
