# Quick start: `make run` builds and starts the calendar, `make test` builds and runs every test.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
PREFIX ?= $(HOME)/.local
AUTOSTART ?= 0

.PHONY: all deps configure build run test test-ratio bench format clean dist install uninstall screenshots kill-storm

all: build

deps:
	@scripts/ensure-deps.sh

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then \
	    cmake -S . -B $(BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake $(CMAKE_FLAGS); \
	fi

build: configure
	@cmake --build $(BUILD)

run: build
	@scripts/run-app.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure --timeout 900; rc=$$?; \
	    WINEPREFIX=$(CURDIR)/$(BUILD)/wineprefix wineserver -k >/dev/null 2>&1; \
	    $(CURDIR)/scripts/test-ratio.sh; exit $$rc

test-ratio:
	@scripts/test-ratio.sh

# The real program killed 300 times at random moments of its saves (`make test` runs 30).
kill-storm: build
	@python3 tests/e2e/test_kill_storm.py --build $(BUILD) --rounds 300

bench: build
	@cmake --build $(BUILD) --target benchmarks
	@for b in $(BUILD)/tests/bench_*.exe; do echo "== $$b"; $(BUILD)/wine-run $$b; done

# The Windows ZIP with the Japanese guide and the licence, and its checksum, in $(BUILD)/dist;
# only the program is built, and the release test then checks what was packed.
dist: configure
	@cmake --build $(BUILD) --target Mosaryn
	@python3 scripts/make-dist.py $(BUILD)
	@python3 tests/e2e/test_release.py --build $(BUILD)

# Linux under Wine: launcher, menu entry and (AUTOSTART=1) start at logon under PREFIX.
install: configure
	@cmake --build $(BUILD) --target Mosaryn
	@PREFIX="$(PREFIX)" AUTOSTART="$(AUTOSTART)" scripts/install.sh install $(BUILD)

uninstall:
	@PREFIX="$(PREFIX)" scripts/install.sh uninstall $(BUILD)

# The pictures in README.md, taken from the real program under Wine.
screenshots: build
	@python3 scripts/make-screenshots.py $(BUILD)

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)
