# Korvane: two commands. `make run` and `make test` set up what is missing,
# build, and then run or test.
BUILD ?= build
JOBS  ?= 2

.PHONY: all deps build host win32 run test bench soak clean dist listen

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

# The test sessions' Wine prefixes are made while the build runs.
test: deps
	@bash tools/wine-prepare.sh $(BUILD) & prep=$$!; trap 'kill $$prep 2>/dev/null' INT TERM; \
	    $(MAKE) --no-print-directory build; rc=$$?; [ $$rc = 0 ] || kill $$prep 2>/dev/null; wait $$prep; \
	    [ $$rc = 0 ] && bash tools/run-tests.sh $(BUILD)

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
	@cmake --build $(BUILD)/win32 --target benches -j$(JOBS) -- --no-print-directory
	@timeout -k 10 1800 bash tools/bench.sh $(BUILD)

# A long seeded session of real input (SOAK_EVENTS, default 2000; SOAK_SEED).
soak: build
	@KORVANE_BUILD="$$(cd $(BUILD) && pwd)" timeout -k 10 10800 bash tools/wine-session.sh bash -c 'b="$$(cd "$$1" && pwd)"; source tools/wine-deploy.sh; \
	    korvane_deploy "$$b" >&2; cd "$$b/win32/tests/e2e" && exec timeout -k 5 10000 wine e2e_soak.exe "$$2"' \
	    soak $(BUILD) $${SOAK_EVENTS:-2000}

clean:
	rm -rf $(BUILD)
