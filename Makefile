# The two commands a new user needs: `make run` and `make test`.
# Both install what is missing first, then build with CMake presets.

.PHONY: all deps build release run test sanitize fuzz bench format clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset dev
	cmake --build --preset dev

# The program users get is the optimised one.
release: deps
	cmake --preset release
	cmake --build --preset release

run: release
	scripts/run

test: build
	ctest --preset dev

# The whole suite under ASan and UBSan, the threaded tests under TSan. Qt from
# Debian is not built for TSan, so the TSan preset watches only the calls our
# own code makes (ignore_noninstrumented_modules): locking done inside Qt,
# such as QtTest joining its watchdog thread, is invisible to TSan and would
# otherwise show as races.
sanitize: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset tsan

# Every fuzz target for FUZZ_SECONDS each, from a copy of its seed corpus;
# fails when one finds a crash. clang's libFuzzer, with ASan and UBSan.
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/fuzz $(FUZZ_SECONDS)

bench: release
	bench/run build-release
	bench/trees build-release

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-release build-asan build-tsan build-fuzz
