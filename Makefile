# make run:     build the program alone (Release) and start it; quiet where nothing changed.
# make test:    build and run every test.
# make program: build the program and its manual page without starting it.
# make install: install the program, its manual page, copyright file and changelog under
#               PREFIX (/usr/local; DESTDIR for a staged install). Build first as yourself,
#               then sudo make install for a system prefix.
# make uninstall: remove exactly the files that make install put there (the same DESTDIR),
#               and the program's own folder of them where it is left empty.
# make windows: cross-build inversions.exe for 32-bit and 64-bit Windows (mingw-w64).
# make windows-test: run each Windows build's tests under the Wine of its width (one width:
#               windows-test-32, windows-test-64).
# make package: the Debian package and the two Windows zips, in BUILD_DIR/packages.
# make package-test: lintian on the Debian package, and each zip's program under Wine (one
#               at a time: package-test-deb, package-test-32, package-test-64).
# make sanitize-test: every test on a build with AddressSanitizer and UndefinedBehaviorSanitizer.
# make libcxx-test: every test on a build with clang and libc++, the C++ library of macOS and the BSDs.
# make cross-test: ARM64 and s390x (big-endian) builds, their tests under qemu-user.
# make fuzz:    the libFuzzer target (clang) for FUZZ_SECONDS seconds.
# make unicode-tables: write dialogue/unicode_tables.h again from the Unicode Character
#               Database (Debian's unicode-data), and fail where that changed it.
# make tidy:    clang-tidy (.clang-tidy) on every program, test and benchmark source; any finding
#               fails.
# make coverage: every test on a build with coverage, and its line and branch figures for
#               inversions/ and dialogue/ (gcovr; the HTML report in BUILD_DIR/coverage).
# make clean:   remove BUILD_DIR.
# make help:    this list.
# Each target installs what it uses, and only that, where it is missing.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local

.PHONY: run test program install uninstall help build configure windows windows-test \
        windows-test-32 windows-test-64 package package-test package-test-deb package-test-32 \
        package-test-64 sanitize-test libcxx-test cross-test fuzz unicode-tables tidy coverage clean

# Installs what the target named needs (scripts/install-prerequisites); where that cannot be
# done, make stops with the script's one line as its own error. Used as the first line of a
# recipe: make expands a whole recipe before it runs any of it.
prerequisites = $(eval prerequisites_said := $(shell scripts/install-prerequisites $(1)))$(if \
    $(filter-out 0,$(.SHELLSTATUS)),$(error $(or $(prerequisites_said),Installing failed)))

# The build folder is configured when it is new, when flags are given, and, for the tests, when
# it was configured without them; otherwise CMake's own build configures again by itself when
# a CMake file changed. A folder configured for the program alone leaves the tests out, so it
# needs neither GoogleTest nor Python.
configured = $(BUILD_DIR)/CMakeCache.txt
configure = [ -f $(configured) ] && [ -z "$(CMAKE_FLAGS)" ] $(if $(filter ON,$(1)),&& \
    ! grep -q '^INVERSIONS_BUILD_TESTS:BOOL=OFF' $(configured)) || \
    cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DINVERSIONS_BUILD_TESTS=$(1) $(CMAKE_FLAGS)
build_program = cmake --build $(BUILD_DIR) -j $(JOBS) --target inversions
# After a sudo, what is built is built as the user who asked, so that no file in the build
# folder becomes root's.
as_user = $(if $(SUDO_USER),sudo -u $(SUDO_USER) --preserve-env=PATH)

# The build's own lines are shown only where it fails; the program's own status and messages
# are the only ones after it ran. The recipe's shell outlives Ctrl+C, so that the program alone
# answers it; make itself is interrupted too and ends with status 130, silently.
run:
	@$(call prerequisites,run)
	@$(call configure,OFF)
	@$(build_program) >$(BUILD_DIR)/build.log 2>&1 || { cat $(BUILD_DIR)/build.log; exit 1; }
	@trap : INT QUIT; $(BUILD_DIR)/dialogue/inversions || true

program:
	@$(call prerequisites,program)
	$(call configure,OFF)
	$(build_program)

install:
	$(as_user) $(MAKE) program BUILD_DIR="$(BUILD_DIR)" CMAKE_FLAGS="$(CMAKE_FLAGS)"
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"
	$(if $(SUDO_UID),chown $(SUDO_UID):$(SUDO_GID) $(BUILD_DIR)/install_manifest.txt)

# The program's own folder of documents goes with its files where nothing else is left in it;
# the shared folders (bin, share/man/man1) stay.
uninstall:
	@[ -f $(BUILD_DIR)/install_manifest.txt ] || { echo "Nothing installed from $(BUILD_DIR)." >&2; exit 1; }
	sed 's|^|$(DESTDIR)|' $(BUILD_DIR)/install_manifest.txt | tr '\n' '\0' | xargs -0 rm -f --
	sed -n 's|^\(.*/share/doc/inversions\)/[^/]*$$|$(DESTDIR)\1|p' $(BUILD_DIR)/install_manifest.txt | \
	    sort -u | tr '\n' '\0' | xargs -0 -r rmdir --ignore-fail-on-non-empty --

help:
	@sed -n '/^#/!q; s/^# \{0,1\}//p' $(firstword $(MAKEFILE_LIST))

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

configure:
	@$(call prerequisites,test)
	@$(call configure,ON)

# The build variants are CMake's presets (CMakePresets.json), each in build/PRESET: workflow
# PRESET configures, builds and tests one, with this machine's parallelism.
workflow = env CMAKE_BUILD_PARALLEL_LEVEL=$(JOBS) CTEST_PARALLEL_LEVEL=$(JOBS) \
    cmake --workflow --preset $(1)

# The programs of the zips: each width's program alone, which needs the cross compiler alone.
windows:
	@$(call prerequisites,windows)
	for width in i686 x86_64; do \
	    cmake -S . -B $(BUILD_DIR)/windows-$$width --toolchain cmake/toolchains/mingw-w64-$$width.cmake \
	        -DCMAKE_BUILD_TYPE=Release -DINVERSIONS_BUILD_TESTS=OFF $(CMAKE_FLAGS) && \
	    cmake --build $(BUILD_DIR)/windows-$$width -j $(JOBS) || exit 1; \
	done

windows-test: windows-test-64 windows-test-32

windows-test-64:
	@$(call prerequisites,windows-test-64)
	scripts/test-windows /usr/lib/wine/wine64 $(call workflow,windows-x86_64)

windows-test-32:
	@$(call prerequisites,windows-test-32)
	scripts/test-windows /usr/lib/wine/wine $(call workflow,windows-i686)

package: program windows
	@$(call prerequisites,package)
	cpack --config $(BUILD_DIR)/CPackConfig.cmake -B $(BUILD_DIR)/packages
	for width in i686 x86_64; do \
	    cpack --config $(BUILD_DIR)/windows-$$width/CPackConfig.cmake -B $(BUILD_DIR)/packages || exit 1; \
	done
	rm -rf $(BUILD_DIR)/packages/_CPack_Packages

package-test: package-test-deb package-test-64 package-test-32

package-test-deb package-test-32 package-test-64: package
	@$(call prerequisites,$@)
	scripts/test-packages $(BUILD_DIR)/packages $(subst package-test-,,$@)

sanitize-test:
	@$(call prerequisites,sanitize-test)
	$(call workflow,sanitize)

libcxx-test:
	@$(call prerequisites,libcxx-test)
	$(call workflow,libcxx)

cross-test:
	@$(call prerequisites,cross-test)
	$(call workflow,linux-aarch64)
	$(call workflow,linux-s390x)

fuzz:
	@$(call prerequisites,fuzz)
	$(call workflow,fuzz)
	scripts/fuzz build/fuzz $(FUZZ_SECONDS)

unicode-tables:
	@$(call prerequisites,unicode-tables)
	scripts/gen-unicode-tables
	git diff --exit-code -- dialogue/unicode_tables.h

tidy:
	@$(call prerequisites,tidy)
	scripts/tidy $(BUILD_DIR)/tidy

coverage:
	@$(call prerequisites,coverage)
	[ ! -d build/coverage ] || find build/coverage -name '*.gcda' -delete  # this run's counts alone
	$(call workflow,coverage)
	scripts/coverage-report build/coverage

clean:
	rm -rf $(BUILD_DIR)
