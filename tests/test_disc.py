"""scripts/make-disc, read back with tools that did not write the image: the names Windows sees
through Joliet, autorun.inf's bytes, the volume labels, the signatures; and the inputs it
refuses without leaving an image behind."""
import re
import subprocess

import pytest

from disc_image import EXE_DIR, MAKE_DISC, read_from_image, run

AUTORUN = b"\xff\xfe" + ("[autorun]\r\nopen=menu.exe\r\nicon=menu.exe\r\nlabel=Quintaral\r\n"
                         "action=Εκκίνηση του Quintaral\r\n").encode("utf-16-le")


def test_image_holds_the_signed_menu_autorun_and_content_as_windows_reads_them(signed_image, signing):
    image, report = signed_image
    # isoinfo converts Joliet's UCS-2 names only to 8-bit character sets: Greek's will do.
    listing = subprocess.run(["isoinfo", "-J", "-j", "iso8859-7", "-f", "-i", image], capture_output=True,
                             encoding="iso8859-7").stdout
    assert sorted(listing.split("\n")[:-1]) == ["/Setup.exe", "/autorun.inf", "/dbsetup.exe", "/menu.exe", "/quin",
                                                "/quin/quin.exe", "/Οδηγίες", "/Οδηγίες/Διαβάστε με.txt"], listing
    assert read_from_image(image, "/autorun.inf") == AUTORUN
    data = image.read_bytes()
    # The ISO 9660 label in the primary descriptor (sector 16), Joliet's, which Explorer shows, in sector 17.
    assert data[16 * 2048 + 40:16 * 2048 + 72].decode("ascii").rstrip() == "Quintaral"
    assert data[17 * 2048:17 * 2048 + 6] == b"\x02CD001"
    assert data[17 * 2048 + 40:17 * 2048 + 72].decode("utf-16-be").rstrip() == "Quintaral"
    assert f"wrote {image.name}: {len(data)} bytes" in report

    signed = read_from_image(image, "/menu.exe")
    (image.parent / "menu.exe").write_bytes(signed)
    verified = run("osslsigncode", "verify", "-CAfile", signing.ca, "-in", image.parent / "menu.exe")
    assert re.findall(r"Message digest algorithm\s+: (\w+)", verified.stdout) == ["SHA1", "SHA256"] and \
        "Number of verified signatures: 2" in verified.stdout and verified.returncode == 0, verified.stdout
    # Signing changes only the header's checksum and certificate entry, and appends the signatures.
    built = (EXE_DIR / "menu.exe").read_bytes()
    header = int.from_bytes(built[0x3C:0x40], "little") + 24
    changed = [i for i, (a, b) in enumerate(zip(built, signed)) if a != b]
    assert all(header + 64 <= i < header + 68 or header + 128 <= i < header + 136 for i in changed), changed[:10]


PROGRAMS = ("quin/quin.exe", "dbsetup.exe", "Setup.exe")


@pytest.mark.parametrize("names, extra, message", [
    (PROGRAMS[:2], [], r"lacks Setup\.exe, which the menu starts"),
    (PROGRAMS + ("docs/Read me?.txt",), [], r"docs/Read me\?\.txt holds a character"),
    (PROGRAMS + ("a" * 61 + ".txt",), [], r"longer than Joliet's 64 characters"),
    (PROGRAMS, ["--sign", "{pfx}", "--password-file", "{out}/wrong"], r"could not sign menu\.exe"),
    (PROGRAMS, ["-o", "{out}/missing/disc.iso"], r"folder .*missing does not"),
], ids=["no Setup.exe", "a name Windows cannot open", "too long for Joliet", "a wrong password", "no output folder"])
def test_bad_input_ends_with_a_message_and_no_image(tmp_path, signing, names, extra, message):
    (tmp_path / "out").mkdir()
    (tmp_path / "out" / "wrong").write_text("not the password\n")
    for name in names:
        (tmp_path / "content" / name).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / "content" / name).write_bytes(b"MZ")
    done = run(MAKE_DISC, "--content", tmp_path / "content", "-o", tmp_path / "out" / "disc.iso",
               *(arg.format(pfx=signing.pfx, out=tmp_path / "out") for arg in extra))
    assert done.returncode != 0 and re.search(message, done.stderr), f"{done.returncode}, {done.stderr}"
    assert not list(tmp_path.rglob("*.iso*")), "an image was left behind"
