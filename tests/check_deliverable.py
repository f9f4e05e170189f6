"""Checks the 32-bit launcher.exe as shipped: PE headers, imports, no resources, reproducible bytes."""
import os
import re
import struct
import subprocess
import tempfile
import unittest

DELIVERABLE = os.environ["DELIVERABLE"]
SOURCE_DIR = os.environ["SOURCE_DIR"]
BUILD_DIR = os.environ["BUILD_DIR"]
TOOLCHAIN = os.environ["TOOLCHAIN"]

IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
SUBSYSTEM_WINDOWS_CUI = 3
DYNAMIC_BASE = 0x40
NX_COMPAT = 0x100
IMPORT_DIRECTORY = 1
RESOURCE_DIRECTORY = 2
# Known DLLs are always loaded from the system folder, never from beside the program.
ALLOWED_IMPORTS = {"kernel32.dll", "msvcrt.dll"}


class PeImage:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0"
        coff = pe + 4
        (self.machine, sections, self.timestamp, self.symbol_table, self.symbol_count,
         optional_size, self.characteristics) = struct.unpack_from("<HHIIIHH", data, coff)
        optional = coff + 20
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.os_version = struct.unpack_from("<HH", data, optional + 40)
        self.subsystem_version = struct.unpack_from("<HH", data, optional + 48)
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
        directory_count = struct.unpack_from("<I", data, optional + 92)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i) for i in range(directory_count)]
        table = optional + optional_size
        self.sections = []
        for i in range(sections):
            name, virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), rva, max(virtual_size, raw_size), raw_offset))

    def offset(self, rva):
        for _, start, size, raw in self.sections:
            if start <= rva < start + size:
                return rva - start + raw
        raise ValueError("RVA %#x is in no section" % rva)

    def imported_dlls(self):
        rva, _ = self.directories[IMPORT_DIRECTORY]
        names, entry = [], self.offset(rva)
        while True:
            name_rva = struct.unpack_from("<I", self.data, entry + 12)[0]
            if name_rva == 0:
                return names
            start = self.offset(name_rva)
            names.append(self.data[start:self.data.index(b"\0", start)].decode())
            entry += 20


def build_elsewhere(build_dir):
    subprocess.run(["cmake", "-S", SOURCE_DIR, "-B", build_dir, "--toolchain", TOOLCHAIN,
                    "-DCMAKE_BUILD_TYPE=Release"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "--target", "launcher"], check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(build_dir, "launcher.exe"), "rb") as built:
        return built.read()


class Deliverable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(DELIVERABLE, "rb") as deliverable:
            cls.data = deliverable.read()
        cls.image = PeImage(cls.data)

    def test_is_a_32_bit_console_program_for_windows_4(self):
        image = self.image
        self.assertEqual(image.machine, IMAGE_FILE_MACHINE_I386)
        self.assertEqual(image.magic, PE32_MAGIC)
        self.assertEqual(image.subsystem, SUBSYSTEM_WINDOWS_CUI)
        self.assertEqual(image.subsystem_version, (4, 0))
        self.assertEqual(image.os_version, (4, 0))

    def test_carries_no_resources(self):
        self.assertEqual(self.image.directories[RESOURCE_DIRECTORY], (0, 0))
        self.assertNotIn(".rsrc", [section[0] for section in self.image.sections])

    def test_imports_only_from_known_dlls(self):
        self.assertEqual({name.lower() for name in self.image.imported_dlls()}, ALLOWED_IMPORTS)

    def test_is_hardened_and_stripped(self):
        self.assertEqual(self.image.dll_characteristics & (DYNAMIC_BASE | NX_COMPAT), DYNAMIC_BASE | NX_COMPAT)
        self.assertEqual((self.image.symbol_table, self.image.symbol_count), (0, 0))
        self.assertNotIn(b".debug", self.data)

    def test_name_does_not_trigger_installer_detection(self):
        self.assertIsNone(re.search("install|setup|update|patch", os.path.basename(DELIVERABLE), re.I))

    def test_is_reproducible(self):
        self.assertEqual(self.image.timestamp, 0)
        for path in (SOURCE_DIR, BUILD_DIR):
            self.assertNotIn(path.encode(), self.data)
        with tempfile.TemporaryDirectory(prefix="other-build-folder-") as elsewhere:
            self.assertTrue(build_elsewhere(elsewhere) == self.data, "a build in another folder differs")


if __name__ == "__main__":
    unittest.main()
