# Entry points a person types. `make run` and `make test` do the set-up they need.
BUILD    ?= build
GENERATOR = -G Ninja
HOST_CFG  = cmake -S . -B $(BUILD)/host $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug
WIN64_CFG = cmake -S . -B $(BUILD)/win64 $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win64.cmake
WIN32_CFG = cmake -S . -B $(BUILD)/win32 $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win32.cmake
HOST32_CFG = cmake -S . -B $(BUILD)/host32 $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-host32.cmake

.PHONY: setup build build-host build-host32 build-win64 build-win32 test run bench fuzz format package clean

setup:
	@scripts/setup.sh

build: setup
	@$(MAKE) --no-print-directory build-host build-host32 build-win64 build-win32

build-host:
	@$(HOST_CFG) >/dev/null
	@cmake --build $(BUILD)/host

# The cores and their tests as static 32-bit Linux programs, run under qemu-i386-static.
build-host32:
	@$(HOST32_CFG) >/dev/null
	@cmake --build $(BUILD)/host32

build-win64:
	@$(WIN64_CFG) >/dev/null
	@cmake --build $(BUILD)/win64

build-win32:
	@$(WIN32_CFG) >/dev/null
	@cmake --build $(BUILD)/win32

test: build
	@scripts/test.sh $(BUILD)

run: setup build-win64
	@scripts/run.sh $(BUILD)/win64

bench: setup build-win64
	@BENCH_BUILD=$(BUILD) scripts/bench.sh

fuzz: setup
	@scripts/fuzz.sh

# Lays out every C and C++ file with .clang-format (make test fails on a file that is not).
format: setup
	@scripts/format.sh

# dist/: both installers, a portable zip per architecture, the SDK zip and SHA256SUMS.
package: setup
	@$(MAKE) --no-print-directory build-win64 build-win32
	@scripts/package.sh $(BUILD)

clean:
	rm -rf $(BUILD) out
