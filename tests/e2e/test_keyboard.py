"""The three windows from the keyboard alone, and the menu as a screen reader reads it from
another process."""
import pytest

from harness import FORM_CLASS, LABEL1, LABEL2, PRODUCT, pure_red
from test_install_dialog import DATABASE, DBSETUP, SETUP, assert_ended, assert_started_exactly, is_dialog


def red_entries(menu):
    client = menu.client("keys")
    return [number for number, rect in enumerate((LABEL1, LABEL2), 1) if pure_red(rect.of(client)).sum() > 50]


@pytest.mark.installed
def test_menu_by_keys_runs_the_application_and_reads_to_a_screen_reader(menu, desktop, standin_log):
    desktop.key("Tab", "Tab", "shift+Tab")
    assert menu.wait_client(lambda c: pure_red(LABEL1.of(c)).sum() > 50, "selected") is not None
    assert red_entries(menu) == [1], f"entries red after Tab, Tab, Shift+Tab: {red_entries(menu)}"
    tree = desktop.accessible()[menu.window.hwnd]
    # name, role, state (focused 0x4, selected 0x2, focusable 0x100000, selectable 0x200000), action
    assert tree == [[PRODUCT, "client", tree[0][2], ""],
                    ["1", "Εκτέλεση Εφαρμογής", "menu item", "00300006", "Click"],
                    ["2", "Πληροφορίες", "menu item", "00300000", "Click"],
                    ["3", "Έξοδος", "menu item", "00300000", "Click"],
                    ["4", tree[4][1], "static text", "00000040", ""]], f"the menu as a screen reader reads it: {tree}"
    desktop.key("Return")
    assert_ended(menu, desktop, "Enter on the first entry")
    entries = standin_log.wait_for_entries(1)
    assert [(name, folder.rstrip("\\").upper()) for name, folder, _ in entries] == [("quin.exe", r"E:\QUIN")], entries


def test_information_window_by_keys_and_back_with_esc_in_the_text(menu, desktop):
    desktop.key("Down", "Down", "Return")
    info = desktop.wait_for_window(lambda w: w.child(cls="Edit") is not None, "the information window")
    edit = info.child(cls="Edit")
    original = edit.text
    assert info.focus == edit.hwnd, "the text does not have the keyboard when the window opens"
    desktop.type("x")
    desktop.key("Tab")  # onto the arrow, which shows its word
    shown = desktop.wait_pixels(lambda s: pure_red(s).sum() > 50, "arrow-selected")
    assert pure_red(shown).sum() > 50, "Επιστροφή does not show with the arrow selected"
    desktop.key("Tab")  # back into the text: the caret at its start, nothing selected
    desktop.type("y")
    desktop.key("Escape")
    back = desktop.wait_for_window(lambda w: w.cls == FORM_CLASS and w.child(cls="Edit") is None, "the menu again")
    assert menu.running(), "Esc in the text ended the program"
    assert back.hwnd == menu.window.hwnd
    desktop.key("Return")  # the menu kept its selection: the information entry
    info = desktop.wait_for_window(lambda w: w.child(cls="Edit") is not None, "the information window again")
    desktop.type("z")
    text = desktop.wait_for_window(lambda w: w.hwnd == info.hwnd, "the information window").child(cls="Edit").text
    assert text == "yzx" + original, f"the text begins {text[:20]!r}: expected 'yzx' before the original"
    desktop.key("Escape")
    desktop.wait_no_window(lambda w: w.hwnd == info.hwnd, "the information window after Esc")
    desktop.key("Down", "Return")
    assert_ended(menu, desktop, "Enter on Έξοδος")


def test_dialog_by_keys_starts_the_installers_with_the_pause(menu, desktop, standin_log):
    desktop.key("Down", "Return")
    dialog = desktop.wait_for_window(is_dialog, "the installation dialog")
    desktop.key("space")  # the database box has the keyboard as the dialog opens
    dialog = desktop.wait_for_window(lambda w: is_dialog(w) and w.child(text=DATABASE).check == 0,
                                     "the database box unticked by Space", timeout=5)
    desktop.key("space", "Tab", "Tab", "Return")
    pause = desktop.wait_for_window(lambda w: w.text == "Setup", 'the "Setup" pause')
    assert [name for name, *_ in standin_log.entries()] == ["dbsetup.exe"], standin_log.entries()
    desktop.key("Return")
    assert_ended(menu, desktop, "Enter on the pause")
    assert_started_exactly(standin_log, [DBSETUP, SETUP], "the keys")
    assert pause.pid == dialog.pid
