"""What the release tests share: the chain importable as it runs, and where a built tree is."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))


def pytest_addoption(parser):
    # The end-to-end tests': the i686 build tree, a folder of their own, the next version's
    # installer package and the exe's file version.
    for name in ("--build-tree", "--work", "--upgrade-msi", "--file-version"):
        parser.addoption(name)
