"""Walks through OVMF's own pages that compare the engine's browser with the firmware's
own on the same keys: Esc goes back to the page the user came from, leaving a changed
form set asks first, a commit leaves or says why it cannot, and the paging keys move the
focus. Each walk fails when the firmware's boot manager starts the loader again (the
browser was left) where it should not have been.

The expected results are what OVMF's own browser shows on the same walk.
"""
import re
import time

RESTARTED = "driver dispatched already"   # the loader, started again by the boot manager

FRONT_PAGE_TITLE = "Front Page"
FRONT_PAGE_PROMPTS = ["Device Manager", "Boot Manager", "Boot Maintenance Manager", "Continue", "Reset"]
DEVICE_MANAGER_TITLE = "Device Manager"
RAM_DISK = "RAM Disk Configuration"
BOOT_MANAGER = "Boot Manager"
BOOT_MAINTENANCE = "Boot Maintenance Manager"
BOOT_SHELL = "EFI Internal Shell"


class Walks:
    def __init__(self, run, setup_test):
        self.run = run
        self.session = run.session
        self.t = setup_test

    def fail(self, text):
        self.run.fail(text)

    def esc_to(self, title, prompts, what):
        return self.run.esc_to_page(title, prompts, what)

    def open_device_manager(self):
        return self.run.open_item("Device Manager", DEVICE_MANAGER_TITLE, [RAM_DISK], "Device Manager")

    def esc_parent(self):
        """Device Manager -> RAM Disk -> Esc: Device Manager again; Boot Manager and Boot
        Maintenance -> Esc: the front page. The browser is never left."""
        self.open_device_manager()
        self.run.open_item(RAM_DISK, RAM_DISK, ["Create raw"], RAM_DISK)
        self.esc_to(DEVICE_MANAGER_TITLE, [RAM_DISK], "Device Manager after Esc in the RAM disk's form")
        self.run.note(f"{RAM_DISK} -> Esc: Device Manager")
        self.esc_to(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc in Device Manager")
        self.run.note("Device Manager -> Esc: the front page")
        self.run.open_item(BOOT_MANAGER, BOOT_MANAGER, [], BOOT_MANAGER)
        if not self.session.wait_until(lambda s: BOOT_SHELL in s.text(), self.t.KEY_LIMIT_S, settle=0.3):
            self.fail(f"Boot Manager lists no '{BOOT_SHELL}'")
        self.esc_to(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc in Boot Manager")
        self.run.note("Boot Manager -> Esc: the front page")
        self.run.open_item(BOOT_MAINTENANCE, BOOT_MAINTENANCE, [], BOOT_MAINTENANCE)
        self.esc_to(FRONT_PAGE_TITLE, FRONT_PAGE_PROMPTS, "the front page after Esc in Boot Maintenance")
        self.run.note("Boot Maintenance Manager -> Esc: the front page")
        self.run.screendump("front-page-after-esc.png")


WALKS = {
    "esc_parent": Walks.esc_parent,
}
