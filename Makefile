# make run:            build the program alone (Release) and start it; quiet where nothing changed.
# make test:           build and run every test; skipped tests are listed with their reasons.
# make program:        build the program and its manual page without starting it.
# make install:        install the program and its documents under PREFIX (DESTDIR honoured).
# make uninstall:      remove what make install put under the same PREFIX and DESTDIR.
# make windows:        cross-build inversions.exe for 32-bit and 64-bit Windows (mingw-w64).
# make windows-test:   each Windows build's tests under Wine (or windows-test-32, -64).
# make package:        the Debian package and the two Windows zips, in BUILD_DIR/packages.
# make package-test:   lintian, and each zip's program under Wine (or package-test-deb, -32, -64).
# make sanitize-test:  every test with AddressSanitizer and UndefinedBehaviorSanitizer.
# make libcxx-test:    every test built with clang and libc++ (the C++ library of macOS, BSDs).
# make cross-test:     ARM64 and s390x (big-endian) builds, their tests under qemu-user.
# make fuzz:           the libFuzzer target (clang) for FUZZ_SECONDS seconds.
# make unicode-tables: write dialogue/unicode_tables.h again; fails where that changed it.
# make tidy:           clang-tidy on every source; any finding fails.
# make coverage:       every test on a coverage build in BUILD_DIR/coverage, and its figures.
# make clean:          remove BUILD_DIR.
# make help:           this list.
# Each target installs what it uses, and only that, where it is missing.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local

# Only the tools' own lines: no recipe lines (each starts with @) and no make directory lines,
# here or in the makes that CMake's build runs.
MAKEFLAGS += --no-print-directory

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
	@$(call configure,OFF)
	@$(build_program)

# What make install puts under PREFIX, and so what make uninstall removes from there, whatever
# was installed elsewhere since; tests/test_install.py checks the two against each other.
installed = bin/inversions share/man/man1/inversions.1.gz share/doc/inversions/copyright \
    share/doc/inversions/changelog.gz
installed_under = $(DESTDIR)$(PREFIX)

install:
	@$(as_user) $(MAKE) program BUILD_DIR="$(BUILD_DIR)" CMAKE_FLAGS="$(CMAKE_FLAGS)"
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"
	@$(if $(SUDO_UID),chown $(SUDO_UID):$(SUDO_GID) $(BUILD_DIR)/install_manifest.txt)

# The program's own folder of documents goes with its files where nothing else is left in it;
# the shared folders (bin, share/man/man1) stay.
uninstall:
	@cd "$(installed_under)" 2>/dev/null && files=$$(ls -d $(installed) 2>/dev/null); \
	if [ -z "$$files" ]; then echo "inversions is not installed under $(installed_under)."; exit 0; fi; \
	rm -f $$files && echo "Removed from $(installed_under):" $$files && \
	{ [ ! -d share/doc/inversions ] || rmdir --ignore-fail-on-non-empty share/doc/inversions; }

help:
	@sed -n '/^#/!q; s/^# \{0,1\}//p' $(firstword $(MAKEFILE_LIST))

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS); status=$$?; \
	    scripts/skip-reasons $(BUILD_DIR); exit $$status

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

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
	@for width in i686 x86_64; do \
	    cmake -S . -B $(BUILD_DIR)/windows-$$width --toolchain cmake/toolchains/mingw-w64-$$width.cmake \
	        -DCMAKE_BUILD_TYPE=Release -DINVERSIONS_BUILD_TESTS=OFF $(CMAKE_FLAGS) && \
	    cmake --build $(BUILD_DIR)/windows-$$width -j $(JOBS) || exit 1; \
	done

windows-test: windows-test-64 windows-test-32

windows-test-64:
	@$(call prerequisites,windows-test-64)
	@scripts/test-windows /usr/lib/wine/wine64 $(call workflow,windows-x86_64)

windows-test-32:
	@$(call prerequisites,windows-test-32)
	@scripts/test-windows /usr/lib/wine/wine $(call workflow,windows-i686)

package: program windows
	@$(call prerequisites,package)
	@cpack --config $(BUILD_DIR)/CPackConfig.cmake -B $(BUILD_DIR)/packages
	@for width in i686 x86_64; do \
	    cpack --config $(BUILD_DIR)/windows-$$width/CPackConfig.cmake -B $(BUILD_DIR)/packages || exit 1; \
	done
	@rm -rf $(BUILD_DIR)/packages/_CPack_Packages

package-test: package-test-deb package-test-64 package-test-32

package-test-deb package-test-32 package-test-64: package
	@$(call prerequisites,$@)
	@scripts/test-packages $(BUILD_DIR)/packages $(subst package-test-,,$@)

sanitize-test:
	@$(call prerequisites,sanitize-test)
	@$(call workflow,sanitize)

libcxx-test:
	@$(call prerequisites,libcxx-test)
	@$(call workflow,libcxx)

cross-test:
	@$(call prerequisites,cross-test)
	@$(call workflow,linux-aarch64)
	@$(call workflow,linux-s390x)

fuzz:
	@$(call prerequisites,fuzz)
	@$(call workflow,fuzz)
	@scripts/fuzz build/fuzz $(FUZZ_SECONDS)

unicode-tables:
	@$(call prerequisites,unicode-tables)
	@scripts/gen-unicode-tables
	@git diff --exit-code -- dialogue/unicode_tables.h

tidy:
	@$(call prerequisites,tidy)
	@scripts/tidy $(BUILD_DIR)/tidy

# In a folder of its own, so that no other target builds on its instrumented objects; each run
# counts afresh.
coverage_dir = $(BUILD_DIR)/coverage
coverage:
	@$(call prerequisites,coverage)
	@[ ! -d $(coverage_dir) ] || find $(coverage_dir) -name '*.gcda' -delete
	@cmake --preset coverage -B $(coverage_dir) >/dev/null
	@cmake --build $(coverage_dir) -j $(JOBS)
	@ctest --test-dir $(coverage_dir) --output-on-failure -j $(JOBS); status=$$?; \
	    scripts/skip-reasons $(coverage_dir); exit $$status
	@scripts/coverage-report $(coverage_dir)

clean:
	@rm -rf $(BUILD_DIR)
