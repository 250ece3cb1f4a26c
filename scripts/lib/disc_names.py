"""The names and labels of the disc as Windows reads them from its Joliet tree, for scripts/make-disc.

  check CONTENT OUTPUT LABEL PRODUCT   refuses, with a message, content or a label that Windows
                                       could not open, tell apart or show, or an output inside
                                       CONTENT; prints the label for the primary descriptor
  joliet-label IMAGE LABEL             writes LABEL into the image's Joliet descriptor
"""
import os
import re
import sys
import unicodedata

PROGRAMS = ("quin/quin.exe", "dbsetup.exe", "Setup.exe")  # the menu starts these
OWN = ("menu.exe", "autorun.inf")  # the disc's own, made by make-disc
JOLIET_FORBIDDEN = set("*/:;?\\")  # besides control characters; ";" separates Joliet's versions
WINDOWS_FORBIDDEN = JOLIET_FORBIDDEN | set('"<>|')
# Windows opens these as devices, with any extension, in every folder.
DEVICE = re.compile(r"(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\..*)?", re.IGNORECASE)
# The Greek letters in Latin ones, one by one as ELOT 743 spells them (accents are dropped before).
GREEK = dict(zip("ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩ", "A V G D E Z I TH I K L M N X O P R S T Y F CH PS O".split()))


def fail(message: str):
    sys.exit(f"make-disc: {message}")


def windows_key(name: str) -> str:
    """The name as Windows compares names: each character upper-cased on its own, as NTFS's table
    maps one UTF-16 unit to one ("Οδηγίες" is "ΟΔΗΓΊΕΣ", but "ß" stays itself, not "SS")."""
    return "".join(upper if len(upper := c.upper()) == 1 else c for c in name)


def joliet_problem(text: str, forbidden: set, limit: int):
    """What keeps text from Joliet's tree (a name or the label), or None."""
    try:
        text.encode("utf-8")
    except UnicodeEncodeError:
        return "is not UTF-8"
    if any(c in forbidden or unicodedata.category(c) == "Cc" for c in text):
        return "holds a character Windows or Joliet cannot carry"
    if any(ord(c) > 0xFFFF for c in text):
        return "holds a character beyond UCS-2, which Joliet cannot carry"
    if len(text) > limit:
        return f"is longer than Joliet's {limit} characters"
    return None


def check_name(path: str, leaf: str):
    problem = joliet_problem(leaf, WINDOWS_FORBIDDEN, 64)
    if problem:
        fail(f"the name {path} {problem}")
    if leaf.endswith((".", " ")):
        fail(f"the name {path} ends in a dot or a space, which Windows drops")
    if DEVICE.fullmatch(leaf):
        fail(f"the name {path} is a device's, which Windows does not open as a file")


def check_content(content: str, output: str):
    """Every name in content, followed through links as the image follows them; the programs the
    menu starts; and that the image lands outside content, which it would be reading."""
    landing = os.path.realpath(os.path.dirname(output) or ".")
    image = os.path.join(landing, os.path.basename(output))
    inside = f"the output {output} lies inside the content folder {content}"
    files = set()

    def refuse(error: OSError):
        fail(f"cannot read {error.filename}: {error.strerror}")

    for folder, folders, leaves in os.walk(content, onerror=refuse, followlinks=True):
        if os.path.realpath(folder) == landing:
            fail(inside)
        relative = os.path.relpath(folder, content)
        seen = {windows_key(own): own for own in OWN} if relative == "." else {}
        folders.sort()
        for leaf in sorted(folders + leaves):
            path = os.path.normpath(os.path.join(relative, leaf))
            check_name(path, leaf)
            other = seen.setdefault(windows_key(leaf), path)
            if other in OWN:
                fail(f"{content} holds its own {other}; the disc's is made here")
            if other != path:
                fail(f"the names {other} and {path} differ only in case, which Windows cannot tell apart")
        for leaf in leaves:
            disk = os.path.join(folder, leaf)
            if os.path.realpath(disk) == image:
                fail(inside)
            if os.path.isfile(disk):
                files.add(windows_key(os.path.normpath(os.path.join(relative, leaf))))
    for program in PROGRAMS:
        if windows_key(program) not in files:
            shown = program.replace("/", "\\")
            fail(f"{content} lacks {shown}, which the menu starts")


def primary_label(label: str, product: str) -> str:
    """The label in d-characters (A-Z, 0-9, _) for the primary descriptor, which readers without
    Joliet show: upper case, accents dropped, Greek letters in Latin ones, every other character
    "_", none at either end, at most 32; the product's name if nothing is left."""
    letters = "".join(GREEK.get(c, c) for c in unicodedata.normalize("NFKD", label.upper())
                      if not unicodedata.combining(c))
    return re.sub("[^A-Z0-9_]", "_", letters)[:32].strip("_") or product.upper()


def check_label(label: str):
    problem = "is empty" if not label else joliet_problem(label, JOLIET_FORBIDDEN, 16)
    if problem:
        fail(f"the label '{label}' {problem}")


def write_joliet_label(image: str, label: str):
    """xorriso gives both descriptors one label, of at most 32 bytes: Joliet's, which Windows
    shows, is written here in UCS-2, 16 characters padded with blanks."""
    with open(image, "r+b") as disc:
        for sector in range(17, 32):  # the descriptors follow the primary one in sector 16
            disc.seek(sector * 2048)
            descriptor = disc.read(91)
            if descriptor[:6] == b"\xffCD001":
                break
            if descriptor[:6] == b"\x02CD001" and descriptor[88:91] in (b"%/@", b"%/C", b"%/E"):
                disc.seek(sector * 2048 + 40)
                disc.write(label.ljust(16).encode("utf-16-be"))
                return
    fail(f"{image} has no Joliet descriptor")


if __name__ == "__main__":
    match sys.argv[1:]:
        case ["check", content, output, label, product]:
            check_label(label)
            check_content(content, output)
            print(primary_label(label, product))
        case ["joliet-label", image, label]:
            write_joliet_label(image, label)
        case _:
            fail(f"usage: {sys.argv[0]} check CONTENT OUTPUT LABEL PRODUCT | joliet-label IMAGE LABEL")
