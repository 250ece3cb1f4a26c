"""The publisher's disc as the tests make and read it: a throwaway self-signed code-signing
certificate (openssl), and images that scripts/make-disc writes and signs with it."""
import os
import pathlib
import shutil
import subprocess
import types

import pytest

ROOT = pathlib.Path(__file__).resolve().parent.parent
MAKE_DISC = ROOT / "scripts" / "make-disc"
EXE_DIR = pathlib.Path(os.environ.get("QUIN_DISC_EXE_DIR", ROOT / "build" / "windows"))  # as make-disc reads it
# Beside the three programs the menu starts, a name Joliet keeps only as Unicode.
CONTENT = ("quin/quin.exe", "dbsetup.exe", "Setup.exe", "Οδηγίες/Διαβάστε με.txt")


def run(*args, **options) -> subprocess.CompletedProcess:
    return subprocess.run([str(arg) for arg in args], capture_output=True, text=True, timeout=300, **options)


@pytest.fixture(scope="session")
def signing(tmp_path_factory):
    folder = tmp_path_factory.mktemp("signing")
    (folder / "password").write_text("a passphrase with spaces\n")
    for command in ("req -x509 -newkey rsa:2048 -nodes -keyout publisher.key -out publisher.pem -days 2"
                    " -subj /CN=Test_Publisher -addext keyUsage=critical,digitalSignature"
                    " -addext extendedKeyUsage=codeSigning",
                    "pkcs12 -export -inkey publisher.key -in publisher.pem -out publisher.pfx -passout file:password"):
        done = run("openssl", *command.split(), cwd=folder)
        assert done.returncode == 0, f"openssl {command}: {done.stderr}"
    return types.SimpleNamespace(ca=folder / "publisher.pem", pfx=folder / "publisher.pfx", password=folder / "password")


def make_image(signing, folder: pathlib.Path, exe_dir: pathlib.Path = EXE_DIR):
    """(the image, what make-disc printed): the stand-ins from exe_dir as the disc's programs,
    signed; run from folder with relative paths, as a publisher would."""
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
