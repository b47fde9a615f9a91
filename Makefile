# make run: installs what is missing, builds, prepares the data files beside the program
#           when they are not there yet, and starts Talvek.
# make test: the same set-up, then every test, headless.
BUILD := build
SANITIZE_BUILD := build-sanitize
BIN := $(BUILD)/bin
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build data run test test-sanitize bench clean package test-package

all: build

deps:
	@scripts/deps

# `make run` builds only what it starts (the `runnable` target); test, bench and all build
# everything. The build shows one line that counts up; a build that fails prints its
# messages in full and stops make. A new build folder uses Ninja when it is installed; an
# existing one keeps its generator.
CONFIGURE = test -e $(BUILD)/CMakeCache.txt || ! command -v ninja >/dev/null || gen="-G Ninja"; \
	cmake -S . -B $(BUILD) $$gen -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
BUILD_WHAT := $(if $(MAKECMDGOALS),$(if $(filter-out run data,$(MAKECMDGOALS)),,--target runnable))
build: deps
	@$(CONFIGURE)
	@{ NINJA_STATUS='[%p] ' cmake --build $(BUILD) -j $(JOBS) $(BUILD_WHAT) 2>&1; echo $$? >$(BUILD)/.build-status; } | \
	awk '/^\[ *[0-9]+%\] / { match($$0, /[0-9]+%/); printf "\r建置中 %s", substr($$0, RSTART, RLENGTH); shown = 1; fflush(); next } \
	     /^(Consolidate compiler generated dependencies|Scanning dependencies) of target/ { next } \
	     { if (shown) printf "\n"; shown = 0; print; fflush() } \
	     END { if (shown) printf "\n" }'
	@exit $$(cat $(BUILD)/.build-status)

# The program never makes a data file; the store tool makes whichever one is missing.
data: build
	@for f in VXBANK.mdb BRANCH.mdb; do \
	  test -e $(BIN)/$$f || $(BIN)/talvek-store init $(BIN) $$f || exit 1; \
	done

run: data
	$(BIN)/talvek

test: data
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-package

# Every suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVEK_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: build
	$(BIN)/talvek-bench

# dist/ ends up holding the Debian package and the portable archive, nothing else.
package: deps
	@$(CONFIGURE)
	@cmake --build $(BUILD) -j $(JOBS) --target package-inputs
	@rm -rf dist
	cd $(BUILD) && cpack

# Starts the unpacked Debian package and the portable archive on a headless X server.
test-package: package
	tests/package/test-package.sh dist

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) dist
