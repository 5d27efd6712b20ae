# The two set-up commands: `make run` and `make test`.  `make bench` runs the
# benchmarks on demand.
JOBS ?= 2
RELEASE_DIR := build/release
TEST_DIR := build/test

export ASAN_OPTIONS ?= allocator_may_return_null=1:detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS ?= suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS ?= print_stacktrace=1:halt_on_error=1

.PHONY: all deps release run test test-build bench clean

all: release

deps:
	@scripts/install-deps

$(RELEASE_DIR)/build.ninja:
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLUMO_TESTS=OFF

release: deps $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS)

run: release
	./$(RELEASE_DIR)/src/vellumo

$(TEST_DIR)/build.ninja:
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLUMO_SANITIZE=ON

test-build: deps $(TEST_DIR)/build.ninja
	cmake --build $(TEST_DIR) -j $(JOBS)

test: test-build
	cd $(TEST_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

bench: release
	@status=0; for b in $(RELEASE_DIR)/bench/bench_*; do \
	  [ -f "$$b" ] && [ -x "$$b" ] || continue; "$$b" || status=1; done; exit $$status

clean:
	rm -rf build
