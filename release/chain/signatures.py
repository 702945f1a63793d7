"""Authenticode signatures of a release's files: taken out whole (a signature cannot be rebuilt,
only attached again), and their signer named: the certificate that the signature's signer info
names by issuer and serial, wherever it stands among the signature's certificates, with its
SHA-256 fingerprint and whether it chains to a root this machine trusts (OpenSSL's roots:
ca-certificates, or the file SSL_CERT_FILE names)."""

from __future__ import annotations

import re
import subprocess
from dataclasses import dataclass
from pathlib import Path

_UNSIGNED = ("No signature found", "MSI file has no signature")
_PEM = re.compile(r"-----BEGIN CERTIFICATE-----\n.*?-----END CERTIFICATE-----\n", re.S)


@dataclass(frozen=True)
class Signer:
    subject: str
    fingerprint: str  # SHA-256, as openssl prints it
    trusted: bool

    def __str__(self) -> str:
        trust = "a root this machine trusts" if self.trusted else "no root this machine trusts"
        return f"signed by {self.subject} (certificate SHA-256 {self.fingerprint}), which chains to {trust}"


class Unreadable(Exception):
    pass


def _openssl(*args: str, stdin: bytes | None = None) -> str:
    done = subprocess.run(["openssl", *args], input=stdin, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE)
    if done.returncode != 0:
        raise Unreadable(f"openssl {args[0]}: {done.stderr.decode(errors='replace').strip()}")
    return done.stdout.decode(errors="replace")


def extract(file: Path, signature: Path) -> bool:
    """Writes the signature of `file` (PKCS#7, DER) to `signature`; False when it has none."""
    signature.unlink(missing_ok=True)  # osslsigncode writes no file that exists
    done = subprocess.run(["osslsigncode", "extract-signature", "-in", str(file), "-out", str(signature)],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    said = done.stdout.decode(errors="replace")
    if done.returncode == 0:
        return True
    if any(line.strip() in _UNSIGNED for line in said.splitlines()):
        return False
    raise Unreadable(f"the signature of {file.name} cannot be read: {said.strip()}")


def _serial(text: str) -> str:
    return text.strip().upper().removeprefix("0X").lstrip("0") or "0"


def signer(signature: Path) -> Signer:
    """The signer of a signature written by `extract`, and the certificates that came with it
    (beside it, as <name>.pem) for attaching it again."""
    der = signature.read_bytes()
    printed = _openssl("pkcs7", "-inform", "DER", "-print", stdin=der)
    info = printed[printed.find("signer_info:"):] if "signer_info:" in printed else ""
    found = re.search(r"^\s*serial:\s*(\S+)", info, re.M)
    if not found:
        raise Unreadable(f"the signature {signature.name} names no signer")
    serial = _serial(found.group(1))
    pem = _openssl("pkcs7", "-inform", "DER", "-print_certs", stdin=der)
    signature.with_suffix(".pem").write_text(pem)
    matching = []
    for certificate in _PEM.findall(pem):
        said = _openssl("x509", "-noout", "-serial", stdin=certificate.encode())
        if _serial(said.split("=", 1)[1]) == serial:
            matching.append(certificate)
    if len(matching) != 1:
        raise Unreadable(f"the signature {signature.name} holds {len(matching)} certificates of its "
                         f"signer's serial {serial}, not one")
    certificate = matching[0].encode()
    subject = _openssl("x509", "-noout", "-subject", "-nameopt", "compat", stdin=certificate)
    fingerprint = _openssl("x509", "-noout", "-fingerprint", "-sha256", stdin=certificate)
    chain = signature.with_suffix(".pem")
    verified = subprocess.run(["openssl", "verify", "-untrusted", str(chain)], input=certificate,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return Signer(subject.strip().removeprefix("subject="), fingerprint.strip().split("=", 1)[1],
                  verified.returncode == 0)
