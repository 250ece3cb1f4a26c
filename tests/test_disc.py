"""scripts/make-disc, read back with tools that did not write the image: the names Windows sees
through Joliet, autorun.inf's bytes, the volume label, the signatures; and the inputs it
refuses without leaving an image behind."""
import pathlib
import re
import subprocess

import pytest

from disc_image import EXE_DIR, MAKE_DISC, read_from_image, run

AUTORUN = b"\xff\xfe" + ("[autorun]\r\nopen=menu.exe\r\nicon=menu.exe\r\nlabel=Quintaral\r\n"
                         "action=Εκκίνηση του Quintaral\r\n").encode("utf-16-le")


def test_image_holds_the_signed_menu_autorun_and_content_as_windows_reads_them(signed_image, signing):
    image, report = signed_image
    # isoinfo converts Joliet's UCS-2 names only to 8-bit character sets: Greek's will do.
    listing = subprocess.run(["isoinfo", "-J", "-j", "iso8859-7", "-f", "-i", str(image)],
                             capture_output=True).stdout.decode("iso8859-7")
    assert sorted(listing.splitlines()) == sorted([
        "/menu.exe", "/autorun.inf", "/Setup.exe", "/dbsetup.exe", "/quin", "/quin/quin.exe",
        "/Οδηγίες", "/Οδηγίες/Διαβάστε με.txt"]), f"the image's Joliet names:\n{listing}"
    assert read_from_image(image, "/autorun.inf") == AUTORUN

    data = image.read_bytes()
    # Explorer shows the Joliet label (the supplementary descriptor, sector 17); ISO 9660's is
    # in the primary one (sector 16).
    assert data[16 * 2048 + 40:16 * 2048 + 72].decode("ascii").rstrip() == "Quintaral"
    assert data[17 * 2048:17 * 2048 + 6] == b"\x02CD001"
    assert data[17 * 2048 + 40:17 * 2048 + 72].decode("utf-16-be").rstrip() == "Quintaral"
    assert f"wrote {image.name}: {len(data)} bytes" in report

    signed = read_from_image(image, "/menu.exe")
    menu = image.with_name("menu.exe")
    menu.write_bytes(signed)
    verified = run("osslsigncode", "verify", "-CAfile", signing.ca, "-in", menu)
    assert verified.returncode == 0, verified.stdout + verified.stderr
    digests = re.findall(r"Message digest algorithm\s+: (\w+)", verified.stdout)
    assert digests == ["SHA1", "SHA256"] and "Number of verified signatures: 2" in verified.stdout, verified.stdout

    # The program itself is the built one byte for byte: signing changes only the checksum
    # and the certificate table's entry in the header, and appends the signatures.
    built = (EXE_DIR / "menu.exe").read_bytes()
    header = int.from_bytes(built[0x3C:0x40], "little") + 24  # the optional header
    changed = [i for i, (a, b) in enumerate(zip(built, signed)) if a != b]
    assert all(i in range(header + 64, header + 68) or i in range(header + 128, header + 136) for i in changed), \
        f"signing changed bytes at {changed[:10]}"


def content(folder: pathlib.Path, *names: str) -> pathlib.Path:
    for name in names:
        (folder / name).parent.mkdir(parents=True, exist_ok=True)
        (folder / name).write_bytes(b"MZ")
    return folder


PROGRAMS = ("quin/quin.exe", "dbsetup.exe", "Setup.exe")


@pytest.mark.parametrize("case, names, extra, message", [
    ("no Setup.exe", PROGRAMS[:2], [], r"lacks Setup\.exe, which the menu starts"),
    ("a name Windows cannot open", PROGRAMS + ("docs/Read me?.txt",), [], r"docs/Read me\?\.txt holds a character"),
    ("a name too long for Joliet", PROGRAMS + ("a" * 61 + ".txt",), [], r"longer than Joliet's 64 characters"),
    ("a wrong password", PROGRAMS, ["--sign", "{pfx}", "--password-file", "{wrong}"], r"could not sign menu\.exe"),
    ("an output folder that does not exist", PROGRAMS, ["-o", "{out}/missing/disc.iso"], r"folder .*missing does not"),
])
def test_bad_input_ends_with_a_message_and_no_image(tmp_path, signing, case, names, extra, message):
    (tmp_path / "wrong").write_text("not the password\n")
    (tmp_path / "out").mkdir()
    extra = [arg.format(pfx=signing.pfx, wrong=tmp_path / "wrong", out=tmp_path / "out") for arg in extra]
    done = run(MAKE_DISC, "--content", content(tmp_path / "content", *names), "-o", tmp_path / "out" / "disc.iso",
               *extra)
    assert done.returncode != 0 and re.search(message, done.stderr), f"{case}: {done.returncode}, {done.stderr}"
    assert [p.name for p in tmp_path.rglob("*.iso*")] == [], f"{case} left an image behind"
