# The two commands of a fresh machine: `make run` and `make test`.
# The configurations are the CMake presets (CMakePresets.json).
JOBS ?= $(shell nproc)

.PHONY: run test build deps configure sanitize release fuzz clean

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset developer >/dev/null

build: configure
	@cmake --build --preset developer -j $(JOBS)

run: build
	@scripts/run-sample build

test: build
	@ctest --preset developer -j $(JOBS)

# The core tests once under AddressSanitizer and UBSan.
sanitize: deps
	@cmake --preset sanitizers >/dev/null
	@cmake --build --preset sanitizers -j $(JOBS)
	@ctest --preset sanitizers -j $(JOBS)

release: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS (default 20) each over its corpus.
FUZZ_SECONDS ?= 20
fuzz: deps
	@scripts/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build build-asan build-release build-fuzz
