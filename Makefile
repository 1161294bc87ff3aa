# Entry points; the real build is CMake. `make run` and `make test` work on a fresh
# Debian 12 machine: they install what is missing first.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
TSAN_DIR ?= build-tsan
FUZZ_SECONDS ?= 600
FUZZ_CI_SECONDS ?= 30
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# DEBUG_INFO=0 builds the main build without debug info (CI: quicker to compile and link).
DEBUG_INFO ?= 1
NO_DEBUG_INFO = $(if $(filter 0,$(DEBUG_INFO)),-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG")
CMAKE = cmake -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(NO_DEBUG_INFO) $(CMAKE_FLAGS)

.PHONY: deps build run test sanitize tsan fuzz-build fuzz fuzz-ci fuzz-seeds bench format clean \
	windows-deps windows test-windows

deps:
	@./tools/install-deps.sh

build: deps
	@$(CMAKE) -S . -B $(BUILD_DIR) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@$(BUILD_DIR)/app/capspect report --demo

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# One clang build with AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer's coverage
# instrumentation serves both the whole test suite under the sanitizers and the fuzz targets
# (fuzz/, docs/fuzzing.md), so the project is compiled once for both. Line tables only: the
# sanitizers' reports still name files and lines.
SANITIZE_CMAKE = CXX=clang++ $(CMAKE) -S . -B $(SANITIZE_DIR) -DCAPSPECT_FUZZ=ON \
	-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" >/dev/null

# The whole test suite again under the sanitizers, but for the QEMU guest runs (label
# integration), which make test runs and whose V4L2 paths the recorded-device tests cover here.
sanitize: deps
	@$(SANITIZE_CMAKE)
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	@ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS) -LE integration

# The test programs that run several threads (the thread-safe string list, the
# cross-thread message queue and COM reference counts, the framework) under
# ThreadSanitizer, in a build of their own; only these programs are built.
TSAN_TESTS = util_tests platform_tests framework_tests
tsan: deps
	@$(CMAKE) -S . -B $(TSAN_DIR) -DCAPSPECT_SANITIZE=thread \
		-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" >/dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS) --target $(TSAN_TESTS)
	@for t in $(TSAN_TESTS); do \
		TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
		$(TSAN_DIR)/tests/*/$$t --gtest_brief=1 || exit 1; \
	done

# The fuzz targets and the program, in the sanitizer build; the program's demo report runs
# once as a check of the build.
fuzz-build: deps
	@$(SANITIZE_CMAKE)
	@cmake --build $(SANITIZE_DIR) -j $(JOBS) --target capspect_fuzzers capspect
	@$(SANITIZE_DIR)/app/capspect report --demo >/dev/null

# Every target for FUZZ_SECONDS, keeping what it finds in $(SANITIZE_DIR)/fuzz-work.
fuzz: fuzz-build
	@FUZZ_BUILD_DIR=$(SANITIZE_DIR) ./tools/run-fuzzers.sh $(FUZZ_SECONDS)

# A short run of every target from its seeds; fails on any finding.
fuzz-ci: fuzz-build
	@FUZZ_BUILD_DIR=$(SANITIZE_DIR) FUZZ_FRESH=1 ./tools/run-fuzzers.sh $(FUZZ_CI_SECONDS)

# Writes fuzz/corpus/ afresh from the tests' builders.
fuzz-seeds: fuzz-build
	@cmake --build $(SANITIZE_DIR) -j $(JOBS) --target capspect_fuzz_seeds
	@rm -rf fuzz/corpus
	@$(SANITIZE_DIR)/fuzz/capspect_fuzz_seeds fuzz/corpus

bench: deps
	@$(CMAKE) -S . -B $(BUILD_DIR) -DCAPSPECT_BENCHMARKS=ON >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)
	@for b in $(BUILD_DIR)/bench/*_bench; do $$b; done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(TSAN_DIR) build-windows build-windows-i686

# Windows: cross-built with mingw-w64 (docs/windows.md). ARCH=x86_64 (default) builds
# build-windows/, ARCH=i686 build-windows-i686/.
ARCH ?= x86_64
WINDOWS_DIR ?= $(if $(filter i686,$(ARCH)),build-windows-i686,build-windows)
# What `make windows` builds: everything, or the targets named (CI builds only the
# programs for i686, whose tests need a 32-bit Wine).
WINDOWS_TARGETS ?=
windows-deps:
	@./tools/install-deps.sh windows

windows: windows-deps
	@$(CMAKE) -S . -B $(WINDOWS_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
		-DCAPSPECT_WINDOWS_ARCH=$(ARCH) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(WINDOWS_DIR) -j $(JOBS) $(if $(WINDOWS_TARGETS),--target $(WINDOWS_TARGETS))

# The Windows test programs under Wine (64-bit), in a prefix of their own with the null
# graphics driver. A persistent wineserver, its output in a file, serves every test (one
# left running from an earlier run serves as well). The vivid test replays the Windows
# snapshot with the Linux build's program, which make test builds.
test-windows: windows
	@./tools/wine-prefix.sh $(CURDIR)/$(WINDOWS_DIR)/wineprefix
	@WINEPREFIX=$(CURDIR)/$(WINDOWS_DIR)/wineprefix wineserver -p >$(WINDOWS_DIR)/wineserver.log 2>&1 \
		|| true
	@WINEPREFIX=$(CURDIR)/$(WINDOWS_DIR)/wineprefix ctest --test-dir $(WINDOWS_DIR) \
		--output-on-failure -j $(JOBS); status=$$?; \
		WINEPREFIX=$(CURDIR)/$(WINDOWS_DIR)/wineprefix wineserver -k; exit $$status

# `capspect report`, `report --json` and `snapshot` against `v4l2-ctl --list-formats-ext`,
# and the start (`errtext 0`) against `v4l2-ctl --list-devices`, on the vivid driver in a
# QEMU guest: medians of RUNS runs (default 11), each ratio beside its target.
.PHONY: bench-vivid
bench-vivid: deps
	@$(CMAKE) -S . -B $(BUILD_DIR) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target capspect-cli
	@./bench/vivid_report_bench.sh $(BUILD_DIR)/app/capspect-cli

# The window's start and its first OK against `capspect report` on vivid under Xvfb, in a
# guest with this machine's userland.
.PHONY: bench-vivid-window
bench-vivid-window: deps
	@$(CMAKE) -S . -B $(BUILD_DIR) -DCAPSPECT_BENCHMARKS=ON >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target window_bench
	@./bench/vivid_window_bench.sh $(BUILD_DIR)/bench/window_bench

# `capspect verify`'s cost per format beyond streaming, against `v4l2-ctl --stream-mmap
# --stream-count=N` for the same six formats, in the same kind of guest.
.PHONY: bench-vivid-verify
bench-vivid-verify: deps
	@$(CMAKE) -S . -B $(BUILD_DIR) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target capspect-cli
	@./bench/vivid_verify_bench.sh $(BUILD_DIR)/app/capspect-cli
