# make build | make test | make demo
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all bootstrap build build-asan test test-fast test-asan demo demo-check bench clean

all: build

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

# Every test, then the sanitizer build of the tests.
test: build build-asan
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	NVR_BUILD=$(BUILD) scripts/demo --check
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

test-fast: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	NVR_BUILD=$(BUILD) scripts/demo

demo-check: build
	NVR_BUILD=$(BUILD) scripts/demo --check

bench: build
	NVR_BUILD=$(BUILD) scripts/bench

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
