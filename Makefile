# One entry point for newcomers and CI. Each target installs what is missing first.
BUILD ?= build
JOBS ?= 2

.PHONY: setup configure build test run clean

setup:
	bash scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

run: build
	$(BUILD)/bin/stealth

clean:
	rm -rf $(BUILD)

# Benchmarks with their targets (about a minute and a half; not part of CI).
.PHONY: bench
bench: build
	bash bench/run_all.sh $(BUILD)
