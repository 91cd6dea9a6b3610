# Set-up, build, run and test on a Debian 12 machine (as root for the installs).
# build/ is the product (32-bit setup.exe and its payload) with its tests, build/host the
# tools that run on this machine while building. VERSION is the product's version, four
# numbers of 0 to 65535; BUILD=folder builds in another folder (a second version beside
# the first, say).
BUILD := build
HOST := $(BUILD)/host
VERSION := 1.0.0.0
PRODUCT := -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DHOST_TOOLS_DIR=$(abspath $(HOST)) \
	'-DQUILLMERE_VERSION=$(VERSION)'

.PHONY: all deps build run test bench release clean
all: build

deps:
	@tools/install-deps.sh

build: deps
	@cmake -S tools -B $(HOST) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(HOST) -j2 >/dev/null
	@cmake -S . -B $(BUILD) $(PRODUCT) >/dev/null
	@cmake --build $(BUILD) -j2 -- --no-print-directory

run: build
	@tests/walk.sh $(BUILD)

test: build
	@! tests/i386-emulated.sh || echo "test: 32-bit programs are emulated here (qemu):" \
		"the time limits and the driver's waits are twice as long"
	@ctest --test-dir $(BUILD) --output-on-failure -j2

bench: build
	@tools/bench.sh $(BUILD)

# SIGN_CERT, SIGN_KEY, SIGN_PASS and SIGN_TIMESTAMP sign it (README, "Releasing");
# RELEASE_URL is where setup.exe will be published, as its winget manifest names it.
RELEASE := $(BUILD)/release
RELEASE_URL := https://quillmere.example.com/
release: build
	@tools/release.sh $(BUILD) $(RELEASE) $(RELEASE_URL) '$(VERSION)'

clean:
	rm -rf $(BUILD)
