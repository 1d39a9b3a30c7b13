#!/usr/bin/env python3
"""Reads the add-file dialog's two numbers as a screen reader on Linux does:
from another process, over the AT-SPI bus (tests/ui/CMakeLists.txt starts it).
    screen_reader_test.py PATH_OF_add_file_dialog_on_the_bus
Exit status 77 (skipped) without an AT-SPI client library."""
import subprocess
import sys
import time

try:
    import gi

    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi
except (ImportError, ValueError) as missing:
    print(f"skipped, no AT-SPI client: {missing}")
    sys.exit(77)


def application_of(pid):
    """The program on the desktop, once Qt's bridge has registered it."""
    for _ in range(150):
        desktop = Atspi.get_desktop(0)
        for application in map(desktop.get_child_at_index, range(desktop.get_child_count())):
            if application is not None and application.get_process_id() == pid:
                return application
        time.sleep(0.2)
    sys.exit("the program did not appear on the accessibility bus")


def label_texts(node):
    """The text of every label under node, by the label's name."""
    texts = {}
    if node.get_role() == Atspi.Role.LABEL:
        has_text = "Text" in node.get_interfaces()
        texts[node.get_name()] = Atspi.Text.get_text(node, 0, -1) if has_text else None
    for child in map(node.get_child_at_index, range(node.get_child_count())):
        texts.update(label_texts(child) if child is not None else {})
    return texts


program = subprocess.Popen(sys.argv[1:], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
try:
    if program.stdout.readline() != "ready\n":
        sys.exit("the dialog did not open")
    texts = label_texts(application_of(program.pid))
finally:
    program.stdin.close()
    status = program.wait(timeout=30)
expected = {"Требуется места": "512", "Свободно на диске": "524032"}
for name, number in expected.items():
    print(f"{name}: {texts.get(name)!r}, shown: {number!r}")
sys.exit(0 if status == 0 and all(texts.get(n) == v for n, v in expected.items()) else 1)
