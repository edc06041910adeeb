# Two entry points: `make demo` and `make test`. Both set up everything they need
# (Debian packages, a virtual environment, the package) on a fresh machine.
SHELL := /bin/bash
PYTHON ?= python3
VENV := .venv
VPY := $(VENV)/bin/python
JOBS ?= 2
APT_PACKAGES := libicu-dev zlib1g-dev libgtest-dev pkg-config g++ make

.PHONY: demo test setup apt venv install cpptest pytest bench models clean

demo: install
	$(VPY) tools/demo.py

test: install cpptest pytest

setup: install

apt:
	@missing=""; for p in $(APT_PACKAGES); do \
	  dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi

$(VPY):
	$(PYTHON) -m venv $(VENV)

venv: apt $(VPY)
	$(VPY) -m pip install -q --upgrade pip
	$(VPY) -m pip install -q "scikit-build-core>=0.10" cmake ninja pytest hypothesis

install: venv
	$(VPY) -m pip install -q --no-build-isolation -Cbuild-dir=build/py ".[test]"

cpptest: venv
	$(VENV)/bin/cmake -S . -B build/cpp -G Ninja -DVELMORA_BUILD_TESTS=ON -DCMAKE_BUILD_TYPE=Release
	$(VENV)/bin/cmake --build build/cpp -j $(JOBS)
	cd build/cpp && ../../$(VENV)/bin/ctest --output-on-failure -j $(JOBS)

pytest: install
	$(VPY) -m pytest -q tests/python

bench: install
	$(VPY) -m pip install -q PyStemmer snowballstemmer nltk simplemma matplotlib
	$(VPY) bench/run.py

clean:
	rm -rf build dist

models: install
	$(VPY) tools/build_models.py
