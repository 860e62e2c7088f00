# make run:  build a Release build and start the program.
# make test: build and run every test.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test build prerequisites clean

run: build
	./$(BUILD_DIR)/dialogue/inversions

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

build: prerequisites
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j $(JOBS)

prerequisites:
	@scripts/install-prerequisites

clean:
	rm -rf $(BUILD_DIR)
