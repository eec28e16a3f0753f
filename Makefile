# Convenience wrapper around CMake. `make demo` and `make test` are the two
# commands of the README; both work from a clean clone and when run again.

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=
# Ninja when the machine has it; a build folder keeps the generator it was made with.
GENERATOR  ?= $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
configure   = cmake -S . -B $(1) $(if $(wildcard $(1)/CMakeCache.txt),,-G "$(GENERATOR)")

.PHONY: all deps configure build demo test asan asan-test bench fuzz clean

all: build

# Installs the packages the build and the tests need, when they are missing.
deps:
	@sh cmake/install-deps.sh

configure: deps
	$(call configure,$(BUILD)) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Builds only what the demo runs (the editors, the text filter, the modules), then runs it.
demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target demo_programs
	sh examples/demo.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

asan: deps
	$(call configure,$(ASAN_BUILD)) -DCMAKE_BUILD_TYPE=Debug -DARX_SANITIZE=ON -DARX_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)

asan-test: asan
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

bench: build
	sh bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
