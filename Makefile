# Thin wrapper around CMake:
#   make run       builds the programs (nothing else) and starts zyt_zevuza
#   make test      the tests: one normal build, then every unit and whole-run test
#   make check     the full check, as CI runs it: make test, the benchmarks
#                  compiled, the AddressSanitizer + UBSan build's tests, and
#                  every fuzz target for a bounded time
#   make install   the programs, manual pages and README under PREFIX
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local

.PHONY: all deps configure programs build run demo-data test check test-asan fuzz bench install clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZYT_TESTS=ON -DZYT_BENCH=ON

# The programs only: zyt_zevuza, zyt_image, zyt_phantom (and zyt_slice).
programs: configure
	cmake --build $(BUILD) -j $(JOBS) --target zyt_programs

# Everything of the normal build: programs, tests and benchmarks.
build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: programs
	scripts/run.sh ./$(BUILD)/src/zyt_zevuza ./$(BUILD)/src/zyt_phantom $(ARGS)

# A synthetic series to try the program on by hand (out/demo-data/).
demo-data: programs
	./$(BUILD)/src/zyt_phantom --size 512 --projections 360 --axis 260.4 --output out/demo-data
	@echo "A series with its dark and flat images is in out/demo-data/ (the axis: 260.4 pixels)."

test: configure
	cmake --build $(BUILD) -j $(JOBS) --target zyt_tests
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# One step after the other, each only when the one before passed.
check:
	$(MAKE) test
	$(MAKE) build
	$(MAKE) test-asan
	$(MAKE) fuzz

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZYT_SANITIZE=ON -DZYT_TESTS=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# Every fuzz target, briefly, on its seed corpus (longer: FUZZ_SECONDS=600).
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZYT_FUZZ=ON -DZYT_TESTS=OFF -DZYT_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target zyt_fuzz_all
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz.sh $(FUZZ_BUILD)

bench: build
	./$(BUILD)/bench/zyt_bench_io
	./$(BUILD)/bench/zyt_bench_lg
	./$(BUILD)/bench/zyt_bench_fio
	./$(BUILD)/bench/zyt_bench_ma
	bench/iradon_yardstick.py
	./$(BUILD)/bench/zyt_bench_gs
	./$(BUILD)/bench/zyt_bench_axis
	./$(BUILD)/bench/zyt_bench_mar

# make install PREFIX=$HOME/.local (default /usr/local)
install: programs
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
