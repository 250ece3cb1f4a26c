"""The publisher's disc as scripts/make-disc writes it, signed with a throwaway certificate: read back
with tools that did not write it (Joliet names, autorun.inf, labels, signatures), and the inputs it
refuses without leaving an image behind. The other tests take their images from here."""
import pathlib
import re
import shutil
import subprocess
import types

import pytest

ROOT = pathlib.Path(__file__).resolve().parent.parent
MAKE_DISC = ROOT / "scripts" / "make-disc"
EXE_DIR = ROOT / "build" / "windows"
PROGRAMS = ("quin/quin.exe", "dbsetup.exe", "Setup.exe")
# Beside the three programs the menu starts, a name Joliet keeps only as Unicode, and two that
# Windows tells apart: it upper-cases "ß" to itself.
CONTENT = PROGRAMS + ("Οδηγίες/Διαβάστε με.txt", "Straße.txt", "STRASSE.TXT")
# Every path the publisher gives holds a leading dash, blanks, Greek, quotes, "=" and "\\=".
ODD = "-Δίσκος = 'α' \"β\" \\\\="
LABEL, PRIMARY_LABEL = "Εγκατάσταση 2026", "EGKATASTASI_2026"


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


def make_image(signing, folder: pathlib.Path, exe_dir: pathlib.Path = EXE_DIR, label: str = LABEL):
    """(the image, make-disc's report): exe_dir's stand-ins as its programs, signed, run in folder on relative paths."""
    (folder / ODD).mkdir()
    shutil.copy(signing.password, folder / ODD / "password")
    for name in CONTENT:
        path = folder / ODD / "content" / name
        path.parent.mkdir(parents=True, exist_ok=True)
        if name.endswith(".exe"):
            shutil.copy(exe_dir / "standin.exe", path)
        else:
            path.write_text("Τοποθετήστε τον δίσκο.\r\n", encoding="utf-8")
    done = run(MAKE_DISC, "--content", f"{ODD}/content", "--sign", signing.pfx, "--password-file", f"{ODD}/password",
               "--label", label, "-o", f"{ODD}/Quintaral.iso", cwd=folder)
    assert done.returncode == 0, f"make-disc failed: {done.stderr}"
    return folder / ODD / "Quintaral.iso", done.stdout


@pytest.fixture(scope="session")
def signed_image(signing, tmp_path_factory):
    return make_image(signing, tmp_path_factory.mktemp("image"))


def read_from_image(image: pathlib.Path, path: str) -> bytes:
    """A file of the image by its Joliet name, read with genisoimage's isoinfo (not the writer)."""
    done = subprocess.run(["isoinfo", "-J", "-i", str(image), "-x", path], capture_output=True, timeout=60)
    assert done.returncode == 0 and done.stdout, f"isoinfo could not read {path}: {done.stderr!r}"
    return done.stdout


AUTORUN = b"\xff\xfe" + (f"[autorun]\r\nopen=menu.exe\r\nicon=menu.exe\r\nlabel={LABEL}\r\n"
                         "action=Εκκίνηση του Quintaral\r\n").encode("utf-16-le")


def test_image_holds_the_signed_menu_autorun_and_content_as_windows_reads_them(signed_image, signing, tmp_path):
    image, report = signed_image
    # isoinfo converts Joliet's UCS-2 names only to 8-bit character sets: Greek's will do ("ß" reads "_").
    listing = subprocess.run(["isoinfo", "-J", "-j", "iso8859-7", "-f", "-i", image], capture_output=True,
                             encoding="iso8859-7").stdout
    assert sorted(listing.split("\n")[:-1]) == ["/STRASSE.TXT", "/Setup.exe", "/Stra_e.txt", "/autorun.inf",
                                                "/dbsetup.exe", "/menu.exe", "/quin", "/quin/quin.exe", "/Οδηγίες",
                                                "/Οδηγίες/Διαβάστε με.txt"], listing
    assert read_from_image(image, "/autorun.inf") == AUTORUN
    data = image.read_bytes()
    # The ISO 9660 label in the primary descriptor (sector 16). Joliet's, which Explorer shows, in sector 17: 16 UCS-2
    # characters, where a shorter label's blanks cover the longer primary one xorriso put there (PSIFIAKO_ARCHEIO).
    assert data[16 * 2048 + 40:16 * 2048 + 72].decode("ascii").rstrip() == PRIMARY_LABEL
    short = make_image(signing, tmp_path, label="Ψηφιακό Αρχείο")[0].read_bytes()
    assert short[17 * 2048 + 40:17 * 2048 + 72] == "Ψηφιακό Αρχείο  ".encode("utf-16-be")
    assert f"{ODD}/Quintaral.iso: {len(data)} bytes" in report

    (image.parent / "menu.exe").write_bytes(read_from_image(image, "/menu.exe"))
    verified = run("osslsigncode", "verify", "-CAfile", signing.ca, "-in", image.parent / "menu.exe")
    assert re.findall(r"Message digest algorithm\s+: (\w+)", verified.stdout) == ["SHA1", "SHA256"] and \
        "Number of verified signatures: 2" in verified.stdout and verified.returncode == 0, verified.stdout
    # Without its signatures, the program as built: how anyone checks a disc against a commit's build.
    run("osslsigncode", "remove-signature", "-in", image.parent / "menu.exe", "-out", image.parent / "unsigned.exe")
    assert (image.parent / "unsigned.exe").read_bytes() == (EXE_DIR / "menu.exe").read_bytes()


@pytest.mark.parametrize("names, extra, message", [
    (PROGRAMS[:2], [], r"lacks Setup\.exe, which the menu starts"),
    (PROGRAMS + ("docs/Read me|.txt",), [], r"docs/Read me\|\.txt holds a character"),
    (PROGRAMS + ("a" * 61 + ".txt",), [], r"longer than Joliet's 64 characters"),
    (PROGRAMS + ("a" * 60 + "/" + "b" * 60,), [], r"path length is larger than 240"),  # 243 bytes in Joliet
    (PROGRAMS + ("docs /a.txt",), [], r"name docs  ends in a dot or a space"),
    (PROGRAMS + ("Autorun.inf",), [], r"holds its own autorun\.inf"),
    (PROGRAMS, ["--sign", "{pfx}"], r"could not sign menu\.exe"),
    (PROGRAMS, ["-o", "{tmp}/missing/disc.iso"], r"folder .*missing does not"),
    (PROGRAMS + ("Οδηγίες/a.txt", "ΟΔΗΓΊΕΣ/b.txt"), [], r"names ΟΔΗΓΊΕΣ and Οδηγίες differ only in case"),
    (PROGRAMS + ("docs/Aux.txt",), [], r"name docs/Aux\.txt is a device's"),
    (PROGRAMS + ("AUX",), [], r"name AUX is a device's"),
    (PROGRAMS, ["-o", "{tmp}/content/quin/../disc.iso"], r"output .*/quin/\.\./disc\.iso lies inside the content"),
    (PROGRAMS, ["--label", "a/b"], r"label 'a/b' holds a character Windows or Joliet cannot carry"),
    (PROGRAMS, ["--label", "Quintaral 💿"], r"label 'Quintaral 💿' holds a character beyond UCS-2"),
], ids=["no Setup.exe", "a name Windows cannot open", "a name too long", "a path too long", "a blank at the end",
        "the disc's own autorun.inf", "no password", "no output folder", "Greek names alike but for case",
        "a device's name", "a device's name alone", "output inside the content", "a label with /", "a label beyond UCS-2"])
def test_bad_input_ends_with_a_message_and_no_image(tmp_path, signing, names, extra, message):
    for name in names:
        (tmp_path / "content" / name).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / "content" / name).write_bytes(b"MZ")
    done = run(MAKE_DISC, "--content", tmp_path / "content", "-o", tmp_path / "disc.iso",
               *(arg.format(pfx=signing.pfx, tmp=tmp_path) for arg in extra))
    assert done.returncode != 0 and re.search(message, done.stderr), f"{done.returncode}, {done.stderr}"
    assert not list(tmp_path.rglob("*.iso*")), "an image was left behind"
