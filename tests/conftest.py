"""The publisher's disc image, for the tests of the image, of menu.exe and of the end-to-end tier."""
from test_disc import signed_image, signing  # noqa: F401 (fixtures)
