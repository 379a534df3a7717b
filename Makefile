# Two set-up commands do everything on a fresh Debian machine:
#   make run   installs what is missing, builds and starts TWdraw
#   make test  installs what is missing, builds (clang, ASan, UBSan) and runs every test
JOBS ?= $(shell nproc)
RELEASE_DIR := build/release
TEST_DIR := build/test
TSAN_DIR := build/tsan
FUZZ_SECONDS ?= 10
PREFIX ?= /usr/local
export CCACHE_DIR ?= $(HOME)/.cache/ccache
export CCACHE_BASEDIR := $(CURDIR)

.PHONY: deps run build install test test-build tsan bench fuzz clean

deps:
	@if [ "$$(id -u)" -eq 0 ]; then bash scripts/install-deps; else sudo bash scripts/install-deps; fi

$(RELEASE_DIR)/build.ninja:
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=g++ -DTWDRAW_TESTS=OFF -DTWDRAW_BENCH=ON

# CMake 3.25's automoc does not notice a Q_OBJECT header that a glob newly
# picked up; dropping its stamps makes it look again (it re-mocs only what changed).
AUTOGEN_RESCAN = find $(1) -path '*_autogen/timestamp' -delete 2>/dev/null || true

build: deps $(RELEASE_DIR)/build.ninja
	@$(call AUTOGEN_RESCAN,$(RELEASE_DIR))
	cmake --build $(RELEASE_DIR) -j $(JOBS)

# make install PREFIX=... (default /usr/local; DESTDIR stages it elsewhere):
# the program, the Stock Shapes drawing, the desktop entry, the icons and
# the drawing package's MIME type.
install: build
	DESTDIR=$(DESTDIR) cmake --install $(RELEASE_DIR) --prefix $(PREFIX)

# make run ARGS="drawing.TWdraw picture.png" opens files at start.
ARGS ?=
run: build
	$(RELEASE_DIR)/twdraw $(ARGS)

$(TEST_DIR)/build.ninja:
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_COMPILER=clang++ -DTWDRAW_SANITIZE=ON -DTWDRAW_FUZZ=ON -DTWDRAW_TESTS=ON

test-build: deps $(TEST_DIR)/build.ninja
	bash scripts/check-layers src
	@$(call AUTOGEN_RESCAN,$(TEST_DIR))
	cmake --build $(TEST_DIR) -j $(JOBS)

# Each test program runs in a few shards; after ctest, gtest-summary counts
# the test cases of every shard and names each that failed.
test: test-build
	rm -rf $(TEST_DIR)/test-logs
	cd $(TEST_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS); \
	  status=$$?; bash $(CURDIR)/tests/scripts/gtest-summary test-logs || status=1; exit $$status

$(TSAN_DIR)/build.ninja:
	cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
	  -DTWDRAW_TSAN=ON -DTWDRAW_SANITIZE=OFF -DTWDRAW_FUZZ=OFF -DTWDRAW_TESTS=ON

# The colour replacement, large drawing renderings and the pixel loops split
# across the thread pool run on worker threads: their suites under
# ThreadSanitizer. Qt is not instrumented, so
# the hand-over through its event queue is suppressed (tests/tsan.supp).
tsan: deps $(TSAN_DIR)/build.ninja
	@$(call AUTOGEN_RESCAN,$(TSAN_DIR))
	cmake --build $(TSAN_DIR) -j $(JOBS) --target test_pixmap test_model test_ui_paint
	cd $(TSAN_DIR)/tests && for t in test_pixmap test_model test_ui_paint; do \
	  QT_QPA_PLATFORM=offscreen \
	  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	  ./$$t --gtest_filter='*ColorReplace*:*DrawingTest*:*BoxBlur*:*BlurTest*:*PixelLoops*:*PaintSwap*' || exit 1; done

bench: build
	@for b in $(RELEASE_DIR)/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; echo "== $$b"; $$b --benchmark_min_time=0.2 || exit 1; done

fuzz: test-build
	bash scripts/run-fuzzers $(TEST_DIR)/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build
