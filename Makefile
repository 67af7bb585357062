# Quick start: `make run` starts the viewer, `make test` runs every test.
# Both install the Debian packages the project needs when they are missing.
# `make run` builds only the program it starts; the tests, benchmarks and
# fuzz targets are built by `make test`, `make bench` and `make fuzz`.

PACKAGES := g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            qt6-base-dev libgl-dev fonts-nanum locales python3 libtbb-dev \
            clang-14 libclang-rt-14-dev libpng-dev dpkg-dev libassimp-dev libjpeg-dev

.PHONY: run test bench soak fuzz package deps clean

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing Debian packages:$$missing"; \
	  if [ "$$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi; \
	  $$sudo apt-get update -q && \
	  DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y -q --no-install-recommends $$missing; \
	fi

# build-release, build-asan (AddressSanitizer + UBSan), build-tsan (only the
# parallel frame test runs under ThreadSanitizer) and build-fuzz (the
# libFuzzer targets, built with clang).
build-%: deps
	cmake --preset $*
	cmake --build --preset $*

test: build-release build-asan build-tsan build-fuzz
	ctest --preset release
	ctest --preset asan
	ctest --preset tsan
	ctest --preset fuzz

# Each fuzz target for FUZZ_SECONDS on one core (see fuzz/run.sh).
FUZZ_SECONDS ?= 60
fuzz: build-fuzz
	fuzz/run.sh $(FUZZ_SECONDS)

# A million frames of seeded random input on the release build; SOAK_SEED
# picks another sequence.
SOAK_SEED ?= 1
soak: build-release
	./build/release/tests/trivane_soak --frames 1000000 --seed $(SOAK_SEED)

# The frame benchmarks of the release build (see docs/benchmarks.md).
bench: deps
	cmake --preset release
	cmake --build --preset release --target trivane_bench
	./build/release/bench/trivane_bench

# Builds the viewer alone. Without a display the viewer cannot open its
# window: say so, and build and render the default scene headless instead.
run: deps
	cmake --preset release
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	  cmake --build --preset release --target trivane && \
	  ./build/release/apps/trivane/trivane; \
	else \
	  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): rendering the default scene headless instead."; \
	  cmake --build --preset release --target trivane-render && \
	  ./build/release/apps/trivane-render/trivane-render -o build/default.png && \
	  echo "$(CURDIR)/build/default.png"; \
	fi

# A Debian package of both programs, the default scene, the desktop entry,
# the icon and the manual pages: build/release/trivane_<version>_<arch>.deb.
package: build-release
	cmake --build --preset release --target package

clean:
	rm -rf build
