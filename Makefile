# Front door: `make run` converts the bundled samples, `make test` runs every
# test, `make gui` opens the window, `make screenshot` draws docs/wayfold.png
# and docs/map.png.
# All install what is missing (Debian packages), configure and build first.

PRESET      ?= default
BUILD_DIR   := build/$(PRESET)
WAYFOLD     := $(BUILD_DIR)/bin/wayfold
RUN_OUT     := build/run-output
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)

# Build: compiler, CMake, Ninja, pkg-config, Qt 6, pugixml, libzip. Tests:
# GPSBabel (reads our files back), locales (a German locale for number parsing), fonts for the
# offscreen window tests, gio (starts our desktop entries as GLib does).
# Screenshot: Xvfb. Fuzzing: clang with libFuzzer and the sanitizer runtimes,
# zip for the seeds of the ZIP target.
# Debian package: dpkg-shlibdeps, and for its check desktop-file-validate and
# xmllint.
PACKAGES := g++ cmake ninja-build pkg-config qt6-base-dev libpugixml-dev libzip-dev zip \
            gpsbabel locales fonts-dejavu-core libglib2.0-bin xvfb xauth \
            clang libclang-rt-14-dev dpkg-dev desktop-file-utils libxml2-utils

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: run test test-asan fuzz gui screenshot screenshot-large deps configure build clean format deb windows windows-test

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

# Writes the samples to all five formats in $(RUN_OUT) and lists what it wrote.
# A status of 1 (a problem was reported, shown above the list) still lists the
# files; anything worse fails.
run: PRESET := default
run: build
	@mkdir -p $(RUN_OUT)
	@rm -f $(RUN_OUT)/samples.mps $(RUN_OUT)/samples.gdb $(RUN_OUT)/samples.loc $(RUN_OUT)/samples.tb.loc \
	  $(RUN_OUT)/samples.gpx
	@echo "Converting the samples in examples/ headless into $(RUN_OUT):"
	@status=0; \
	$(WAYFOLD) --headless examples/lakeside.gpx examples/hilltop.loc \
	  /s:$(RUN_OUT)/samples.mps /g:$(RUN_OUT)/samples.gdb \
	  /l:$(RUN_OUT)/samples.loc /e:$(RUN_OUT)/samples.tb.loc /x:$(RUN_OUT)/samples.gpx /q || status=$$?; \
	echo "wayfold exited with status $$status; files written:"; \
	found=0; \
	for f in samples.mps samples.gdb samples.loc samples.tb.loc samples.gpx; do \
	  if [ -f $(RUN_OUT)/$$f ]; then \
	    found=1; printf '  %-32s %7s bytes\n' $(RUN_OUT)/$$f "$$(wc -c < $(RUN_OUT)/$$f)"; \
	  fi; \
	done; \
	[ $$found = 1 ] || echo "  (none)"; \
	[ $$status -le 1 ]

# The window; without a display it opens on a virtual one (Xvfb), which shows
# that it starts. End it with the Exit button or Ctrl-C.
gui: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(WAYFOLD); \
	else \
	  echo "No display: the window opens on a virtual X display (Xvfb). End it with Ctrl-C."; \
	  xvfb-run -a -s "-screen 0 1280x800x24" $(WAYFOLD); \
	fi

# The README's picture: the window with the samples imported, drawn without
# any display. The samples are copied into a temporary home folder and the
# folder tree shows only that folder, not the machine's own.
screenshot: build
	cmake --build --preset $(PRESET) -j $(JOBS) --target wayfold_screenshot
	@mkdir -p docs
	@home=$$(mktemp -d) && mkdir -p $$home/geocacher/Geocaching && cp examples/* $$home/geocacher/Geocaching/ && \
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bin/wayfold_screenshot --root $$home docs/wayfold.png \
	  $$home/geocacher/Geocaching/lakeside.gpx $$home/geocacher/Geocaching/hilltop.loc && \
	xvfb-run -a -s "-screen 0 1600x1400x24" $(BUILD_DIR)/bin/wayfold_screenshot --map --size 1200x1300 \
	  --root $$home docs/map.png \
	  $$home/geocacher/Geocaching/lakeside.gpx $$home/geocacher/Geocaching/hilltop.loc; \
	status=$$?; rm -rf $$home; exit $$status

# The map with a generated pocket query of 100,000 caches, on a virtual X
# display: docs/map-100k.png. The file is made once, in build/bench.
screenshot-large: build
	cmake --build --preset $(PRESET) -j $(JOBS) --target wayfold_screenshot wayfold-generate
	@mkdir -p docs build/bench
	@[ -f build/bench/map-100000.gpx ] || $(BUILD_DIR)/bin/wayfold-generate gpx 100000 build/bench/map-100000.gpx
	xvfb-run -a -s "-screen 0 1600x1400x24" $(BUILD_DIR)/bin/wayfold_screenshot --map --size 1200x1300 \
	  --root build/bench docs/map-100k.png build/bench/map-100000.gpx

test: build
	ctest --preset $(PRESET) -j $(JOBS)

test-asan:
	$(MAKE) test PRESET=asan

# The Debian package, build/wayfold_<version>_<arch>.deb (release build):
# install it with `apt-get install ./build/wayfold_*.deb`.
deb: PRESET := default
deb: configure
	cmake --build --preset $(PRESET) -j $(JOBS) --target wayfold wayfold_icon_png
	rm -f build/wayfold_*.deb
	cd $(BUILD_DIR) && cpack -G DEB -B $(CURDIR)/build

# Fuzzes each reader (libFuzzer, with AddressSanitizer and UBSan) for
# FUZZ_SECONDS, FUZZ_PARALLEL targets at a time, and prints executions and
# failures; FUZZ_TARGETS picks some of mps gdb terrabyte loc gpx zip. Fails when
# any target found a crash, a hang or a runaway allocation; the input is then
# in build/fuzz/artifacts/<target>.
FUZZ_SECONDS  ?= 600
FUZZ_PARALLEL ?= 1
FUZZ_TARGETS  ?=

fuzz:
	$(MAKE) build PRESET=fuzz
	fuzz/run $(FUZZ_SECONDS) $(FUZZ_PARALLEL) $(FUZZ_TARGETS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build

# Benchmarks against GPSBabel on generated files (release build). Not part of
# `make test`. BENCH_SIZES, BENCH_RUNS and BENCH_LIMIT (seconds) can be set;
# BENCH_ONLY picks conversions by name ("GPX -> GDB v3,XML LOC -> GPX").
BENCH_SIZES ?= 10000,100000
BENCH_RUNS  ?= 3
BENCH_LIMIT ?= 60
BENCH_ONLY  ?=
# A million caches, once, for the conversions named in BENCH_LARGE_ONLY.
BENCH_LARGE ?= 1000000
BENCH_LARGE_ONLY ?= GPX -> GDB

.PHONY: bench
bench: PRESET := default
bench: build
	cmake --build --preset default --target wayfold-generate wayfold-bench
	$(BUILD_DIR)/bin/wayfold-bench --program $(WAYFOLD) --generator $(BUILD_DIR)/bin/wayfold-generate \
	  --work build/bench --sizes $(BENCH_SIZES) --runs $(BENCH_RUNS) --limit $(BENCH_LIMIT) \
	  $(if $(BENCH_ONLY),--only "$(BENCH_ONLY)")
	$(if $(BENCH_LARGE),$(BUILD_DIR)/bin/wayfold-bench --program $(WAYFOLD) \
	  --generator $(BUILD_DIR)/bin/wayfold-generate --work build/bench --sizes $(BENCH_LARGE) \
	  --runs 1 --limit $(BENCH_LIMIT) --only "$(BENCH_LARGE_ONLY)")
	cmake --build --preset default --target wayfold-tablebench
	@[ -f build/bench/map-100000.gpx ] || $(BUILD_DIR)/bin/wayfold-generate gpx 100000 build/bench/map-100000.gpx
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bin/wayfold-tablebench 100000 $(BENCH_RUNS) build/bench/map-100000.gpx

# Windows, cross-compiled: `make windows` leaves build/windows/wayfold-<version>-windows-x64.zip
# (portable) and ...-windows-x64.exe (installer); `make windows-test` runs the
# test suite under Wine, then installs, uses and uninstalls the installer under
# Wine. Qt, pugixml and libzip are built from Debian's source packages once,
# into WINDOWS_CACHE; the first run takes long (see README).
WINDOWS_CACHE    ?= $(or $(XDG_CACHE_HOME),$(HOME)/.cache)/wayfold/windows
WINDOWS_BUILD    := build/windows
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 nsis dpkg-dev

windows windows-test: PACKAGES += $(WINDOWS_PACKAGES)

windows: deps
	JOBS=$(JOBS) tools/windows/build $(WINDOWS_CACHE) $(WINDOWS_BUILD) package

windows-test: deps windows build
	JOBS=$(JOBS) tools/windows/build $(WINDOWS_CACHE) $(WINDOWS_BUILD) test
	tools/windows/check-installer $(WINDOWS_BUILD) $(WAYFOLD)
