# Front door of the project. Every target installs what is missing first.
#   make deps   install the Debian packages the build needs (as root)
#   make build  release build of the library and the command
#   make test   sanitizer build, then every test through CTest
#   make demo   release build, then the command on the bundled sample
#   make package  release build, then the Debian packages (ecucal, python3-ecucal)
#   make bench  release build of the benchmarks, then run them
#   make fuzz   libFuzzer targets (clang), each for FUZZ_SECONDS
#   make format clang-format the tree

JOBS ?= 2
BUILD_DIR ?= build/release
TEST_DIR ?= build/sanitize
BENCH_DIR ?= build/bench
FUZZ_DIR ?= build/fuzz
FUZZ_SECONDS ?= 60
PACKAGE_DIR ?= build/package
# Debian's interpreter: the Python module is built for and tested with it.
PYTHON ?= /usr/bin/python3

PACKAGES := cmake make g++ clang libclang-rt-14-dev pkg-config \
            libtinyxml-dev libboost-serialization-dev libmuparser-dev libssl-dev \
            libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev \
            python3-dev pybind11-dev python3-numpy python3-pytest dpkg-dev file \
            chromium

.PHONY: deps build test demo package bench fuzz format clean

deps:
	@./scripts/install-deps.sh $(PACKAGES)

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DECUCAL_BUILD_TESTS=OFF
	cmake --build $(BUILD_DIR) -j$(JOBS)

test: deps
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DECUCAL_SANITIZE=ON -DECUCAL_BUILD_TESTS=ON \
	  -DECUCAL_BUILD_PYTHON=ON -DPython3_EXECUTABLE=$(PYTHON)
	cmake --build $(TEST_DIR) -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(TEST_DIR) --output-on-failure -j$(JOBS)

demo: build
	./scripts/demo.sh $(BUILD_DIR)/tools/ecucal/ecucal

package: deps
	cmake -S . -B $(PACKAGE_DIR) -DCMAKE_BUILD_TYPE=Release -DECUCAL_BUILD_TESTS=OFF \
	  -DECUCAL_BUILD_PYTHON=ON -DPython3_EXECUTABLE=$(PYTHON) -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(PACKAGE_DIR) -j$(JOBS)
	cd $(PACKAGE_DIR) && cpack -G DEB
	@ls $(PACKAGE_DIR)/*.deb

bench: deps
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DECUCAL_BUILD_TESTS=OFF -DECUCAL_BUILD_BENCHMARKS=ON
	cmake --build $(BENCH_DIR) -j$(JOBS)
	./scripts/bench.sh $(BENCH_DIR)

fuzz: deps
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DECUCAL_BUILD_TESTS=OFF -DECUCAL_BUILD_TOOLS=OFF -DECUCAL_BUILD_FUZZERS=ON
	cmake --build $(FUZZ_DIR) -j$(JOBS)
	./scripts/fuzz.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

format:
	find src tests tools bench fuzz examples -name '*.h' -o -name '*.cpp' | xargs clang-format -i

clean:
	rm -rf build
