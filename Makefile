# Thin wrapper: `make run` builds and starts the program, `make test` builds
# and runs every test (also under AddressSanitizer + UBSan).
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20
JOBS       ?= $(shell nproc)

.PHONY: all deps build run demo-data test test-fast test-asan fuzz bench clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZYT_TESTS=ON -DZYT_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)

run: build
	scripts/run.sh ./$(BUILD)/src/zyt_zevuza ./$(BUILD)/src/zyt_phantom $(ARGS)

# A synthetic series to try the program on by hand (out/demo-data/).
demo-data: build
	./$(BUILD)/src/zyt_phantom --size 512 --projections 360 --axis 260.4 --output out/demo-data
	@echo "A series with its dark and flat images is in out/demo-data/ (the axis: 260.4 pixels)."

test-fast: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

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

test: test-fast test-asan fuzz

bench: build
	./$(BUILD)/bench/zyt_bench_io
	./$(BUILD)/bench/zyt_bench_lg
	./$(BUILD)/bench/zyt_bench_fio
	./$(BUILD)/bench/zyt_bench_ma
	bench/iradon_yardstick.py
	./$(BUILD)/bench/zyt_bench_gs
	./$(BUILD)/bench/zyt_bench_axis
	./$(BUILD)/bench/zyt_bench_mar

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
