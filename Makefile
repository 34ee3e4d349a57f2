# The two commands of the README. Each installs what is missing, configures and builds first.
SANITIZE ?= 0
ifeq ($(SANITIZE),1)
# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer, in its own build folder.
BUILD_DIR ?= build-sanitize
CMAKE_EXTRA := -DRINGLARK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
# Leaks are looked for in the program's own code; the system libraries Qt loads (fonts, D-Bus)
# keep allocations for the life of the process on purpose.
# The kill test preloads its shim into the program, ahead of the sanitizer runtime.
export ASAN_OPTIONS := detect_leaks=1:abort_on_error=0:strict_string_checks=0:verify_asan_link_order=0
export LSAN_OPTIONS := suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS := print_stacktrace=1:halt_on_error=1
else
BUILD_DIR ?= build
CMAKE_EXTRA := -DCMAKE_BUILD_TYPE=RelWithDebInfo
endif
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Rebuilds of several work trees share their objects through ccache where it is installed.
CCACHE := $(shell command -v ccache 2>/dev/null)
ifneq ($(CCACHE),)
CMAKE_EXTRA += -DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE) -DCMAKE_C_COMPILER_LAUNCHER=$(CCACHE)
endif

# The callers' names are said through Qt TextToSpeech: the speech-dispatcher plugin where one runs,
# the flite voice otherwise. (qt6-speech-dev's CMake files need qt6-declarative-dev, which the
# package does not pull in.)
BUILD_PKGS := g++ make cmake qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-multimedia-dev \
              qt6-qpa-plugins libqt6dbus6 libgl-dev qt6-speech-dev qt6-declarative-dev \
              qt6-speech-flite-plugin qt6-speech-speechd-plugin libqt6sql6-sqlite
# Only needed by `make run` on a machine without a display (virtual X server and a screenshot).
DEMO_PKGS := xvfb xauth x11-utils imagemagick fonts-liberation

.PHONY: run test build configure deps bench clean package format

deps:
	@tools/install-deps.sh $(BUILD_PKGS)

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_EXTRA) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 150

# Only what the demo runs: the program and the simulated modem (the tests and benchmarks are
# most of the build).
run: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target ringlark ringlark-modemsim
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then tools/install-deps.sh $(DEMO_PKGS); fi
	@tools/run-demo.sh $(BUILD_DIR)

# Formats the tree as .clang-format says (CI fails on a file that is not).
format:
	@tools/check-format.sh --fix

bench: build
	@tools/run-benchmarks.sh $(BUILD_DIR)

# A .deb of the program (dpkg-shlibdeps, from dpkg-dev, names the libraries it needs).
package: build
	@tools/install-deps.sh dpkg-dev file
	cd $(BUILD_DIR) && cpack

clean:
	rm -rf $(BUILD_DIR)

# --- Fuzzing and kill tests --------------------------------------------------------------
# `make fuzz`: each fuzz target under libFuzzer for FUZZ_SECONDS, new inputs kept in its corpus.
# `make crashtest`: the kill test for CRASH_SECONDS (the suite runs it for 22 seconds).
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 300
CRASH_SECONDS ?= 1200
FUZZ_PKGS := clang libclang-rt-14-dev
FUZZ_TARGETS := receive calllog blocked setup ncid screening
# Throughput: no fill of fresh allocations and no allocation stacks (a finding still names where
# the bad access is, and the corpus test replays its input with whole stacks). The receive target
# keeps one program state across inputs, as the program does, so libFuzzer's per-input leak check
# would only see that state; leaks are looked for by `make test SANITIZE=1`.
FUZZ_ASAN_OPTIONS ?= max_malloc_fill_size=0:malloc_context_size=0
# The receive target's inputs are kept to 512 bytes (a few calls each): every call ends in the
# log's writes and reads, and longer inputs only add calls. At 512 bytes it runs about 1,800
# inputs a second under the sanitizers, at 1,024 about 1,000, unbounded about 600.
FUZZ_FLAGS_receive := -detect_leaks=0 -max_len=512

.PHONY: fuzz crashtest

fuzz: deps
	@tools/install-deps.sh $(FUZZ_PKGS)
	@cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
		-DCMAKE_C_COMPILER=clang -DRINGLARK_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ_DIR)/found/$$t; \
		QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=$(FUZZ_ASAN_OPTIONS) $(FUZZ_DIR)/fuzz/fuzz_$$t \
			-max_total_time=$(FUZZ_SECONDS) $$([ $$t = receive ] && echo $(FUZZ_FLAGS_receive)) \
			-artifact_prefix=$(FUZZ_DIR)/found/$$t/ -print_final_stats=1 tests/fuzz/corpus/$$t \
			2>$(FUZZ_DIR)/fuzz_$$t.log; \
		echo "fuzz_$$t: exit $$?, $$(grep -o 'stat::number_of_executed_units: *[0-9]*' $(FUZZ_DIR)/fuzz_$$t.log \
			| grep -o '[0-9]*$$') executions, findings in $(FUZZ_DIR)/found/$$t: $$(ls $(FUZZ_DIR)/found/$$t | wc -l)"; \
	done

crashtest: build
	cd $(BUILD_DIR) && RINGLARK_KILL_SECONDS=$(CRASH_SECONDS) QTEST_FUNCTION_TIMEOUT=$$(( ($(CRASH_SECONDS) + 300) * 1000 )) \
		QT_QPA_PLATFORM=offscreen tests/tst_kill
# --- end of fuzzing and kill tests -------------------------------------------------------
