# The two everyday commands: `make test` and `make run`; `make bench` for the benchmarks.
JOBS ?= $(shell nproc)

.PHONY: deps test run bench clean

deps:
	@scripts/install-deps

test: deps
	cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON -DVANTREL_TESTS=ON
	cmake --build build/test -j $(JOBS)
	cd build/test && ctest --output-on-failure -j $(JOBS)

# The viewer does not exist yet: until it lands, run shows what the library's benchmarks measure.
run: deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_TESTS=OFF -DVANTREL_BENCH=ON
	cmake --build build/release -j $(JOBS)
	@echo "The viewer is not built yet; running the imaging library's benchmarks instead."
	@for b in build/release/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

bench: deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_TESTS=OFF -DVANTREL_BENCH=ON
	cmake --build build/release -j $(JOBS)
	@for b in build/release/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf build
