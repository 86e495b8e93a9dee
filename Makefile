# make build | make test | make demo
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_TARGETS = fuzz_multipart fuzz_cookie fuzz_query fuzz_routes
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all bootstrap build build-asan build-fuzz fuzz test test-fast test-asan demo demo-check bench clean
.PHONY: reliability

all: build

# Quieter builds: no "Entering directory" lines from the make that CMake runs.
MAKEFLAGS += --no-print-directory

.PHONY: help routes-doc
help:
	@echo "make build        install missing Debian packages (scripts/bootstrap), build into $(BUILD)/"
	@echo "make test         everything CI runs: sanitizer build and its tests, 10 s per fuzz target,"
	@echo "                  the sample requests through lighttpd, then every test of $(BUILD)/"
	@echo "make test-fast    the tests of $(BUILD)/ only"
	@echo "make demo         serve webcgi and the developer console on http://127.0.0.1:8080/ (Ctrl-C stops)"
	@echo "make demo-check   the sample requests of scripts/demo against a temporary root"
	@echo "make bench        latency against a minimal C CGI program (wrk, nvrbench)"
	@echo "make fuzz         each libFuzzer target for FUZZ_SECONDS (default 60)"
	@echo "make routes-doc   render the route reference docs/routes.md from webcgi --routes"
	@echo "make bootstrap    install the missing Debian packages only"
	@echo "make clean        remove the build directories"

routes-doc: build
	NVR_BUILD=$(BUILD) scripts/routes-doc

bootstrap:
	@scripts/bootstrap

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: bootstrap $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DNVR_SANITIZE=ON $(CMAKE_FLAGS)

build-asan: bootstrap $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# libFuzzer targets of the front end: clang, its own build directory.
$(FUZZ_BUILD)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNVR_FUZZ=ON -DNVR_TESTS=OFF $(CMAKE_FLAGS)

build-fuzz: bootstrap $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers

fuzz: build-fuzz
	tests/fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The sanitizer build of the tests, 10 s per fuzz target, the sample requests
# through lighttpd, then every test of the normal build (its summary closes the run).
test: build build-asan build-fuzz
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)
	tests/fuzz/run.sh $(FUZZ_BUILD) 10 $(FUZZ_TARGETS)
	NVR_BUILD=$(BUILD) scripts/demo --check
	@$(MAKE) --no-print-directory test-arm64-or-skip
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-fast: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Run directly (no shell between make and the script), so that Ctrl-C, which
# the script answers with a clean stop, leaves no make error line.
demo: export NVR_BUILD = $(BUILD)
demo: build
	@scripts/demo

demo-check: build
	NVR_BUILD=$(BUILD) scripts/demo --check

bench: build
	NVR_BUILD=$(BUILD) scripts/bench

# 100 writers at once, writers killed at random, a misbehaving daemon (make test runs its smoke).
reliability: build
	NVR_BUILD=$(BUILD) scripts/reliability

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)

# aarch64 cross build (the recorders); its unit and module tests run under qemu-user.
ARM64_BUILD ?= build-arm64
.PHONY: bootstrap-arm64 build-arm64 test-arm64 test-arm64-or-skip

bootstrap-arm64:
	@scripts/bootstrap-arm64

$(ARM64_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ARM64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build-arm64: bootstrap-arm64 $(ARM64_BUILD)/CMakeCache.txt
	cmake --build $(ARM64_BUILD) -j $(JOBS)

# Emulated timing (the relay test's key exchange) can miss a deadline on a loaded
# machine: a failed test gets one more run.
test-arm64: build-arm64
	cd $(ARM64_BUILD) && ctest --output-on-failure -j $(JOBS) --repeat until-pass:2

# Part of make test where the arm64 packages install; one line and on otherwise.
test-arm64-or-skip:
	@if scripts/bootstrap-arm64 >/dev/null 2>&1; then $(MAKE) --no-print-directory test-arm64; \
	 else echo "test-arm64: skipped, the arm64 cross packages cannot be installed here (scripts/bootstrap-arm64)"; fi
