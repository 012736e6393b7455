# SPDX-License-Identifier: MIT
# The two everyday commands: `make run` and `make test`.
# The builds CMake runs below this one need not say which folder they enter.
MAKEFLAGS += --no-print-directory
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DV7400_WERROR=ON

.PHONY: all deps configure build run install deb package-check test asan bench fuzz fuzz-build clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Starts the simulator in a working directory of its own, so its settings and logs land there;
# on a first run with the receiver emulator beside it (scripts/run.sh). Only those two are
# built, so the first window comes up without waiting for the tests to compile.
run: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target v7400 receiver-emu
	@mkdir -p run
	@# The input-command help is read from the working directory.
	@cp -u docs/help/InputCommandHelp.rtf run/
	@scripts/run.sh $(BUILD_DIR)

# Installs into PREFIX (default /usr/local); `make deb` builds the Debian package.
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

deb: build
	@cd $(BUILD_DIR) && cpack -G DEB

# The package as Debian's tools see it: lintian (no error, no warning), the desktop entry, the
# AppStream metainfo and the man pages.
package-check: deb
	@scripts/package-check.sh $(BUILD_DIR)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DV7400_WERROR=ON -DV7400_SANITIZE=ON > /dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS) --target unit_tests emu_tests
	@cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS) -L unit

# The logic alone (Google Benchmark), then the real program end to end against the load tool.
bench: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks v7400 load-gen bare-responder
	@$(BUILD_DIR)/bin/benchmarks
	@bench/e2e_bench.py $(BUILD_DIR)/bin --json $(BUILD_DIR)/e2e_bench.json

# Coverage-guided fuzzing (clang libFuzzer with ASan and UBSan). Every target in FUZZ_TARGETS
# is fuzz/<name>_fuzz.cpp with its seeds in fuzz/corpus/<name>/; each runs FUZZ_SECONDS.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := serial_receive datagram_receive settings_file program_queue rtf_reader scenario \
  control_api
FUZZ_DIR := build-fuzz
FUZZ_CXXFLAGS := -std=c++20 -g -O1 -fsanitize=address,undefined -fno-sanitize-recover=undefined \
  -fno-omit-frame-pointer -Isrc -Itests/unit
FUZZ_LOGIC := $(filter-out src/ui/% src/main/% src/headless/%,$(wildcard src/*/*.cpp))
FUZZ_OBJECTS := $(patsubst src/%.cpp,$(FUZZ_DIR)/obj/%.o,$(FUZZ_LOGIC))

$(FUZZ_DIR)/obj/%.o: src/%.cpp
	@mkdir -p $(dir $@)
	@clang++ $(FUZZ_CXXFLAGS) -fsanitize=fuzzer-no-link -MMD -c $< -o $@

$(FUZZ_DIR)/%_fuzz: fuzz/%_fuzz.cpp $(FUZZ_OBJECTS)
	@clang++ $(FUZZ_CXXFLAGS) -fsanitize=fuzzer $^ -lcrypto -o $@

-include $(FUZZ_OBJECTS:.o=.d)
.SECONDARY: $(FUZZ_OBJECTS)

fuzz-build: $(foreach t,$(FUZZ_TARGETS),$(FUZZ_DIR)/$(t)_fuzz)

# New inputs go to a scratch corpus, so the checked-in seeds stay small.
fuzz: deps
	@$(MAKE) --no-print-directory fuzz-build
	@set -e; for t in $(FUZZ_TARGETS); do \
	  echo "== $$t: $(FUZZ_SECONDS) s"; \
	  mkdir -p $(FUZZ_DIR)/corpus/$$t; \
	  if ! $(FUZZ_DIR)/$${t}_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -print_final_stats=1 \
	      -artifact_prefix=$(FUZZ_DIR)/$$t- $(FUZZ_DIR)/corpus/$$t fuzz/corpus/$$t \
	      > $(FUZZ_DIR)/$$t.log 2>&1; then \
	    tail -n 60 $(FUZZ_DIR)/$$t.log; echo "fuzz target $$t found a fault"; exit 1; \
	  fi; \
	  grep -E '^(stat::number_of_executed_units|Done)' $(FUZZ_DIR)/$$t.log; \
	done

clean:
	@rm -rf $(BUILD_DIR) $(ASAN_DIR)
