"""Versions of the packages the bundled models are built from, as the maintainer's machine has them installed:
recorded in models/SOURCES.json and in the quality benchmark's cache keys. Maintainer tooling only: the wheel
never asks dpkg."""
from __future__ import annotations

import subprocess


def package_version(package: str, kind: str) -> str:
    """`kind` is a Source's package_kind: "pypi", "debian" or "velmora" (data kept in the package itself)."""
    if kind == "pypi":
        from importlib import metadata

        try:
            return metadata.version(package)
        except metadata.PackageNotFoundError:
            return "not installed"
    if kind == "debian":
        try:
            out = subprocess.run(
                ["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True, check=False
            )
        except OSError:
            return "unknown"
        return out.stdout.strip() or "not installed"
    if kind == "velmora":
        return "this release"
    return "unknown"


def source_version(source) -> str:
    return package_version(source.package, source.package_kind)
