# Qelt: the two everyday commands are `make demo` and `make test`.
JOBS ?= 2
BUILD_TYPE ?= RelWithDebInfo

.PHONY: deps configure build build-asan test test-normal test-asan demo gui bench fuzz clean \
	linux-cli windows test-windows windows-package package

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQELT_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)

test-normal: build
	cd build && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd build-asan && ctest --output-on-failure -j $(JOBS)

test: test-normal test-asan

# Windows: cross-built with MinGW-w64 into build-win/ and tested under wine (scripts/windows/).
# Without debugging symbols by default: the shipped programs are stripped anyway, and the
# symbols cost a quarter to a third of the compile time in CI (WIN_BUILD_TYPE=RelWithDebInfo for a
# build to debug under wine, in a fresh build folder).
WIN_BUILD_TYPE ?= Release
windows:
	JOBS=$(JOBS) BUILD_TYPE=$(WIN_BUILD_TYPE) bash scripts/windows/build.sh

# The zip and the installer for Windows users (build-win/qelt-<version>-win64.zip, -setup.exe).
windows-package: windows
	cmake --build $${QELT_WIN_BUILD:-build-win} -j $(JOBS) --target windows-package

# The installer is tested too (tests/windows/installer_test.py), so the package comes first.
test-windows: windows-package linux-cli
	JOBS=$(JOBS) bash scripts/windows/test.sh

# The Linux qelt-cli alone: the Windows build's results are compared with its results.
linux-cli: configure
	cmake --build build -j $(JOBS) --target qelt-cli

# The demo runs qelt-cli alone: it builds that program and its libraries, not the tests
# (make test builds those).
demo: linux-cli
	bash scripts/demo.sh

gui: build
	./build/qelt

bench: build
	./build/qelt-bench

# libFuzzer targets (clang only, not part of test): each runs FUZZ_SECONDS, two at a time.
FUZZ_SECONDS ?= 60
fuzz:
	bash fuzz/run-fuzzers.sh $(FUZZ_SECONDS)

clean:
	rm -rf build build-asan build-win

package: build
	cd build && cpack -G DEB
	@ls -1 build/*.deb
