"""Runs a command of the chain (cli.py), as release/make, release/check and the build do:
  /usr/bin/python3 -I -S -B -X pycache_prefix=/dev/null/none release/chain COMMAND ARGS
isolated from the caller's Python settings and site packages; compiled code is neither written
nor read, as a file left beside the sources would be one the build reads that no commit holds."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))

from chain import cli  # noqa: E402

sys.exit(cli.main(sys.argv[1:]))
