"""The entries light up red under the pointer and go black again only over bare picture."""
import time

from harness import BARE_PICTURE, ENTRIES, LABEL1, LABEL2, LABEL4, dark, pure_red


def red_count(menu_client, rect):
    return int(pure_red(rect.of(menu_client)).sum())


def dark_count(menu_client, rect):
    return int(dark(rect.of(menu_client)).sum())


def test_entries_turn_red_under_the_pointer_and_black_over_bare_picture(menu):
    menu.move_to(*BARE_PICTURE)
    before = menu.client("before")
    black = {rect: dark_count(before, rect) for rect in ENTRIES}
    for rect in ENTRIES:
        assert black[rect] > 50 and red_count(before, rect) == 0, \
            f"entry {rect} before any hover: {black[rect]} black, {red_count(before, rect)} red pixels"

    for number, rect in enumerate(ENTRIES, 1):
        menu.move_to(*rect.centre)
        over = menu.wait_client(lambda c: red_count(c, rect) > 0, f"over-entry-{number}")
        assert red_count(over, rect) >= black[rect] // 2 and dark_count(over, rect) == 0, (
            f"pointer over entry {number}: {red_count(over, rect)} pure red and {dark_count(over, rect)} black "
            f"pixels (it had {black[rect]} black ones)")
        for other in ENTRIES:
            if other is not rect:
                assert red_count(over, other) == 0, f"entry {other} turned red while the pointer was on {number}"

        menu.move_to(*BARE_PICTURE)
        back = menu.wait_client(lambda c: red_count(c, rect) == 0, f"back-from-entry-{number}")
        assert red_count(back, rect) == 0, f"entry {number} still has {red_count(back, rect)} red pixels over bare picture"
        assert abs(dark_count(back, rect) - black[rect]) <= black[rect] // 50, \
            f"entry {number} has {dark_count(back, rect)} black pixels again, {black[rect]} before"

    # The copyright line has no handlers: nothing changes under the pointer.
    menu.move_to(*LABEL4.centre)
    time.sleep(0.5)
    over_copyright = menu.client("over-copyright")
    assert red_count(over_copyright, LABEL4) == 0, "the copyright line turned red"
    for rect in ENTRIES:
        assert red_count(over_copyright, rect) == 0, f"entry {rect} turned red over the copyright line"


def test_first_entry_stays_red_when_the_pointer_jumps_onto_the_second(menu):
    menu.move_to(*BARE_PICTURE)
    menu.move_to(*LABEL1.centre)
    first = menu.wait_client(lambda c: red_count(c, LABEL1) > 0, "over-entry-1")
    red_first = red_count(first, LABEL1)
    assert red_first > 50, f"entry 1 did not turn red under the pointer ({red_first} red pixels)"

    # One motion event from inside entry 1 to inside entry 2, none over the picture between.
    menu.move_to(*LABEL2.centre)
    menu.wait_client(lambda c: red_count(c, LABEL2) > 0, "over-entry-2")
    time.sleep(0.5)
    settled = menu.client("settled")
    assert red_count(settled, LABEL2) > 50, f"entry 2 has only {red_count(settled, LABEL2)} red pixels under the pointer"
    assert red_count(settled, LABEL1) == red_first and dark_count(settled, LABEL1) == 0, (
        f"entry 1 changed when the pointer jumped to entry 2: {red_count(settled, LABEL1)} red "
        f"(was {red_first}), {dark_count(settled, LABEL1)} black pixels")
