# Quick start: `make demo` converts the bundled samples, `make test` runs every test.
# Both install what is missing (Debian 12 packages), configure and build first.

BUILD    ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME  ?= 60
KILLS      ?= 200
FUZZ_TARGETS := dates convert database legacy_ini journal layout
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES := cmake make g++ qt6-base-dev libgtest-dev libcli11-dev
CLI      := $(BUILD)/pelmar-cli
DEMO_DB  := $(BUILD)/demo/database

# Builds of one commit give the same bytes: the time that archives, compressed pages and Qt's
# resources record is the commit's (or the changelog's, outside a git checkout).
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null || \
  date -d "$$(sed -n 's/^ -- .*>  //p' resources/debian/changelog | head -n 1)" +%s)
export SOURCE_DATE_EPOCH

.PHONY: all deps configure build demo test test-sanitize fuzz kill-test bench bench-limits clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  if [ "$$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Only what the demo needs: the command line. The price files are only read. The first file goes
# into a fresh empty folder, which gets a new database (on Linux and, with `make windows`, Wine).
demo: configure
	cmake --build $(BUILD) -j$(JOBS) --target pelmar-cli
	rm -rf $(BUILD)/demo && mkdir -p $(DEMO_DB) $(BUILD)/demo/config
	XDG_CONFIG_HOME=$(abspath $(BUILD)/demo/config) $(CLI) convert examples/harbor-mills.csv \
	  --out $(DEMO_DB) --symbol HBML --name "Harbor Mills" --date-format MM_DD_CCYY --no-oi
	XDG_CONFIG_HOME=$(abspath $(BUILD)/demo/config) $(CLI) convert examples/copperline-newest-first.csv \
	  --out $(DEMO_DB) --symbol CPLN --name "Copperline Inc" --date-format CCYYMMDD --no-oi \
	  --reverse --skip-rows 1
	$(CLI) list $(DEMO_DB)
	$(CLI) dump $(DEMO_DB) HBML | head -n 6
	$(CLI) dump $(DEMO_DB) CPLN | head -n 6
	$(CLI) check $(DEMO_DB)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPELMAR_SANITIZE=ON -DPELMAR_BUILD_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j$(JOBS)

# Every fuzz target for FUZZ_TIME seconds, from the seeds in tests/fuzz/corpus (copied, so
# that what the fuzzer finds stays in the build directory).
fuzz:
	$(MAKE) deps PACKAGES="cmake make clang-14 libclang-rt-14-dev qt6-base-dev libcli11-dev"
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPELMAR_FUZZ=ON -DPELMAR_BUILD_TESTS=OFF -DPELMAR_BUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t && cp tests/fuzz/corpus/$$t/* $(FUZZ_BUILD)/corpus/$$t/; \
	  echo "== fuzz_$$t for $(FUZZ_TIME) s"; \
	  ( cd $(FUZZ_BUILD) && ./fuzz_$$t -max_total_time=$(FUZZ_TIME) -max_len=4096 -timeout=20 -print_final_stats=1 \
	      $(abspath $(FUZZ_BUILD))/corpus/$$t > fuzz_$$t.log 2>&1 ); rc=$$?; tail -n 3 $(FUZZ_BUILD)/fuzz_$$t.log; \
	  [ $$rc -eq 0 ] || { cat $(FUZZ_BUILD)/fuzz_$$t.log | tail -n 40; exit 1; }; \
	  [ -z "$$(ls $(FUZZ_BUILD)/crash-* $(FUZZ_BUILD)/leak-* $(FUZZ_BUILD)/timeout-* 2>/dev/null)" ] || exit 1; \
	done

# pelmar-cli killed at random moments while it adds to an existing MASTER.
kill-test: build
	tests/kill-test.sh $(BUILD)/pelmar-cli $(KILLS)

bench: build
	bench/run.sh $(BUILD)

# Hostile 200 MB, 1 GB and 2 GB inputs (an endless line, random bytes): time and peak memory.
bench-limits: build
	bench/limits.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WIN_BUILD) $(REPRO_BUILD)

# --- Windows and packages -------------------------------------------------------------------
# `make windows`: pelmar-cli.exe and the tests of the libraries cross-built with MinGW-w64
# (everything static: no DLL beyond the system's), the tests and the demo run under Wine in a
# fresh prefix inside $(WIN_BUILD) without a window, the demo's files compared byte for byte
# with the Linux build's, $(WIN_BUILD)/pelmar-cli-VERSION-win64.zip and the installer
# $(WIN_BUILD)/pelmar-cli-VERSION-win64-setup.exe, which is installed silently in a prefix of
# its own, converts a UTF-16 file there and is uninstalled again, leaving nothing.
# `make package`: the Debian package $(BUILD)/pelmar_VERSION_ARCH.deb, checked by lintian.
# `make reproducible`: both built once more from a copy of the sources elsewhere, at another
# time: the packages, the zip and the installer must be the same bytes.
WIN_BUILD      ?= build-win
REPRO_BUILD    ?= build-repro
WIN_PACKAGES   := cmake make g++-mingw-w64-x86-64 wine64 googletest libcli11-dev nsis zip
WIN_TOOLCHAIN  := $(CURDIR)/cmake/mingw-w64-x86_64.cmake
WIN_GTEST      := $(abspath $(WIN_BUILD))/googletest
WIN_RUN        := $(CURDIR)/cmake/wine-run.sh $(abspath $(WIN_BUILD))/wine
# Each tests/<folder>/ that exists builds <folder>_tests.
WIN_TESTS      := $(foreach d,platform metastock engine settings,$(if $(wildcard tests/$(d)/CMakeLists.txt),$(d)_tests))
# What a statically linked pelmar-cli.exe may import: Windows' own DLLs only.
WIN_SYSTEM_DLLS := kernel32|msvcrt|advapi32|shell32|user32|ntdll|ws2_32|bcrypt|api-ms-win-.*
DEB_PACKAGES   := dpkg-dev file appstream lintian

.PHONY: windows windows-configure package reproducible

windows: demo
	$(MAKE) deps PACKAGES="$(WIN_PACKAGES)"
	@if [ ! -f $(WIN_GTEST)/lib/cmake/GTest/GTestConfig.cmake ]; then \
	  echo "Building GoogleTest for Windows from /usr/src/googletest (log: $(WIN_BUILD)/googletest.log)"; \
	  mkdir -p $(WIN_BUILD) && \
	  { cmake -S /usr/src/googletest -B $(WIN_BUILD)/googletest-build -DCMAKE_TOOLCHAIN_FILE=$(WIN_TOOLCHAIN) \
	      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(WIN_GTEST) -DBUILD_GMOCK=ON && \
	    cmake --build $(WIN_BUILD)/googletest-build -j$(JOBS) && \
	    cmake --install $(WIN_BUILD)/googletest-build; } > $(WIN_BUILD)/googletest.log 2>&1 || \
	  { tail -n 30 $(WIN_BUILD)/googletest.log; exit 1; }; \
	fi
	$(MAKE) windows-configure
	cmake --build $(WIN_BUILD) -j$(JOBS) --target pelmar-cli $(WIN_TESTS)
	@imports=$$(x86_64-w64-mingw32-objdump -p $(WIN_BUILD)/pelmar-cli.exe | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); \
	echo "pelmar-cli.exe imports:" $$imports; \
	for dll in $$imports; do echo "$$dll" | grep -Eqx '($(WIN_SYSTEM_DLLS))\.dll' || { echo "not a system DLL: $$dll"; exit 1; }; done
	@version=$$(sed -n 's/^project(Pelmar VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt); \
	strings -n 3 -el $(WIN_BUILD)/pelmar-cli.exe | grep -qx "$$version" && \
	grep -aq '<activeCodePage[^>]*>UTF-8</activeCodePage>' $(WIN_BUILD)/pelmar-cli.exe && \
	grep -aq '<longPathAware[^>]*>true</longPathAware>' $(WIN_BUILD)/pelmar-cli.exe && \
	echo "pelmar-cli.exe has its version information ($$version), icon and manifest" || \
	{ echo "pelmar-cli.exe lacks its version information or its manifest"; exit 1; }
	@for t in $(WIN_TESTS); do \
	  echo "== $$t.exe under Wine"; \
	  $(WIN_RUN) $(WIN_BUILD)/$$t.exe --gtest_brief=1 || exit 1; \
	done
	$(MAKE) -o deps -o configure -o build demo BUILD=$(WIN_BUILD) CLI="$(WIN_RUN) $(abspath $(WIN_BUILD))/pelmar-cli.exe"
	diff -r -x config $(BUILD)/demo $(WIN_BUILD)/demo
	@echo "The Windows build's demo files are byte for byte the Linux build's."
	cmake --build $(WIN_BUILD) -j$(JOBS) --target zip installer
	@ls -l $(WIN_BUILD)/pelmar-cli-*-win64.zip $(WIN_BUILD)/pelmar-cli-*-win64-setup.exe
	cmake/installer-check.sh $(WIN_BUILD) $(CLI)

# The cross build's folder, configured; without GoogleTest when WIN_TESTS_OPTION says so.
WIN_TESTS_OPTION ?= -DGTest_DIR=$(WIN_GTEST)/lib/cmake/GTest
windows-configure:
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(WIN_TOOLCHAIN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPELMAR_WITH_QT=OFF -DPELMAR_BUILD_BENCH=OFF -DCMAKE_INSTALL_BINDIR=. -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
	  $(WIN_TESTS_OPTION)

package:
	$(MAKE) deps PACKAGES="$(PACKAGES) $(DEB_PACKAGES)"
	$(MAKE) build
	appstreamcli validate --no-net $(BUILD)/share/metainfo/org.example.pelmar.metainfo.xml
	cd $(BUILD) && cpack -G DEB
	@ls -l $(BUILD)/pelmar_*.deb
	lintian --fail-on error,warning $$(ls -t $(BUILD)/pelmar_*.deb | head -n 1)
	@echo "lintian: no error and no warning"

# After `make package` and `make windows`.
reproducible:
	cmake/reproducible-check.sh $(BUILD) $(WIN_BUILD) $(REPRO_BUILD)
