# Newcomer's entry: `make run` and `make test` install what is missing,
# configure, build, then start the program or run every test.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=

.PHONY: all deps configure build test run bench package clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure

run: build
	$(BUILD_DIR)/app/volume-planner

# A .deb of the program, the command-line tool, the desktop entry, the icon
# and the manual page, in $(BUILD_DIR).
package: build
	cd $(BUILD_DIR) && cpack -G DEB

bench: build
	@for b in $(BUILD_DIR)/bench/*/*-bench; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD_DIR)
