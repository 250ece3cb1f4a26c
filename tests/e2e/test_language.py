"""The menu looks the same on a Greek system (ANSI code page 1253) and on an English one
(1252): its texts are Unicode and its fonts ask for Greek letters, whatever the system's
language. Wine takes the language from the glibc locale it is started in.

Every run leaves the screens it compared under build/e2e-artifacts/language/."""
import time

import numpy as np

from harness import ARTIFACTS, EXE_DIR, FORM_CLASS, LABEL1, LABEL2, HarnessError, Menu, pure_red

FOLDER = ARTIFACTS / "language"
# locale -> (ANSI code page, OEM code page, system locale) that Windows has for that language
LANGUAGES = {
    "el_GR.UTF-8": (1253, 737, 0x0408),
    "en_US.UTF-8": (1252, 437, 0x0409),
}
ARROW = (381, 289)  # the information window's return target
SCREENS = ("menu", "entry-hovered", "information", "install-dialog")
CARET_HEIGHT = 16  # pixels at 96 dpi


def code_pages(desktop) -> tuple[int, int, int]:
    done = desktop.wine(str(EXE_DIR / "codepage.exe"))
    assert done.returncode == 0, f"codepage.exe failed ({done.returncode}): {done.stderr.decode(errors='replace')}"
    ansi, oem, lcid = done.stdout.decode().split()
    return int(ansi), int(oem), int(lcid, 16)


def settled_region(desktop, window, name: str) -> np.ndarray:
    """The window's region once two screenshots a moment apart agree."""
    previous = None
    for _ in range(20):
        image = desktop.screenshot(name)
        current = np.asarray(image.crop(window.rect))
        if previous is not None and np.array_equal(current, previous):
            break
        previous = current
        time.sleep(0.25)
    else:
        raise HarnessError(f"the {name} screen kept changing for 5 s")
    return current


def capture_screens(desktop, menu: Menu, language: str) -> dict[str, tuple[tuple, np.ndarray]]:
    """The four screens as (window rectangle, pixels), each also saved as a picture."""
    screens = {}

    def keep(name, window):
        pixels = settled_region(desktop, window, f"{language}-{name}")
        screens[name] = (window.rect, pixels)
        FOLDER.mkdir(parents=True, exist_ok=True)
        desktop.screenshots[-1][1].crop(window.rect).save(FOLDER / f"{language}-{name}.png")

    form1 = menu.start().window
    keep("menu", form1)
    menu.move_to(*LABEL1.centre)
    menu.wait_client(lambda c: pure_red(LABEL1.of(c)).any(), "hover")
    keep("entry-hovered", form1)

    menu.click_at(*LABEL2.centre)
    form2 = desktop.wait_for_window(lambda w: w.cls == FORM_CLASS and w.hwnd != form1.hwnd, "information window")
    keep("information", form2)

    menu.window = form2
    menu.click_at(*ARROW)
    desktop.wait_for_window(lambda w: w.hwnd == form1.hwnd, "the menu again after the information window")
    menu.window = form1
    menu.click_at(*LABEL1.centre)
    dialog = desktop.wait_for_window(lambda w: w.text == "Εγκατάσταση", "install dialog (Εγκατάσταση)")
    keep("install-dialog", dialog)
    return screens


def test_screens_are_the_same_under_greek_and_english_code_pages(desktop, disc, install_value, standin_log):
    screens = {}
    for language, expected in LANGUAGES.items():
        variables = dict(line.split("=", 1) for line in desktop.shell("print_locale_env", language).splitlines())
        with desktop.wine_environment(**variables):
            ansi, oem, locale = code_pages(desktop)
            assert (ansi, oem, locale) == expected, (
                f"Wine started in {language} gives ANSI code page {ansi}, OEM code page {oem}, "
                f"locale {locale:04x}; expected {expected[0]}, {expected[1]}, {expected[2]:04x}")
            menu = Menu(desktop, disc, standin_log)
            try:
                screens[language] = capture_screens(desktop, menu, language)
            finally:
                menu.kill()

    greek, english = (screens[language] for language in LANGUAGES)
    differences = []
    for name in SCREENS:
        (rect_el, pixels_el), (rect_en, pixels_en) = greek[name], english[name]
        if rect_el != rect_en:
            differences.append(f"{name}: window at {rect_el} in Greek, {rect_en} in English")
            continue
        rows, columns = np.nonzero((pixels_el != pixels_en).any(axis=-1))
        # The information window opens with the caret in its text, blinking in one column.
        if name == "information" and np.unique(columns).size == 1 and rows.size <= CARET_HEIGHT:
            continue
        if rows.size:
            differences.append(f"{name}: {rows.size} pixels differ, within x {columns.min()}-{columns.max()}, "
                               f"y {rows.min()}-{rows.max()} of the window at {rect_el}")
    assert not differences, "Greek and English systems show different screens:\n" + "\n".join(differences) + \
        f"\n(pictures in {FOLDER})"
