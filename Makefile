# The two everyday commands: `make test` and `make run`; `make bench` for the benchmarks.
JOBS ?= $(shell nproc)

.PHONY: deps test run bench fuzz-smoke clean

deps:
	@scripts/install-deps

test: deps
	cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON -DVANTREL_TESTS=ON
	cmake --build build/test -j $(JOBS)
	cd build/test && ctest --output-on-failure -j $(JOBS)

# The viewer on the bundled sample picture, or on FILE=...; without a display it says so and fails.
FILE ?= assets/sample.png
run: deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_TESTS=OFF
	cmake --build build/release -j $(JOBS) --target vantrel
	build/release/vantrel "$(FILE)"

bench: deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_TESTS=OFF -DVANTREL_BENCH=ON
	cmake --build build/release -j $(JOBS)
	@for b in build/release/bench/bench_*; do [ -x "$$b" ] && "$$b"; done
	bench/compare build/release

# Every fuzz target over its seeds, then 20 seconds of new inputs each (clang only); fails on any finding.
FUZZ_SECONDS ?= 20
fuzz-smoke: deps
	CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_FUZZ=ON -DVANTREL_TESTS=OFF
	cmake --build build/fuzz --target fuzz -j $(JOBS)
	fuzz/make-seeds build/fuzz
	fuzz/run-fuzz build/fuzz $(FUZZ_SECONDS) $(JOBS)

clean:
	rm -rf build
