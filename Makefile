# Newcomer's entry: `make run` and `make test` install what is missing,
# configure, build, then start the program or run every test.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
# The program is optimised as its build type says, with line tables only:
# enough for a backtrace, and a third less compile time than full debug
# information. Debug information does not change the code that is generated.
RELWITHDEBINFO_FLAGS ?= -O2 -g1 -DNDEBUG
# Tests run as many at once as there are cores.
TEST_JOBS ?= $(shell nproc)
# Every build links with lld: a window test's binary links in 0.7 s against
# 3.2 s with the default linker. The linker does not change the code.
LINKER_FLAGS ?= -fuse-ld=lld

# `make fuzz` runs each reader's fuzz target for FUZZ_SECONDS (clang's
# libFuzzer) on inputs up to 4 KB, the project file's and the calibration
# readers' up to 256 KB, as many
# at once as there are cores (FUZZ_JOBS);
# `make sanitize` builds with AddressSanitizer and
# UndefinedBehaviorSanitizer in a build directory of its own and runs the
# tests, those of SANITIZE_LABELS (a ctest label pattern) if given; with
# SANITIZE_TARGETS only those targets (and what they need) are built.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 30
FUZZ_JOBS ?= $(shell nproc)
FUZZ_TARGETS = camera_file calibration number_text project_file obstacle_list mesh anipose caliscope opencv_pair colmap
SANITIZE_DIR ?= build-sanitize
SANITIZE_CMAKE_FLAGS ?=
SANITIZE_LABELS ?=
SANITIZE_TARGETS ?=
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
# Unoptimised, with the line tables a report needs; clang++ compiles such a
# build in about half the time g++ takes.
SANITIZE_CXX ?= clang++
SANITIZE_DEBUG_FLAGS = -O0 -gline-tables-only

# `make clang` builds the tree with clang++ in a build directory of its own,
# so the code stays within what both compilers take. `make tsan` builds with
# clang++ and ThreadSanitizer the test programs of the threaded code
# (TSAN_TARGETS) and what they need, and runs those tests: the background
# computation, the threaded pass against one thread, the planning measures,
# the display, the placement's candidates and restarts, and the work the
# window's Compare and Auto-Place run on their threads. The OpenMP regions
# are checked too: they run on clang's OpenMP runtime, which is not
# instrumented, with its tool Archer (TSAN_ARCHER, from the same LLVM as the
# compiler, libomp-dev) loaded through OMP_TOOL_LIBRARIES to tell
# ThreadSanitizer what the runtime's barriers and locks order. The rest of
# the tree is then compiled by clang++ without generating code
# (scripts/syntax-check.sh), so CI's one clang configuration checks the
# whole tree at about two thirds of the cost of building it. The tools the
# build runs report nothing; only the tests are checked.
CLANG_DIR ?= build-clang
CLANG_CMAKE_FLAGS ?= -DVP_BUILD_BENCH=OFF
TSAN_DIR ?= build-tsan
TSAN_FLAGS = -fsanitize=thread -fno-omit-frame-pointer
TSAN_ARCHER ?= $(realpath $(dir $(realpath $(shell command -v clang++)))../lib/libarcher.so)
# Line tables are all a report needs, and far cheaper to build and link than
# full debug information; unoptimised, the tree builds in two thirds of the
# time. The computation core alone is optimised: the tests run its passes,
# which unoptimised under ThreadSanitizer take minutes instead of seconds.
TSAN_OPT = -O0 -gline-tables-only -DNDEBUG
TSAN_CORE_OPT = -O1
TSAN_CMAKE_FLAGS ?=
TSAN_TARGETS = coverage_tests placement_tests
TSAN_CORE_TESTS = BackgroundComputationTest|ConcurrentComputationTest|ThreadedPass|PlanningModelTest|PlanningPassTest
TSAN_TESTS = $(TSAN_CORE_TESTS)|CoverageTest.DisplayData|PlacementSearchTest|PlacementGeometryTest.ThreeCameras|WindowWorkersTest
# Checks of the search's answers against a brute force over every rig: one
# thread in the test's own code, a minute under ThreadSanitizer. The search's
# threads are checked by the test that compares its result over thread counts.
TSAN_SKIP = PlacementSearchTest.TheSearchKeepsEverySampleInView

.PHONY: all deps configure build test run bench package fuzz sanitize sanitize-fuzz clang tsan format format-check tidy tidy-tree clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$(RELWITHDEBINFO_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(LINKER_FLAGS)" $(CMAKE_FLAGS)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(TEST_JOBS)

run: build
	$(BUILD_DIR)/app/volume-planner

# A .deb of the program, the command-line tool, the desktop entry, the icon
# and the manual page, in $(BUILD_DIR).
package: build
	cd $(BUILD_DIR) && cpack -G DEB

bench: build
	@for b in $(BUILD_DIR)/bench/*/*-bench; do echo "== $$b"; $$b; done

fuzz: deps
	cmake -S tests/fuzz -B $(FUZZ_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_EXE_LINKER_FLAGS="$(LINKER_FLAGS)"
	cmake --build $(FUZZ_DIR)
	scripts/run-fuzz.sh $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_JOBS) $(FUZZ_TARGETS)

# Leak reports are left out: the GL driver and the toolkit's bus library
# keep memory to the end by design.
sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=$(SANITIZE_CXX) \
	  -DCMAKE_CXX_FLAGS_DEBUG="$(SANITIZE_DEBUG_FLAGS)" \
	  -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS) $(SANITIZE_FUZZ_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE_FLAGS) $(LINKER_FLAGS)" $(SANITIZE_CMAKE_FLAGS) $(SANITIZE_FUZZ_CMAKE)
	ASAN_OPTIONS=detect_leaks=0 cmake --build $(SANITIZE_DIR) \
	  $(if $(SANITIZE_TARGETS),--target $(SANITIZE_TARGETS) $(SANITIZE_FUZZ_TARGETS))
	ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(TEST_JOBS) $(if $(SANITIZE_LABELS),-L "$(SANITIZE_LABELS)")

# `make sanitize-fuzz` is `make sanitize` with the tree also compiled for the
# fuzzer and the fuzz targets built in it, then run FUZZ_SECONDS each: one
# sanitized compile of the readers serves the tests and the fuzzing. CI runs
# it; `make fuzz` builds optimised fuzz targets on their own, for long runs.
sanitize-fuzz: SANITIZE_FUZZ_FLAGS = -fsanitize=fuzzer-no-link
sanitize-fuzz: SANITIZE_FUZZ_CMAKE = -DVP_BUILD_FUZZ=ON
sanitize-fuzz: SANITIZE_FUZZ_TARGETS = $(addprefix fuzz_,$(FUZZ_TARGETS))
sanitize-fuzz: sanitize
	scripts/run-fuzz.sh $(SANITIZE_DIR)/tests/fuzz $(FUZZ_SECONDS) $(FUZZ_JOBS) $(FUZZ_TARGETS)

clang: deps
	cmake -S . -B $(CLANG_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_EXE_LINKER_FLAGS="$(LINKER_FLAGS)" $(CLANG_CMAKE_FLAGS)
	cmake --build $(CLANG_DIR)

tsan: deps
	@test -n "$(TSAN_ARCHER)" || { echo "make tsan: no libarcher.so beside clang++ (libomp-dev)"; exit 1; }
	cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$(TSAN_OPT)" \
	  -DCMAKE_CXX_FLAGS="$(TSAN_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(TSAN_FLAGS) $(LINKER_FLAGS)" \
	  -DVP_OPENMP=ON -DVP_BUILD_BENCH=OFF -DVP_TEST_OPTIONS= -DVP_CORE_OPTIONS="$(TSAN_CORE_OPT)" $(TSAN_CMAKE_FLAGS)
	TSAN_OPTIONS=report_bugs=0 cmake --build $(TSAN_DIR) --target $(TSAN_TARGETS)
	scripts/syntax-check.sh $(TSAN_DIR) $(TEST_JOBS)
	OMP_TOOL_LIBRARIES=$(TSAN_ARCHER) TSAN_OPTIONS="halt_on_error=1 ignore_noninstrumented_modules=1" \
	  ctest --test-dir $(TSAN_DIR) --output-on-failure --no-tests=error -j $(TEST_JOBS) \
	  -R "$(TSAN_TESTS)" -E "$(TSAN_SKIP)"

# `make format` formats the sources with clang-format (.clang-format);
# `make format-check` fails on any file it would change.
FORMAT_FILES = $(shell find app bench cameras classic cli coverage document exports project render report scene tests \
  -name '*.cpp' -o -name '*.h' | sort)
format:
	clang-format -i $(FORMAT_FILES)

format-check: deps
	clang-format --dry-run --Werror $(FORMAT_FILES)

# `make tidy` runs clang-tidy (.clang-tidy: checks that find real faults,
# warnings as errors) over the computation core, as CI does: compiled as a
# unity build of its own (configured only, in TIDY_DIR), the standard
# headers are analysed once a batch of sources instead of once a file, a
# sixth of the time. `make tidy-tree` runs it over every source file of the
# tree, one at a time, with the main build's commands.
TIDY_DIR ?= build-tidy
TIDY_CORE = '/vp_core\.dir/Unity/|^$(CURDIR)/(scene|cameras|coverage)/.*\.cpp$$'
TIDY_TREE = '^$(CURDIR)/(app|cameras|cli|coverage|exports|project|render|report|scene)/.*\.cpp$$'
tidy: deps
	cmake -S . -B $(TIDY_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_UNITY_BUILD=ON \
	  -DCMAKE_UNITY_BUILD_BATCH_SIZE=16 -DVP_BUILD_GUI=OFF -DVP_BUILD_TESTS=OFF -DVP_BUILD_BENCH=OFF
	run-clang-tidy -p $(TIDY_DIR) -quiet -j $(shell nproc) -checks=-bugprone-suspicious-include $(TIDY_CORE)

tidy-tree: build
	run-clang-tidy -p $(BUILD_DIR) -quiet -j $(shell nproc) $(TIDY_TREE)

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR) $(SANITIZE_DIR) $(CLANG_DIR) $(TSAN_DIR) $(TIDY_DIR)
