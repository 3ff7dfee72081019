# Entry points of the kit. Every target first installs what is missing (scripts/setup.sh).
JOBS ?= 2
BUILD_TYPE ?= RelWithDebInfo
CTEST = ctest --output-on-failure -j$(JOBS)

.PHONY: all setup build test test-release test-sanitize test-m32 demo bench install clean

all: build

setup:
	@scripts/setup.sh

build: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)
	cmake --build build -j$(JOBS)

# Every test: the optimised build, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the 32-bit layout build where the toolchain has -m32.
test: test-release test-sanitize test-m32

test-release: build
	cd build && $(CTEST)

test-sanitize: setup
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKIT_SANITIZE=ON
	cmake --build build-sanitize -j$(JOBS)
	cd build-sanitize && $(CTEST)

# The 32-bit build checks the layout byte for byte. Where this kernel cannot run
# 32-bit programs, its tests run under qemu-i386 (Debian's qemu-user).
test-m32: setup
	@if ! echo 'int main(){return 0;}' | g++ -m32 -x c++ - -o /tmp/kit-m32-probe 2>/dev/null; then \
	  echo "test-m32: no 32-bit toolchain (g++ -m32); the 32-bit layout build is skipped"; \
	else \
	  if /tmp/kit-m32-probe 2>/dev/null; then emulator=""; else emulator="-DCMAKE_CROSSCOMPILING_EMULATOR=qemu-i386"; \
	    echo "test-m32: this kernel cannot run 32-bit programs; the 32-bit tests run under qemu-i386"; fi; \
	  cmake -S . -B build-m32 -DCMAKE_BUILD_TYPE=Debug -DKIT_M32=ON $$emulator && \
	  cmake --build build-m32 -j$(JOBS) && \
	  cd build-m32 && $(CTEST); \
	fi

demo: build
	scripts/demo.sh

bench: build
	scripts/bench.sh

install: build
	cmake --install build --prefix $(or $(PREFIX),build/root)

clean:
	rm -rf build build-sanitize build-m32

# Fuzzing (clang, ASan+UBSan, build-fuzz): every fuzz target FUZZ_SECONDS each.
# MERGE=1 minimises what was found into the committed corpus (fuzz/corpus).
FUZZ_SECONDS ?= 60
.PHONY: fuzz
fuzz: setup
	fuzz/run.sh $(FUZZ_SECONDS)
