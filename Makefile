# The two everyday commands: `make run` and `make test`.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DV7400_WERROR=ON

.PHONY: all deps configure build run install deb test asan bench fuzz clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Starts the simulator in a working directory of its own, so its settings and logs land there;
# on a first run with the receiver emulator beside it (scripts/run.sh).
run: build
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

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DV7400_WERROR=ON -DV7400_SANITIZE=ON > /dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS) --target unit_tests emu_tests
	@cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS) -L unit

bench: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	@$(BUILD_DIR)/bin/benchmarks

# Coverage-guided fuzzing of the serial receive path (clang libFuzzer with ASan and UBSan).
FUZZ_SECONDS ?= 60
fuzz: deps
	@mkdir -p build-fuzz
	@clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc \
	  fuzz/serial_receive_fuzz.cpp src/core/*.cpp src/codec/*.cpp src/display/*.cpp \
	  src/protocol/*.cpp src/transport/*.cpp -lcrypto -o build-fuzz/serial_receive_fuzz
	@build-fuzz/serial_receive_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096
	@clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc \
	  fuzz/rtf_reader_fuzz.cpp src/app/rtf_reader.cpp -o build-fuzz/rtf_reader_fuzz
	@build-fuzz/rtf_reader_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=4096

clean:
	@rm -rf $(BUILD_DIR) $(ASAN_DIR)
