# Front door to the CMake build. `make demo` and `make test` do all the set-up.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
# e.g. CHANNEL_ARGS='--plain-args "--recognition dc-offset" --verbose', or '--rescue --only side'
CHANNEL_ARGS ?=
CMAKE_FLAGS ?= -G Ninja
LOCK = flock /tmp/sonatap-build.lock

.PHONY: all deps build test demo bench fuzz clean run package

all: build

# Installs the Debian packages that are missing (an installed machine pays only the check).
deps:
	sh scripts/install-deps.sh

build: deps
	$(LOCK) sh -c 'cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DSONATAP_GUI=ON >/dev/null && cmake --build $(BUILD)'

test: build
	cd $(BUILD) && ctest --output-on-failure
	$(LOCK) sh -c 'cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DSONATAP_SANITIZE=ON -DSONATAP_BENCH=OFF -DSONATAP_GUI=OFF >/dev/null && cmake --build $(ASAN_BUILD)'
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure

demo: build
	sh examples/demo.sh $(BUILD)

bench: build
	$(BUILD)/bench/sonatap_bench
	nice -n 10 $(BUILD)/bench/sonatap_channel_bench $(CHANNEL_ARGS)
	nice -n 10 $(BUILD)/bench/sonatap_rescue_speed
	$(BUILD)/src/gui/sonatap_gui_bench

run: build
	cd $(BUILD)/src/gui && ./sonatap

package: build
	$(LOCK) sh -c 'cd $(BUILD) && cpack -G DEB'
	lintian --fail-on error $(BUILD)/sonatap_$$(sed -n 's/^project(sonatap VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)_amd64.deb

fuzz: deps
	$(LOCK) sh -c 'CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_FLAGS) -DSONATAP_FUZZ=ON >/dev/null && cmake --build $(FUZZ_BUILD)'
	sh fuzz/check_coverage.sh $(FUZZ_BUILD)
	sh fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
