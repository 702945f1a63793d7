"""What the release tests share: the chain importable as it runs, and where a built tree is."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))


def pytest_addoption(parser):
    parser.addoption("--build-tree", help="the i686 build tree (end-to-end tests)")
    parser.addoption("--work", help="a folder of the end-to-end tests' own")
    parser.addoption("--upgrade-msi", help="the installer package of the next version")
    parser.addoption("--file-version", help="the exe's file version")
