# The README's commands. Builds are incremental and use both cores.
BUILD      ?= build
ASAN_BUILD ?= build-asan
COVERAGE_BUILD ?= build-coverage
JOBS       ?= 2
CMAKE_GEN  := $(if $(shell command -v ninja 2>/dev/null),-G Ninja,)

.PHONY: all deps configure build translations run demo screenshots test test-plain test-asan coverage bench install package clean

all: build

deps:
	bash scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DPENSHELF_WERROR=ON

$(ASAN_BUILD)/CMakeCache.txt:
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DPENSHELF_WERROR=ON -DPENSHELF_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

configure: $(BUILD)/CMakeCache.txt

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

# Refreshes translations/*.ts from the sources (lupdate); translate what is
# new with Qt Linguist. The build itself never rewrites them.
translations: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target translations

run: deps
	$(MAKE) build
	$(BUILD)/src/app/penshelf

# PenShelf on three simulated pens (folders in demo-pens/; add or remove a
# subfolder while it runs to attach or detach a pen), with book packages to
# install in demo-books/.
demo: deps
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "make demo opens a window, and there is no display here."; \
	  echo "Run it under a virtual X server instead:  xvfb-run -a make demo"; \
	  exit 1; \
	fi
	$(MAKE) $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS) --target penshelf penshelf-demo-pens
	$(BUILD)/src/demo/penshelf-demo-pens demo-pens demo-books
	PENSHELF_SIMULATE=$(CURDIR)/demo-pens $(BUILD)/src/app/penshelf

# PNG pictures of the main states into docs/screenshots, under Xvfb unless
# there is a display.
screenshots: deps
	$(MAKE) build
	mkdir -p docs/screenshots
	@if [ -n "$$DISPLAY" ]; then \
	  $(BUILD)/src/demo/penshelf-screenshots docs/screenshots; \
	else \
	  xvfb-run -a -s "-screen 0 1280x800x24" $(BUILD)/src/demo/penshelf-screenshots docs/screenshots; \
	fi

# Every test, in a plain build and again under AddressSanitizer and UBSan.
test: deps
	$(MAKE) test-plain
	$(MAKE) test-asan

test-plain: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

test-asan: $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j$(JOBS)

# Line coverage of src/ by the whole test suite, from an instrumented tree of
# its own (a full build: about ten minutes on two cores the first time).
# COVERAGE_CMAKE_FLAGS passes more to the configure step, for example
# -DCMAKE_CXX_COMPILER_LAUNCHER=ccache.
COVERAGE_CMAKE_FLAGS ?=
coverage: deps
	cmake -S . -B $(COVERAGE_BUILD) $(CMAKE_GEN) -DPENSHELF_WERROR=ON -DPENSHELF_COVERAGE=ON \
	  -DPENSHELF_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug $(COVERAGE_CMAKE_FLAGS)
	cmake --build $(COVERAGE_BUILD) -j$(JOBS)
	find $(COVERAGE_BUILD) -name '*.gcda' -delete
	ctest --test-dir $(COVERAGE_BUILD) --output-on-failure -j$(JOBS)
	gcovr -r . --filter 'src/' --exclude '.*/moc_.*' --exclude '.*/ui_.*' \
	  --exclude '.*_autogen/.*' $(COVERAGE_BUILD)

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b || exit 1; done

# PREFIX=/usr/local by default; DESTDIR for staging.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# build/penshelf_<version>_<arch>.deb
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(COVERAGE_BUILD)

# libFuzzer targets (clang, ASan + UBSan) for every reader of outside input: the service's answer,
# a book package's header, a pen's BOOK folder, the mount table, product.ini, the command line's
# escaping, base64 and ISO 8601. `fuzz` explores for FUZZ_SECONDS (60) per target; `fuzz-replay`
# runs each once over its seeds and kept findings, as CI does.
.PHONY: fuzz fuzz-replay
fuzz: deps
	bash fuzz/run.sh

fuzz-replay: deps
	bash fuzz/run.sh replay
