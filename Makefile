# The two commands a new user needs: `make run` and `make test`.
# Both install what is missing first, then build with CMake presets.

.PHONY: all deps build run test bench format clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset dev
	cmake --build --preset dev

run: build
	scripts/run

test: build
	ctest --preset dev

bench: deps
	cmake --preset release
	cmake --build --preset release
	bench/run build-release

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-release build-asan
