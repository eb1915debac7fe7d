# Newcomer entry points: `make run` starts the wizard, `make test` runs every test.
# Both install the Debian packages the build needs first (skipped when all are present).

BUILD    ?= build
JOBS     ?= $(shell nproc)
PACKAGES := cmake g++ make pkg-config libwxgtk3.2-dev zlib1g-dev libgtest-dev libgmock-dev \
            libbenchmark-dev xvfb xauth desktop-file-utils libglib2.0-bin xdotool
SUDO     := $(if $(filter 0,$(shell id -u)),,sudo)

.PHONY: deps configure build run test bench clean

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null \
	    | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "installing:" $$missing; \
	    $(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/setup

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	./$(BUILD)/bench/codec_bench

clean:
	rm -rf $(BUILD)
