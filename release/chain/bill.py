"""The bill of materials, CycloneDX 1.5 JSON: the release's files with their SHA-256, and the
packages the linker put into the exe with their versions, package URLs and licences. The same
content always gets the same serial number."""

from __future__ import annotations

import hashlib
import json
import time

from chain import packages
from chain.model import Release


def _text(value) -> str:
    return json.dumps(value, indent=2, ensure_ascii=False) + "\n"


def write(release: Release, sums: dict[str, str], linked: list[str], epoch: int) -> str:
    """`sums`: SHA-256 by file name, for the release's built files; `linked`: "name:arch
    (= version)" of each linked package."""
    files = [{"type": "file", "bom-ref": f"file:{f.name}", "name": f.name, "version": release.version,
              "hashes": [{"alg": "SHA-256", "content": sums[f.name]}]} for f in release.files]
    libraries = []
    for package in linked:
        name_arch, version = package.split(" (= ")
        name, arch = name_arch.split(":")
        version = version.rstrip(")")
        # A package URL: "+" is escaped in its version.
        purl = f"pkg:deb/debian/{name}@{version.replace('+', '%2B')}?arch={arch}"
        libraries.append({"type": "library", "bom-ref": purl, "name": name, "version": version,
                          "description": f"linked into {release.tool}",
                          "licenses": [packages.licence(package)], "purl": purl})
    body = {"components": files + libraries,
            "dependencies": [{"ref": f"file:{release.tool}",
                              "dependsOn": [library["purl"] for library in libraries]}]}
    digest = hashlib.sha256(_text(body).encode()).hexdigest()
    serial = f"{digest[:8]}-{digest[8:12]}-5{digest[13:16]}-8{digest[17:20]}-{digest[20:32]}"
    return _text({"bomFormat": "CycloneDX", "specVersion": "1.5", "serialNumber": f"urn:uuid:{serial}",
                  "version": 1,
                  "metadata": {"timestamp": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(epoch)),
                               "component": {"type": "application", "bom-ref": release.product,
                                             "name": release.product, "version": release.version}},
                  **body})
