"""The publisher's disc as the tests read it back, check its menu.exe and run the menu from it:
a throwaway certificate authority and code-signing certificate, made with openssl in the
session's temporary folder, and images made by scripts/make-disc and signed with them."""
import os
import pathlib
import shutil
import subprocess
import types

import pytest

ROOT = pathlib.Path(__file__).resolve().parent.parent
MAKE_DISC = ROOT / "scripts" / "make-disc"
# The build that ships, unless the disc is to hold another (as make-disc reads it).
EXE_DIR = pathlib.Path(os.environ.get("QUIN_DISC_EXE_DIR", ROOT / "build" / "windows"))
# Beside the three programs the menu starts, a name Joliet keeps only as Unicode.
CONTENT = ("quin/quin.exe", "dbsetup.exe", "Setup.exe", "Οδηγίες/Διαβάστε με.txt")


def run(*args, **options) -> subprocess.CompletedProcess:
    return subprocess.run([str(arg) for arg in args], capture_output=True, text=True, timeout=300, **options)


def openssl(*args):
    done = run("openssl", *args)
    assert done.returncode == 0, f"openssl {' '.join(map(str, args))}: {done.stderr}"


@pytest.fixture(scope="session")
def signing(tmp_path_factory):
    folder = tmp_path_factory.mktemp("signing")
    ca, key, request, cert = (folder / name for name in ("ca.pem", "ca.key", "publisher.csr", "publisher.pem"))
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", ca, "-days", "2",
            "-subj", "/CN=Quintaral Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", folder / "publisher.key", "-out", request,
            "-subj", "/CN=Quintaral Test Publisher")
    (folder / "ext").write_text("keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
    openssl("x509", "-req", "-in", request, "-CA", ca, "-CAkey", key, "-CAcreateserial", "-days", "2",
            "-extfile", folder / "ext", "-out", cert)
    (folder / "password").write_text("a passphrase with spaces\n")
    openssl("pkcs12", "-export", "-inkey", folder / "publisher.key", "-in", cert, "-out", folder / "publisher.pfx",
            "-passout", f"file:{folder / 'password'}")
    return types.SimpleNamespace(ca=ca, pfx=folder / "publisher.pfx", password=folder / "password")


def make_image(signing, folder: pathlib.Path, exe_dir: pathlib.Path = EXE_DIR):
    """(path of the image, what make-disc printed): the stand-ins from exe_dir as the disc's
    programs, signed; run from folder with relative paths, as a publisher would."""
    if not (exe_dir / "standin.exe").is_file():
        pytest.fail(f"{exe_dir / 'standin.exe'} is not built", pytrace=False)
    for name in CONTENT:
        path = folder / "content" / name
        path.parent.mkdir(parents=True, exist_ok=True)
        if name.endswith(".exe"):
            shutil.copy(exe_dir / "standin.exe", path)
        else:
            path.write_text("Τοποθετήστε τον δίσκο.\r\n", encoding="utf-8")
    done = run(MAKE_DISC, "--content", "content", "--sign", signing.pfx, "--password-file", signing.password,
               "-o", "Quintaral.iso", cwd=folder, env=dict(os.environ, QUIN_DISC_EXE_DIR=str(exe_dir)))
    assert done.returncode == 0, f"make-disc failed: {done.stderr}"
    return folder / "Quintaral.iso", done.stdout


@pytest.fixture(scope="session")
def signed_image(signing, tmp_path_factory):
    return make_image(signing, tmp_path_factory.mktemp("image"))


def read_from_image(image: pathlib.Path, path: str) -> bytes:
    """A file of the image by its Joliet name, read with genisoimage's isoinfo (not the writer)."""
    done = subprocess.run(["isoinfo", "-J", "-i", str(image), "-x", path], capture_output=True, timeout=60)
    assert done.returncode == 0 and done.stdout, f"isoinfo could not read {path}: {done.stderr!r}"
    return done.stdout
