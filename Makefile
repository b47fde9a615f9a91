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

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

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
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target package-inputs
	@rm -rf dist
	cd $(BUILD) && cpack

# Starts the unpacked Debian package and the portable archive on a headless X server.
test-package: package
	tests/package/test-package.sh dist

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
