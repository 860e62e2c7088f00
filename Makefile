# make run:     build a Release build and start the program.
# make test:    build and run every test.
# make windows: cross-build inversions.exe for 32-bit and 64-bit Windows (mingw-w64).
# make windows-test: run the 64-bit Windows build's tests under Wine.
# make sanitize-test: every test on a build with AddressSanitizer and UndefinedBehaviorSanitizer.
# make fuzz:    the libFuzzer target (clang) for FUZZ_SECONDS seconds.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 60

.PHONY: run test build prerequisites windows windows-test sanitize-test fuzz clean

run: build
	./$(BUILD_DIR)/dialogue/inversions

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

build: prerequisites
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j $(JOBS)

prerequisites:
	@scripts/install-prerequisites

# GoogleTest is built from the sources that Debian's libgtest-dev ships.
WINDOWS_FLAGS = -DCMAKE_BUILD_TYPE=Release -DFETCHCONTENT_SOURCE_DIR_GOOGLETEST=/usr/src/googletest

windows:
	@scripts/install-prerequisites windows
	for width in i686 x86_64; do \
	    cmake -S . -B $(BUILD_DIR)/windows-$$width \
	        --toolchain cmake/toolchains/mingw-w64-$$width.cmake $(WINDOWS_FLAGS) $(CMAKE_FLAGS) && \
	    cmake --build $(BUILD_DIR)/windows-$$width -j $(JOBS) || exit 1; \
	done

windows-test: windows
	scripts/test-windows $(BUILD_DIR)/windows-x86_64

sanitize-test:
	$(MAKE) test BUILD_DIR=$(BUILD_DIR)/sanitize \
	    CMAKE_FLAGS="-DINVERSIONS_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)"

fuzz:
	@scripts/install-prerequisites fuzz
	CMAKE_FLAGS="$(CMAKE_FLAGS)" scripts/fuzz $(BUILD_DIR)/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR)
