# SPDX-License-Identifier: GPL-3.0-or-later
BUILD ?= build
FUZZ_BUILD ?= build-fuzz
SANITIZE_BUILD ?= build-sanitize
FUZZ_SECONDS ?= 60
BUILD_TYPE ?= RelWithDebInfo
WERROR ?= $(if $(CI),ON,OFF)
JOBS ?= $(shell nproc)
PREFIX ?= $(HOME)/.local

.PHONY: all deps configure build run test sanitize fuzz bench install uninstall package format clean

all: build

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DVANTARO_WERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/vantaro && ./vantaro

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The whole suite again, everything built with AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
		-DVANTARO_WERROR=$(WERROR) -DVANTARO_SANITIZE=ON >/dev/null
	@bash .ci/with-sanitizers cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && bash $(CURDIR)/.ci/with-sanitizers ctest --output-on-failure -j $(JOBS) --timeout 600

fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DCMAKE_BUILD_TYPE=Debug -DVANTARO_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	bash fuzz/run-all $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	bash bench/run-all $(BUILD)

# The program folder under PREFIX/lib/vantaro, the command PREFIX/bin/vantaro, the menu entry, the
# icon, the AppStream file and the manual page under PREFIX/share (packaging/CMakeLists.txt).
install: build
	bash scripts/desktop-install install $(BUILD) $(PREFIX)

uninstall: build
	bash scripts/desktop-install uninstall $(BUILD) $(PREFIX)

# The Debian package $(BUILD)/vantaro_<version>_<arch>.deb, from the same install rules.
package: build
	cd $(BUILD) && cpack --config CPackConfig.cmake

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(SANITIZE_BUILD)
