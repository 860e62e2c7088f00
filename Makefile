# make run:     build the program alone (Release) and start it.
# make test:    build and run every test.
# make windows: cross-build inversions.exe for 32-bit and 64-bit Windows (mingw-w64).
# make windows-test: run each Windows build's tests under the Wine of its width.
# make package: the Debian package and the two Windows zips, in BUILD_DIR/packages.
# make package-test: lintian on the Debian package, and each zip's program under Wine.
# make sanitize-test: every test on a build with AddressSanitizer and UndefinedBehaviorSanitizer.
# make libcxx-test: every test on a build with clang and libc++, the C++ library of macOS and the BSDs.
# make cross-test: ARM64 and s390x (big-endian) builds, their tests under qemu-user.
# make fuzz:    the libFuzzer target (clang) for FUZZ_SECONDS seconds.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 60

.PHONY: run test build configure prerequisites windows windows-test package package-test \
        sanitize-test libcxx-test cross-test fuzz clean

run: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target inversions
	./$(BUILD_DIR)/dialogue/inversions

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

configure: prerequisites
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

prerequisites:
	@scripts/install-prerequisites

# Builds for another C++ library, system or processor build GoogleTest from the sources that
# Debian's googletest package ships.
GTEST_SOURCES = -DFETCHCONTENT_SOURCE_DIR_GOOGLETEST=/usr/src/googletest
WINDOWS_FLAGS = -DCMAKE_BUILD_TYPE=Release $(GTEST_SOURCES)

windows:
	@scripts/install-prerequisites windows
	for width in i686 x86_64; do \
	    cmake -S . -B $(BUILD_DIR)/windows-$$width \
	        --toolchain cmake/toolchains/mingw-w64-$$width.cmake $(WINDOWS_FLAGS) $(CMAKE_FLAGS) && \
	    cmake --build $(BUILD_DIR)/windows-$$width -j $(JOBS) || exit 1; \
	done

windows-test: windows
	scripts/test-windows $(BUILD_DIR)/windows-x86_64 /usr/lib/wine/wine64
	scripts/test-windows $(BUILD_DIR)/windows-i686 /usr/lib/wine/wine

package: build windows
	@scripts/install-prerequisites package
	cpack --config $(BUILD_DIR)/CPackConfig.cmake -B $(BUILD_DIR)/packages
	for width in i686 x86_64; do \
	    cpack --config $(BUILD_DIR)/windows-$$width/CPackConfig.cmake -B $(BUILD_DIR)/packages || exit 1; \
	done
	rm -rf $(BUILD_DIR)/packages/_CPack_Packages

package-test: package
	scripts/test-packages $(BUILD_DIR)/packages

sanitize-test:
	$(MAKE) test BUILD_DIR=$(BUILD_DIR)/sanitize \
	    CMAKE_FLAGS="-DINVERSIONS_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)"

libcxx-test:
	@scripts/install-prerequisites libcxx
	$(MAKE) test BUILD_DIR=$(BUILD_DIR)/libcxx \
	    CMAKE_FLAGS="--toolchain cmake/toolchains/clang-libcxx.cmake $(GTEST_SOURCES) $(CMAKE_FLAGS)"

cross-test:
	@scripts/install-prerequisites cross
	for machine in aarch64 s390x; do \
	    cmake -S . -B $(BUILD_DIR)/linux-$$machine --toolchain cmake/toolchains/linux-$$machine.cmake \
	        -DCMAKE_BUILD_TYPE=Release $(GTEST_SOURCES) $(CMAKE_FLAGS) && \
	    cmake --build $(BUILD_DIR)/linux-$$machine -j $(JOBS) && \
	    ctest --test-dir $(BUILD_DIR)/linux-$$machine --output-on-failure -j $(JOBS) || exit 1; \
	done

fuzz:
	@scripts/install-prerequisites fuzz
	CMAKE_FLAGS="$(CMAKE_FLAGS)" scripts/fuzz $(BUILD_DIR)/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR)
