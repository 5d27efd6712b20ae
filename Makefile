# The two set-up commands: `make run` and `make test`.  `make bench` runs the
# benchmarks on demand.
JOBS ?= 2
RELEASE_DIR := build/release
TEST_DIR := build/test

export ASAN_OPTIONS ?= allocator_may_return_null=1:detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS ?= suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS ?= print_stacktrace=1:halt_on_error=1

FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := lbl answer bbox settings csv pdf picture

.PHONY: all deps release programs run server test test-build bench fuzz shots install package clean

all: release

deps:
	@scripts/install-deps

$(RELEASE_DIR)/build.ninja:
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLUMO_TESTS=OFF

release: deps $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS)

# Only what `make run` and `make server` start.
programs: deps $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target vellumo vellumo-server

# The local label server (127.0.0.1:8390, labels in
# $$XDG_DATA_HOME/vellumo/labels) is started in the background first, unless
# something already listens there; its log goes to build/vellumo-server.log.
# It takes any name and password, so it admits only this user's own
# processes (--owner-only): on a shared machine nobody else reaches the labels.
SERVER_PORT := 8390
SERVER_ARGS := --owner-only --listen 127.0.0.1:$(SERVER_PORT)
run: programs
	@if (exec 3<>/dev/tcp/127.0.0.1/$(SERVER_PORT)) 2>/dev/null; then \
	  echo "run: a label server already listens on 127.0.0.1:$(SERVER_PORT)"; \
	else \
	  setsid -f ./$(RELEASE_DIR)/src/vellumo-server $(SERVER_ARGS) >>build/vellumo-server.log 2>&1 </dev/null; \
	  for i in 1 2 3 4 5 6 7 8 9 10; do \
	    (exec 3<>/dev/tcp/127.0.0.1/$(SERVER_PORT)) 2>/dev/null && break; sleep 0.2; done; \
	  echo "run: label server started on 127.0.0.1:$(SERVER_PORT) (log: build/vellumo-server.log)"; \
	fi
	./$(RELEASE_DIR)/src/vellumo

# The label server in the foreground (Ctrl+C stops it), as `make run` starts it.
server: programs
	./$(RELEASE_DIR)/src/vellumo-server $(SERVER_ARGS)

$(TEST_DIR)/build.ninja:
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLUMO_SANITIZE=ON

test-build: deps $(TEST_DIR)/build.ninja
	cmake --build $(TEST_DIR) -j $(JOBS)

# One test more than cores: many tests spend part of their time waiting
# (timeouts, slow clients, a printer that never reads), and a third one
# keeps both cores busy meanwhile.
TEST_JOBS ?= $(shell echo $$(( $(JOBS) + 1 )))
test: test-build
	cd $(TEST_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(TEST_JOBS) --timeout 600

# Screenshots of every window and widget the GUI tests show, for people to
# look at: build/shots/*.png in Russian, then build/shots/en/*.png in the
# English interface (SHOTS_ENGLISH=0 leaves those out).
SHOTS_ENGLISH ?= 1
shots: test-build
	rm -rf build/shots && mkdir -p build/shots
	cd $(TEST_DIR) && VELLUMO_SHOTS=$(CURDIR)/build/shots QT_QPA_PLATFORM=offscreen \
	  ctest -L gui -j $(JOBS) --timeout 600 >/dev/null || true
	@ls build/shots
	@if [ "$(SHOTS_ENGLISH)" = 1 ]; then \
	  mkdir -p build/shots/en; \
	  cd $(TEST_DIR) && VELLUMO_SHOTS=$(CURDIR)/build/shots/en VELLUMO_SHOTS_LANGUAGE=en \
	    QT_QPA_PLATFORM=offscreen ctest -L gui -j $(JOBS) --timeout 600 >/dev/null || true; \
	  ls $(CURDIR)/build/shots/en; \
	fi

bench: release
	@status=0; for b in $(RELEASE_DIR)/bench/bench_*; do \
	  [ -f "$$b" ] && [ -x "$$b" ] || continue; "$$b" || status=1; done; exit $$status

# libFuzzer (clang): each target for FUZZ_SECONDS from the seeds and the
# regression inputs under tests/fuzz; new inputs land in build/fuzz/corpus,
# findings in build/fuzz/crash-*.  Not part of `make test`.
$(FUZZ_DIR)/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVELLUMO_FUZZ=ON -DVELLUMO_TESTS=OFF

fuzz: deps $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_DIR)/corpus/$$t; \
	  found=; [ -d tests/fuzz/regressions/$$t ] && found=tests/fuzz/regressions/$$t; \
	  echo "fuzz_$$t: $(FUZZ_SECONDS) s"; \
	  ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1 \
	  $(FUZZ_DIR)/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -rss_limit_mb=4096 \
	    -timeout=20 -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/crash-$$t- \
	    $(FUZZ_DIR)/corpus/$$t tests/fuzz/seeds/$$t $$found \
	    2>$(FUZZ_DIR)/fuzz_$$t.log || { tail -40 $(FUZZ_DIR)/fuzz_$$t.log; exit 1; }; \
	  grep -E "stat::number_of_executed_units|Done" $(FUZZ_DIR)/fuzz_$$t.log; \
	done

# Installs the programs, the menu entry, the file type, icons, manual pages
# and the service units under PREFIX (DESTDIR is honoured).
PREFIX ?= /usr/local
install: release
	cmake --install $(RELEASE_DIR) --prefix $(PREFIX)

# build/package/vellumo_VERSION_ARCH.deb, then what dpkg-deb and lintian say
# of it.
PACKAGE_DIR := build/package
$(PACKAGE_DIR)/build.ninja:
	cmake -S . -B $(PACKAGE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLUMO_TESTS=OFF \
	  -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
	  -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now"

package: deps $(PACKAGE_DIR)/build.ninja
	cmake --build $(PACKAGE_DIR) -j $(JOBS)
	cd $(PACKAGE_DIR) && cpack -G DEB
	packaging/check_package.sh $$(ls $(PACKAGE_DIR)/vellumo_*.deb)

clean:
	rm -rf build
