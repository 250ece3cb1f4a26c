"""menu.exe as built, as built again elsewhere and as signed on the disc: header, imports and resources; and the
pictures as tools/make_assets.py makes them, with the marks the windows are laid out on."""
import pathlib
import shutil
import struct
import subprocess
import sys

import numpy as np
import pefile
import pytest

from test_disc import read_from_image

ROOT = pathlib.Path(__file__).resolve().parent.parent
EXE = ROOT / "build" / "windows" / "menu.exe"

# Every function menu.exe may import from Windows, with the oldest Windows that has it: a new import is a change to
# review, allowed only where Windows XP has it.
OLDEST_WINDOWS = {(dll, name): windows for dll, name, windows in
                  (row.split() for row in (ROOT / "tests" / "imports.txt").read_text().splitlines() if row[:1] != "#")}


@pytest.fixture(scope="module", params=["built", "signed"])
def pe(request):
    if request.param == "built":
        return pefile.PE(str(EXE))
    return pefile.PE(data=read_from_image(request.getfixturevalue("signed_image")[0], "/menu.exe"))


def test_header_and_imports(pe):
    header = pe.OPTIONAL_HEADER
    assert (pe.FILE_HEADER.Machine, header.Subsystem) == (0x14C, 2), "a 32-bit GUI program"
    assert (header.MajorSubsystemVersion, header.MinorSubsystemVersion) <= (5, 1) and \
        (header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion) <= (5, 1), "Windows XP would refuse it"
    assert header.CheckSum == pe.generate_checksum()
    # Run from the swap file when started from a removable drive or the network: a disc taken out while the
    # menu is open cannot end it at a page not yet read.
    assert pe.FILE_HEADER.Characteristics & 0x0C00 == 0x0C00
    # ASLR with its relocations, DEP, no SEH handlers, terminal-server aware.
    assert header.DllCharacteristics & 0x8540 == 0x8540 and header.DATA_DIRECTORY[5].Size > 0
    oldest = {f"{entry.dll.decode()}!{i.name.decode()}": OLDEST_WINDOWS.get((entry.dll.decode(), i.name.decode()))
              for entry in pe.DIRECTORY_ENTRY_IMPORT if entry.dll.decode() != "msvcrt.dll" for i in entry.imports}
    unsupported = [f"{name} ({windows or 'not in the table'})" for name, windows in oldest.items()
                   if windows not in ("2000", "XP")]
    assert not unsupported, f"imports that Windows XP may lack: {unsupported}"


def resources(pe):
    return {(kind.id, name.id): pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
            for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries for name in kind.directory.entries
            for language in name.directory.entries}


def test_resources(pe):
    found = resources(pe)
    icons = found[(14, 1)]  # the program icon: 48, 32 and 16 pixels, 16 colours each
    assert sorted(struct.unpack_from("<BBB", icons, 6 + 14 * i) for i in range(struct.unpack_from("<H", icons, 4)[0])) \
        == [(16, 16, 16), (32, 32, 16), (48, 48, 16)]
    for picture in (101, 102):  # 400 x 300, 8 bits, uncompressed, 256 colours
        assert struct.unpack_from("<iiHHI", found[(2, picture)], 4) == (400, 300, 1, 8, 0)
    # Windows refuses to start a program whose manifest names another processor.
    manifest, manifest64 = (found[(24, 1)].decode(),
                            resources(pefile.PE(str(ROOT / "build" / "windows64" / "menu.exe")))[(24, 1)].decode())
    assert 'level="asInvoker"' in manifest and "supportedOS" in manifest and 'processorArchitecture="x86"' in manifest
    assert 'processorArchitecture="amd64"' in manifest64
    assert (pe.VS_FIXEDFILEINFO[0].FileVersionMS, pe.VS_FIXEDFILEINFO[0].FileVersionLS) == (0x10000, 0)
    strings = {key.decode(): value.decode() for info in pe.FileInfo[0] if hasattr(info, "StringTable")
               for table in info.StringTable if table.LangID == b"040904B0" for key, value in table.entries.items()}
    assert strings["FileVersion"] == strings["ProductVersion"] == "1.00"


def test_a_second_build_elsewhere_is_the_same_file(tmp_path):
    """menu.exe built again from a copy of the sources in another folder, later: the same bytes, which lets whoever
    audits a disc compare its menu.exe with a commit's (see the README)."""
    shutil.copytree(ROOT, tmp_path, dirs_exist_ok=True, ignore=shutil.ignore_patterns("build", ".git"))
    for command in ("--preset windows", "--build --preset windows --target menu"):
        done = subprocess.run(["cmake", *command.split()], cwd=tmp_path, capture_output=True, text=True)
        assert done.returncode == 0, done.stdout + done.stderr
    assert EXE.read_bytes() == (tmp_path / "build" / "windows" / "menu.exe").read_bytes()


def test_the_committed_files_are_what_the_generator_makes(tmp_path):
    subprocess.run([sys.executable, str(ROOT / "tools" / "make_assets.py"), str(tmp_path)], check=True)
    for name in ("menu.bmp", "info.bmp", "menu.ico"):
        assert (tmp_path / name).read_bytes() == (ROOT / "assets" / name).read_bytes(), name


def picture(name):
    data = (ROOT / "assets" / name).read_bytes()
    assert len(data) == 121080 and struct.unpack_from("<IiiHHI", data, 14) == (40, 400, 300, 1, 8, 0)
    palette = np.frombuffer(data, np.uint8, 1024, 54).reshape(256, 4)[:, 2::-1].astype(int)
    return palette[np.frombuffer(data, np.uint8, 120000, 1078).reshape(300, 400)[::-1]]


def red(pixels):
    return pixels[..., 0] - pixels[..., 1:].max(axis=-1) > 60


def light(pixels):
    return pixels @ np.array([0.299, 0.587, 0.114]) > 200


# (picture, what, top, bottom, left, right, test of the area's pixels): where texts lie on the pictures.
MARKS = [(name, "the plain strip at the bottom", 279, 300, 0, 360, lambda p: (p == p[0, 0]).all() and light(p).all())
         for name in ("menu.bmp", "info.bmp")] + [
    ("menu.bmp", "light picture behind the entries", 107, 227, 82, 307, lambda p: light(p).mean() > 0.9 and not red(p).any()),
    ("info.bmp", "the panel under the text box", 81, 274, 9, 392, lambda p: light(p[5:-5, 5:-5]).all()),
]


@pytest.mark.parametrize("name, what, top, bottom, left, right, check", MARKS, ids=[f"{m[0]}: {m[1]}" for m in MARKS])
def test_pictures_have_their_marks(name, what, top, bottom, left, right, check):
    assert check(picture(name)[top:bottom, left:right]), f"{name}: {what}"

