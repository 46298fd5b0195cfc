# Thin wrapper over CMake; every target installs missing packages first.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
JOBS ?= 2
CMAKE_FLAGS ?=
PREFIX ?= /usr/local
# Every build made through make treats warnings as errors, as CI does.
DEVELOPER_FLAGS = -DSCRIVANE_DEVELOPER=ON

.PHONY: all deps configure build test lint run install package bench check-asan fuzz clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(DEVELOPER_FLAGS) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j$(JOBS)

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The house style: clang-format and clang-tidy (.clang-format, .clang-tidy).
lint: configure
	@scripts/install-deps lint
	@JOBS=$(JOBS) scripts/lint $(BUILD_DIR)

run: build
	@scripts/run-example $(BUILD_DIR)

# DESTDIR, when set, is put before PREFIX, as staged installs expect.
install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

package: build
	@cd $(BUILD_DIR) && cpack

bench: build
	@scripts/install-deps bench
	@scripts/run-benchmarks $(BUILD_DIR)

check-asan: deps
	@cmake -S . -B $(ASAN_DIR) $(DEVELOPER_FLAGS) $(CMAKE_FLAGS) -DSCRIVANE_SANITIZE=ON -DSCRIVANE_GUI=OFF -DSCRIVANE_BENCH=OFF > /dev/null
	@cmake --build $(ASAN_DIR) -j$(JOBS)
	@cd $(ASAN_DIR) && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j$(JOBS)

fuzz:
	@scripts/install-deps fuzz
	@FUZZ_DIR=$(FUZZ_DIR) JOBS=$(JOBS) scripts/run-fuzzers

clean:
	@rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR)
