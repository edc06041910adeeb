"""Progress of long steps on stderr: silent for steps that finish within a second."""
from __future__ import annotations

import sys
import threading
import time
from types import TracebackType
from typing import Optional, TextIO, Type


class Progress:
    """Announces `what` on stderr once it has taken `delay` seconds, reports later steps as they
    start, and the total time at the end. A step that finishes quickly prints nothing."""

    def __init__(self, what: str, *, enabled: bool = True, delay: float = 1.0, stream: Optional[TextIO] = None) -> None:
        self._what = what
        self._enabled = enabled
        self._delay = delay
        self._stream = stream
        self._lock = threading.Lock()
        self._shown = False
        self._step = ""
        self._start = 0.0
        self._timer: Optional[threading.Timer] = None

    def _out(self) -> TextIO:
        return self._stream if self._stream is not None else sys.stderr

    def _print(self, text: str) -> None:
        print(f"velmora: {text}", file=self._out(), flush=True)

    def _show(self) -> None:
        with self._lock:
            if self._shown:
                return
            self._shown = True
            self._print(f"{self._what} ..." + (f" {self._step}" if self._step else ""))

    def __enter__(self) -> "Progress":
        self._start = time.monotonic()
        if self._enabled:
            self._timer = threading.Timer(self._delay, self._show)
            self._timer.daemon = True
            self._timer.start()
        return self

    def step(self, text: str) -> None:
        """Names the step now running; printed at once when the announcement was made already."""
        with self._lock:
            self._step = text
            shown = self._shown
        if shown:
            self._print(f"  {text}")

    def __exit__(
        self, kind: Optional[Type[BaseException]], error: Optional[BaseException], trace: Optional[TracebackType]
    ) -> None:
        if self._timer is not None:
            self._timer.cancel()
        with self._lock:
            shown = self._shown
        if shown:
            verdict = "done" if kind is None else "stopped"
            self._print(f"{self._what}: {verdict} in {time.monotonic() - self._start:.1f} s")
