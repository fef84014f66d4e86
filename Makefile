# The two everyday commands: `make test` and `make run`; `make bench` for the benchmarks.
JOBS ?= $(shell nproc)

.PHONY: deps test run bench clean

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

clean:
	rm -rf build
