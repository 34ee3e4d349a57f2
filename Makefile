# The two commands of the README. Each installs what is missing, configures and builds first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

BUILD_PKGS := g++ make cmake qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-multimedia-dev \
              qt6-qpa-plugins libqt6dbus6 libgl-dev
# Only needed by `make run` on a machine without a display (virtual X server and a screenshot).
DEMO_PKGS := xvfb xauth x11-utils imagemagick fonts-liberation

.PHONY: run test build deps bench clean

deps:
	@tools/install-deps.sh $(BUILD_PKGS)

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 150

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then tools/install-deps.sh $(DEMO_PKGS); fi
	@tools/run-demo.sh $(BUILD_DIR)

bench: build
	@tools/run-benchmarks.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
