"""The release chain: makes a release of the tree's commit, records how, and checks one by
rebuilding it. release/README.md maps the modules."""
