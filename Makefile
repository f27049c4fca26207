# Front door: everything a person or CI needs on a fresh Debian 12 machine.
#   make play   install what is missing, build, lay out the game folder, play
#   make test   install, build, run the whole suite (also under ASan + UBSan)
#   make check  the quick loop: release build, every case but the slow ones
#   make bench  build and run the benchmarks
#   make dist   pack the game folder into a tar.gz
#   make deb    build the Debian packages (build-deb/voltari_<version>_<arch>.deb and
#               voltari-data_<version>_all.deb), check them with lintian
#   make fuzz   run every fuzz target for a bounded time
#   make fuzz-long  every fuzz target until FUZZ_LONG_RUNS executions (capped)
#   make soak   computer matches back to back under the sanitizers (SOAK_MATCHES)
#   make web    the game as a web page in build-web/ (Emscripten, offline)
#   make web-serve  serve build-web/ on http://127.0.0.1:8000/, with a relay for rooms
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
WEB_BUILD ?= build-web
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_LONG_RUNS ?= 1000000
FUZZ_LONG_CAP ?= 3600
SOAK_MATCHES ?= 100
CMAKE_FLAGS ?=


.PHONY: all deps configure build play check test web web-serve test-release test-sanitize bench dist deb fuzz fuzz-long fuzz-short assets-preview screenshots clean soak

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

play: build
	@scripts/play $(BUILD)/game

# Leaves out the cases labelled slow (whole matches, the soak, the
# generator's second run) and the end-to-end run: under a minute on two cores.
check: configure
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ctest -j $(JOBS) --output-on-failure -LE 'slow|e2e'

test: deps
	@start=$$(date +%s); $(MAKE) web && \
	  echo "make test: the web page built in $$(( $$(date +%s) - start )) s"
	$(MAKE) test-release
	$(MAKE) test-sanitize
	@if [ -x scripts/fuzz ]; then scripts/fuzz $(FUZZ_BUILD) 10; fi
	@scripts/test-summary $(BUILD) $(ASAN_BUILD)

test-release: configure
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ctest -j $(JOBS) --output-on-failure

test-sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVOLTARI_SANITIZE=ON -DVOLTARI_BENCH=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest -j $(JOBS) --output-on-failure -LE no-sanitize

# The long soak: the same test as CTest's short one, run for SOAK_MATCHES
# matches; prints the heap in use at every menu visit.
soak: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVOLTARI_SANITIZE=ON -DVOLTARI_BENCH=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target voltari_tests
	cd $(ASAN_BUILD) && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  VOLTARI_SOAK_MATCHES=$(SOAK_MATCHES) tests/voltari_tests --gtest_filter='Soak.*'

bench: build
	@scripts/bench $(BUILD)

dist: build
	cd $(BUILD) && cpack -G TGZ -B $(CURDIR)/dist

deb: deps
	scripts/deb build-deb $(JOBS)

fuzz: deps
	scripts/fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Every reader a million inputs deep; FUZZ_LONG_CAP seconds at most per target.
fuzz-long: deps
	scripts/fuzz $(FUZZ_BUILD) $(FUZZ_LONG_CAP) $(FUZZ_LONG_RUNS)

assets-preview: build
	cmake --build $(BUILD) --target assets-preview

screenshots: build
	cmake --build $(BUILD) --target screenshots

# The page packs the data files of the native build's generator.
web: configure
	cmake --build $(BUILD) -j $(JOBS) --target game_data
	cmake --build $(BUILD) -j $(JOBS) --target icons
	JOBS=$(JOBS) web/build-platform $(WEB_BUILD)
	emcmake cmake -S web -B $(WEB_BUILD)/cmake -DCMAKE_BUILD_TYPE=Release \
	  -DVOLTARI_PLATFORM=$(CURDIR)/$(WEB_BUILD)/platform/prefix \
	  -DVOLTARI_DATA_DIR=$(CURDIR)/$(BUILD)/game -DVOLTARI_WEB_OUT=$(CURDIR)/$(WEB_BUILD) \
	  -DVOLTARI_NATIVE_BUILD=$(CURDIR)/$(BUILD)
	# emcc runs Debian's acorn, which a Node from elsewhere does not find by itself.
	NODE_PATH=/usr/share/nodejs cmake --build $(WEB_BUILD)/cmake -j $(JOBS)

web-serve: web
	python3 web/serve.py $(WEB_BUILD) --port 8000 --relay relay/voltari-nats.conf

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WEB_BUILD) build-deb dist
