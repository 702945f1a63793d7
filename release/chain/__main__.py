"""Runs a command of the chain: /usr/bin/python3 -I release/chain COMMAND ARGS (cli.py)."""

import sys
from pathlib import Path

# Neither written nor read: compiled code left beside the sources would be a file the build
# reads that no commit holds.
sys.dont_write_bytecode = True
sys.pycache_prefix = "/nonexistent"
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))

from chain import cli  # noqa: E402

sys.exit(cli.main(sys.argv[1:]))
