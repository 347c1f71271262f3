# Front door: `make run` converts the bundled samples, `make test` runs every
# test. Both install what is missing (Debian packages), configure and build first.

PRESET      ?= default
BUILD_DIR   := build/$(PRESET)
WAYFOLD     := $(BUILD_DIR)/bin/wayfold
RUN_OUT     := build/run-output
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)

# Build: compiler, CMake, Ninja, Qt 6, pugixml. Tests: GPSBabel (reads our
# files back), locales (a German locale for number parsing), fonts for the
# offscreen window tests. Screenshot: Xvfb.
PACKAGES := g++ cmake ninja-build qt6-base-dev libpugixml-dev \
            gpsbabel locales fonts-dejavu-core xvfb xauth

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: run test test-asan deps configure build clean format

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi

configure: deps
	@[ -f $(BUILD_DIR)/build.ninja ] || cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET) -j $(JOBS)

run: PRESET := default
run: build
	@mkdir -p $(RUN_OUT)
	@echo "Converting the samples in examples/ headless:"
	$(WAYFOLD) --headless examples/lakeside.gpx examples/hilltop.loc /q

test: build
	ctest --preset $(PRESET) -j $(JOBS)

test-asan:
	$(MAKE) test PRESET=asan

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build

# Benchmarks against GPSBabel on generated files (release build). Not part of
# `make test`. BENCH_SIZES, BENCH_RUNS and BENCH_LIMIT (seconds) can be set.
BENCH_SIZES ?= 10000,100000
BENCH_RUNS  ?= 3
BENCH_LIMIT ?= 60

.PHONY: bench
bench: PRESET := default
bench: build
	cmake --build --preset default --target wayfold-generate wayfold-bench
	$(BUILD_DIR)/bin/wayfold-bench --program $(WAYFOLD) --generator $(BUILD_DIR)/bin/wayfold-generate \
	  --work build/bench --sizes $(BENCH_SIZES) --runs $(BENCH_RUNS) --limit $(BENCH_LIMIT)
