"""The main job of `make demo`: stem a sample sentence with the bundled English model."""
import subprocess
import sys

SENTENCE = "The running foxes were jumping over lazy dogs while geese and mice watched"

print(f"$ velmora stem <<< {SENTENCE!r}")
result = subprocess.run(
    [sys.executable, "-m", "velmora", "stem"], input=SENTENCE, text=True, capture_output=True, check=True
)
print(" ".join(result.stdout.split()))
