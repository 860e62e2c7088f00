# make run:     build the program alone (Release) and start it; quiet where nothing changed.
# make test:    build and run every test.
# make program: build the program and its manual page without starting it.
# make install: install the program, its manual page and its copyright file under PREFIX
#               (/usr/local; DESTDIR for a staged install). Build first as yourself, then
#               sudo make install for a system prefix.
# make uninstall: remove exactly the files that make install put there (the same DESTDIR).
# make windows: cross-build inversions.exe for 32-bit and 64-bit Windows (mingw-w64).
# make windows-test: run each Windows build's tests under the Wine of its width.
# make package: the Debian package and the two Windows zips, in BUILD_DIR/packages.
# make package-test: lintian on the Debian package, and each zip's program under Wine.
# make sanitize-test: every test on a build with AddressSanitizer and UndefinedBehaviorSanitizer.
# make libcxx-test: every test on a build with clang and libc++, the C++ library of macOS and the BSDs.
# make cross-test: ARM64 and s390x (big-endian) builds, their tests under qemu-user.
# make fuzz:    the libFuzzer target (clang) for FUZZ_SECONDS seconds.
# make clean:   remove BUILD_DIR.
# make help:    this list.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local

.PHONY: run test program install uninstall help build configure prerequisites windows \
        windows-test package package-test sanitize-test libcxx-test cross-test fuzz clean

# The build folder is configured when it is new, when flags are given, and, for the tests, when
# it was configured without them; otherwise CMake's own build configures again by itself when
# a CMake file changed. A folder configured for the program alone leaves the tests out, so it
# needs neither GoogleTest nor Python.
configured = $(BUILD_DIR)/CMakeCache.txt
configure_program = [ -f $(configured) ] && [ -z "$(CMAKE_FLAGS)" ] || \
    cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DINVERSIONS_BUILD_TESTS=OFF $(CMAKE_FLAGS)
build_program = cmake --build $(BUILD_DIR) -j $(JOBS) --target inversions
# After a sudo, what is built is built as the user who asked, so that no file in the build
# folder becomes root's.
as_user = $(if $(SUDO_USER),sudo -u $(SUDO_USER) --preserve-env=PATH)

# The build's own lines are shown only where it fails; the program's own status and messages
# are the only ones after it ran (make adds none, and Ctrl+C is the program's alone).
run: PREREQUISITES = program
run: prerequisites
	@$(configure_program)
	@$(build_program) >$(BUILD_DIR)/build.log 2>&1 || { cat $(BUILD_DIR)/build.log; exit 1; }
	@trap : INT QUIT; $(BUILD_DIR)/dialogue/inversions || true

program: PREREQUISITES = program
program: prerequisites
	$(configure_program)
	$(build_program)

install:
	$(as_user) $(MAKE) program BUILD_DIR="$(BUILD_DIR)" CMAKE_FLAGS="$(CMAKE_FLAGS)"
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"
	$(if $(SUDO_UID),chown $(SUDO_UID):$(SUDO_GID) $(BUILD_DIR)/install_manifest.txt)

uninstall:
	@[ -f $(BUILD_DIR)/install_manifest.txt ] || { echo "Nothing installed from $(BUILD_DIR)." >&2; exit 1; }
	sed 's|^|$(DESTDIR)|' $(BUILD_DIR)/install_manifest.txt | tr '\n' '\0' | xargs -0 rm -f --

help:
	@sed -n '/^#/!q; s/^# \{0,1\}//p' $(firstword $(MAKEFILE_LIST))

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

configure: prerequisites
	@[ -f $(configured) ] && [ -z "$(CMAKE_FLAGS)" ] && \
	    ! grep -q '^INVERSIONS_BUILD_TESTS:BOOL=OFF' $(configured) || \
	    cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DINVERSIONS_BUILD_TESTS=ON $(CMAKE_FLAGS)

prerequisites:
	@scripts/install-prerequisites $(PREREQUISITES)

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
