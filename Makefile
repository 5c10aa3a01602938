# Korvane: two commands. `make run` and `make test` set up what is missing,
# build, and then run or test.
BUILD ?= build
JOBS  ?= 2

.PHONY: all deps build host win32 run test bench clean dist listen

all: build

deps:
	@bash tools/setup-deps.sh

host: deps
	@cmake -S . -B $(BUILD)/host -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(BUILD)/host -j$(JOBS) -- --no-print-directory

win32: deps
	@cmake -S . -B $(BUILD)/win32 -DCMAKE_BUILD_TYPE=Release \
	      -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake >/dev/null
	@cmake --build $(BUILD)/win32 -j$(JOBS) -- --no-print-directory

build: host win32

test: build
	@bash tools/run-tests.sh $(BUILD)

run: build
	@bash tools/run.sh $(BUILD)

# With a display and a sound device: Korvane and the demo clip through the live engine.
listen: build
	@bash tools/listen.sh $(BUILD)

# The setup program and the zip, into dist/.
dist: win32
	@cmake --build $(BUILD)/win32 --target dist -- --no-print-directory

# Speed, as ratios against baselines measured in the same run.
bench: build
	@timeout -k 5 600 bash tools/wine-session.sh wine $(BUILD)/win32/tests/skin/skin_region_bench.exe
	@cmake -S tools/fxbench -B $(BUILD)/bench -DCMAKE_BUILD_TYPE=Release >/dev/null && cmake --build $(BUILD)/bench -j$(JOBS) -- --no-print-directory >/dev/null && $(BUILD)/bench/fx_dsp_bench
	@timeout -k 5 600 bash tools/wine-session.sh wine $(BUILD)/win32/tests/sim/dsp_realtime_bench.exe

clean:
	rm -rf $(BUILD)
