# Halvo: the two commands for everyone are `make demo` and `make test`; both set up a fresh
# Debian 12 machine first.

BUILD_DIR   ?= build
ASAN_DIR    ?= build-asan
BENCH_DIR   ?= build-release
JOBS        ?= $(shell nproc)
GENERATOR   := -G Ninja
# make install: where to, and DESTDIR for a staged install (packaging, a scratch root).
PREFIX      ?= /usr/local
DESTDIR     ?=

.PHONY: all deps build test demo bench install package clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# The sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer, with clang so that the
# libFuzzer targets build in the same tree), every test and a short run of each fuzz target.
test: deps
	@cmake -S . -B $(ASAN_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DHALVO_SANITIZE=ON -DHALVO_FUZZ=ON >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)
	@cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS)

demo: build
	@scripts/demo.sh $(BUILD_DIR)

bench: deps
	@cmake -S . -B $(BENCH_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DHALVO_TESTS=OFF -DHALVO_BENCH=ON >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS)
	@for b in $(BENCH_DIR)/bench/halvo_bench_*; do $$b; done

# The Release build (in the benchmarks' tree, which is Release too) installed under PREFIX. Into
# the live system as root (no DESTDIR, PREFIX /usr or /usr/local, where udev reads the rule), the
# package's postinst runs too: it creates the operators' group and reloads the udev rules.
install: deps
	@cmake -S . -B $(BENCH_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DHALVO_TESTS=OFF \
	  -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS)
	@DESTDIR="$(DESTDIR)" cmake --install $(BENCH_DIR)
	@if [ -z "$(DESTDIR)" ] && [ "$$(id -u)" -eq 0 ] && { [ "$(PREFIX)" = /usr ] || [ "$(PREFIX)" = /usr/local ]; }; then \
	  sh $(BENCH_DIR)/packaging/debian/postinst configure; \
	else \
	  echo "Not set up here: the group 'halvo' and the udev rule's reload (see README, Installing)."; \
	fi

# The Debian package (halvo_<version>_<arch>.deb in the Release tree), from the same Release
# build as make install.
package: deps
	@cmake -S . -B $(BENCH_DIR) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DHALVO_TESTS=OFF >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS)
	@cd $(BENCH_DIR) && cpack -G DEB >/dev/null
	@ls $(BENCH_DIR)/halvo_*.deb

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(BENCH_DIR)
