# Two entry points: `make run` builds qshrink and runs it on a bundled example;
# `make test` builds the sanitizer configuration and runs every test but the
# long campaigns, which `make soak` runs.
JOBS ?= 2
RELEASE := build/release
DEBUG := build/debug
EXAMPLE ?= examples/reduces.qdimacs
PREFIX ?= /usr/local
# The tests that only `make soak` runs (ctest name patterns): the shared
# formulas against depqbf, the counting checks on them, the classic runs'
# digests, and the soak tests of the other parts.
SOAK_ONLY := ^(TruthShared|Counting/CountingShared|Golden|Soak|Pipe/Soak)
# What `make soak` runs: those, and the random campaigns at full length.
SOAK_TESTS := ^(Truth|Counting|Golden|Soak|Pipe/Soak)

.PHONY: run test soak build debug deps bench fuzz install clean

build:
	cmake -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release -DQSHRINK_TESTS=OFF >/dev/null
	cmake --build $(RELEASE) -j$(JOBS)

run: build
	@rm -rf build/run && mkdir -p build/run
	@echo "== qshrink $(EXAMPLE) (in build/run)"
	@cd build/run && ../release/qshrink $(abspath $(EXAMPLE)); echo "== exit status $$?"
	@for f in build/run/*_outOrig.qdimacs; do [ -f "$$f" ] && echo "== $$f" && cat "$$f"; done; true
	@echo "== build/run/result1: $$(cat build/run/result1)"
	@echo "== build/run/preprocessor_b.dat:" && cat build/run/preprocessor_b.dat

# depqbf decides truth values for the soundness tests.
deps:
	@command -v depqbf >/dev/null 2>&1 || { \
	  if [ "$$(id -u)" = 0 ]; then (apt-get install -y depqbf >/dev/null 2>&1 || \
	    (apt-get update >/dev/null && apt-get install -y depqbf >/dev/null)) || echo "warning: depqbf could not be installed"; \
	  else echo "warning: depqbf missing (apt-get install depqbf); its tests will be skipped"; fi; }

debug:
	cmake -S . -B $(DEBUG) -DCMAKE_BUILD_TYPE=Debug -DQSHRINK_SANITIZE=ON \
	  -DQSHRINK_RELEASE_BIN=$(abspath $(RELEASE))/qshrink >/dev/null
	cmake --build $(DEBUG) -j$(JOBS)

test: deps build debug
	cd $(DEBUG) && ctest --output-on-failure -j$(JOBS) -E '$(SOAK_ONLY)'

soak: deps build debug
	cd $(DEBUG) && QSHRINK_SOAK=1 ctest --output-on-failure -j$(JOBS) -R '$(SOAK_TESTS)'

install: build
	cmake --install $(RELEASE) --prefix $(PREFIX)

# libFuzzer on both fuzz targets, FUZZ_TIME seconds each (clang with its
# sanitizer runtimes). The targets run qshrink in memory and write no file;
# new corpus entries and any crashing input land in build/.
FUZZ_TIME ?= 60
FUZZ := build/fuzz
FUZZ_FLAGS = -max_total_time=$(FUZZ_TIME) -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
  -artifact_prefix=$(abspath build/fuzz-artifacts)/
fuzz:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQSHRINK_FUZZ=ON -DQSHRINK_TESTS=OFF >/dev/null
	cmake --build $(FUZZ) -j$(JOBS)
	mkdir -p build/fuzz-corpus/run build/fuzz-corpus/gen build/fuzz-artifacts
	$(FUZZ)/fuzz/fuzz_run $(FUZZ_FLAGS) $(abspath build/fuzz-corpus/run) \
	  $(abspath examples) $(abspath tests/badinput/corpus) $(abspath fuzz/seeds/run)
	$(FUZZ)/fuzz/fuzz_gen $(FUZZ_FLAGS) -max_len=256 -len_control=0 $(abspath build/fuzz-corpus/gen) $(abspath fuzz/seeds/gen)

bench: build
	bench/run_bench.sh

clean:
	rm -rf build
