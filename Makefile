# Thin wrapper around CMake. `make test` and `make run` work on a fresh Debian machine:
# they install what is missing (as root), configure, build and run.
BUILD    ?= build
JOBS     ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
PREFIX   ?= /usr/local

DEBIAN_PACKAGES := cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
                   libfast-float-dev libcli11-dev nlohmann-json3-dev libfltk1.3-dev xvfb \
                   libpng-dev valgrind python3 python3-dev pybind11-dev python3-numpy

# What the tests need beyond the build: Assimp's command-line reader, xdotool (keys to the
# view window), Debian's Blender (headless, for the add-on; without the packages it only
# recommends) and the Khronos glTF validator, an npm package run with node, which npm puts
# in NODE_TOOLS (ignored by git, shared by every build folder). node and npm come from
# Debian's nodejs and npm unless the machine already has them.
TEST_PACKAGES  := assimp-utils xdotool
NODE_TOOLS     := build-node
GLTF_VALIDATOR := 2.0.0-dev.3.10

.PHONY: all deps test-tools configure build test test-sanitize coverage golden fuzz fuzz-smoke \
        damage bench run install blender-addon clean

all: build

deps:
	@missing=$$(for p in $(DEBIAN_PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing: $$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $(APT_OPTIONS) $$missing; \
	  else \
	    echo "Missing Debian packages. Run:"; \
	    echo "  sudo apt-get install -y $$missing"; \
	    exit 1; \
	  fi; \
	fi

test-tools: deps
	@$(MAKE) --no-print-directory deps DEBIAN_PACKAGES="$(TEST_PACKAGES) \
	  $$(command -v node >/dev/null || echo nodejs) $$(command -v npm >/dev/null || echo npm)"
	@$(MAKE) --no-print-directory deps DEBIAN_PACKAGES=blender APT_OPTIONS=--no-install-recommends
	@grep -qs '"version": "$(GLTF_VALIDATOR)"' $(NODE_TOOLS)/node_modules/gltf-validator/package.json || \
	  npm install --prefix $(NODE_TOOLS) --no-audit --no-fund --loglevel=error gltf-validator@$(GLTF_VALIDATOR)

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Our own checks treat warnings as errors; a user's build (another compiler, -O3) does not,
# so the tests build in a folder of their own and never change the warnings of $(BUILD).
# The test tools come first so that configuring finds them.
TEST_BUILD ?= $(BUILD)-test
test: test-tools
	cmake -S . -B $(TEST_BUILD) $(CMAKE_FLAGS) -DVLM_WERROR=ON
	cmake --build $(TEST_BUILD) -j $(JOBS)
	ctest --test-dir $(TEST_BUILD) --output-on-failure -j $(JOBS)

# Rewrites the golden scenes' expectations (tests/data) from what the build gives today;
# review the diff against the inputs before committing it.
golden: build
	tools/golden_update.sh $(BUILD) $(FILES)

# The plug-in and the host libraries under AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer, through the tests that drive them in-process (the host programs and the
# windows are left out). The golden scenes are left out too: the damage tests import each
# of their files whole, under the same sanitizers, before they damage it. A unity build
# (the sources of a library compiled as one) halves the time the build takes.
test-sanitize: test-tools
	cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=Debug -DVLM_SANITIZE=ON -DVLM_WERROR=ON \
	  -DCMAKE_UNITY_BUILD=ON
	cmake --build $(BUILD)-sanitize -j $(JOBS)
	ctest --test-dir $(BUILD)-sanitize --output-on-failure -j $(JOBS) -LE golden

# Line and branch coverage of src/ by the whole suite: a gcc --coverage build in
# $(COVERAGE), the tests, then Debian's gcovr (branches that only throw or that the
# compiler made up left out): a table per folder here, every file line by line in
# $(COVERAGE)/html/index.html.
COVERAGE ?= build-coverage

coverage: test-tools
	@$(MAKE) --no-print-directory deps DEBIAN_PACKAGES="gcovr"
	cmake -S . -B $(COVERAGE) -DCMAKE_BUILD_TYPE=Debug -DVLM_WERROR=ON \
	  -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage \
	  -DCMAKE_SHARED_LINKER_FLAGS=--coverage
	cmake --build $(COVERAGE) -j $(JOBS)
	find $(COVERAGE) -name '*.gcda' -delete
	ctest --test-dir $(COVERAGE) --output-on-failure -j $(JOBS)
	mkdir -p $(COVERAGE)/html
	gcovr --root . --object-directory $(COVERAGE) --filter 'src/' -j $(JOBS) \
	  --exclude-throw-branches --exclude-unreachable-branches \
	  --exclude-directories '$(COVERAGE)/CMakeFiles' --html-details $(COVERAGE)/html/index.html --json-summary $(COVERAGE)/coverage.json
	tools/coverage_table.py $(COVERAGE)/coverage.json

# libFuzzer targets (clang) for every importer, the number parser and the settings file:
# FUZZ_SECONDS each, FUZZ_JOBS of them side by side (defaults 60 and 1); the smoke run gives
# each 5 s, two at a time.
FUZZ_PACKAGES := clang-14 libclang-rt-14-dev

fuzz: deps
	@$(MAKE) --no-print-directory deps DEBIAN_PACKAGES="$(FUZZ_PACKAGES)"
	FUZZ_BUILD=$(BUILD)-fuzz fuzz/run.sh

fuzz-smoke: deps
	@$(MAKE) --no-print-directory deps DEBIAN_PACKAGES="$(FUZZ_PACKAGES)"
	FUZZ_BUILD=$(BUILD)-fuzz fuzz/run.sh smoke

# The damage loop's long mode: CASES (default 1000) damaged copies of every sample and
# golden input, drawn from SEED (default 1), each imported in a child process of the fuzz
# build (AddressSanitizer and UBSan on); a crash, a failed check, a hang past
# DAMAGE_SECONDS of processor time (default 5, and a second per 4 MiB of the file) or
# memory beyond 16 times the file, 2 KB per object and 64 MB fails it. Failing inputs
# land in $(BUILD)-fuzz/damage-findings.
CASES ?= 1000
SEED ?= 1
DAMAGE_SECONDS ?= 5

damage: deps
	@$(MAKE) --no-print-directory deps DEBIAN_PACKAGES="$(FUZZ_PACKAGES)"
	CC=clang-14 CXX=clang++-14 cmake -S fuzz -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo
	nice -n 10 cmake --build $(BUILD)-fuzz -j $(JOBS) --target damage
	nice -n 10 $(BUILD)-fuzz/damage --cases $(CASES) --seed $(SEED) --seconds $(DAMAGE_SECONDS) \
	  --out $(BUILD)-fuzz/damage-findings examples $(wildcard tests/data/*/)

# The import benchmark: a Release build with the peer importers in build-bench, ~100 MB
# generated files, ours against the peers, a table of medians and ratios (bench/README.md).
bench: deps
	bench/make-bench.sh $(BENCH_ARGS)

# The main job: the command-line host imports the bundled sample and prints the scene.
run: build
	$(BUILD)/bin/vlmhost examples/table.obj

# vlmhost in $(PREFIX)/bin, the plug-in and its runtime in $(PREFIX)/lib/vlmimport, the
# README and the samples in $(PREFIX)/share/doc/vlmimport.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Blender add-on as a zip for Edit > Preferences > Add-ons > Install.
blender-addon: build
	cmake --build $(BUILD) --target blender_addon_zip
	@echo "Wrote $(BUILD)/vlmimport-blender.zip"

clean:
	rm -rf $(BUILD) $(TEST_BUILD)
