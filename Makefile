# The two commands a new user needs: `make run` and `make test`.
# Both install what is missing first, then build with CMake presets.

.PHONY: all deps build release package run test vsix sanitize fuzz bench format clean

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

# The Debian package of the optimised programs:
# build-release/vornel-script-checker_<version>_<arch>.deb.
package: release
	cd build-release && cpack

# Only the desktop program it starts: the tables it reads are copied into
# the build tree when CMake configures it.
run: deps
	cmake --preset release
	cmake --build --preset release --target vornel-script-checker
	scripts/run

# The package's test checks build-release/vornel-script-checker_*.deb and
# is skipped without it; `make package` first to check the package too.
test: build
	ctest --preset dev
	@ls build-release/vornel-script-checker_*.deb >/dev/null 2>&1 || \
	  echo "test: test_package was skipped: build-release/ holds no package; run make package first"

# The VS Code extension's package, editors/vscode/vornel-scan-<version>.vsix,
# built from the modules its package-lock.json pins.
vsix: deps
	scripts/build-vsix

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
	bench/memory build-release
	bench/lsp build-release

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-release build-asan build-tsan build-fuzz
