"""The signer of a signature is the certificate its signer info names, wherever it stands."""

from pathlib import Path

from chain import signatures

FIXTURES = Path(__file__).parent / "fixtures"


def test_the_signer_is_the_leaf_not_the_first_certificate(tmp_path, monkeypatch):
    # Signed by osslsigncode with a leaf that a CA issued: the CA's certificate comes first.
    signature = tmp_path / "GetSessionLevel.exe.sig"
    signature.write_bytes((FIXTURES / "signed-by-leaf-ca-first.p7s").read_bytes())
    monkeypatch.setenv("SSL_CERT_FILE", str(FIXTURES / "ca.pem"))
    signer = signatures.signer(signature)
    assert (signer.subject, signer.trusted) == ("/CN=Test signer", True)
    assert signer.fingerprint.startswith("E1:10:56:F5:07:7D:5B:30")
    assert (tmp_path / "GetSessionLevel.exe.pem").read_text().count("BEGIN CERTIFICATE") == 2
    monkeypatch.setenv("SSL_CERT_FILE", str(tmp_path / "no roots.pem"))
    (tmp_path / "no roots.pem").write_text("")
    assert not signatures.signer(signature).trusted
