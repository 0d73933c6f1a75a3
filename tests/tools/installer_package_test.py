#!/usr/bin/env python3
"""The Windows Installer package's source as toolbar_wxs.py writes it: the
upgrade code of a toolbar, the package version of its "Config Version", text
that Windows Installer would otherwise read as its own syntax, and a package
that wixl builds of a toolbar whose name has blanks and brackets."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import uuid
import xml.etree.ElementTree as ElementTree

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "installer"))
import toolbar_wxs  # noqa: E402

WIX = "{http://schemas.microsoft.com/wix/2006/wi}"


def version_tuple(text):
    return tuple(int(part) for part in text.split("."))


class ProductVersion(unittest.TestCase):
    def test_each_config_version_has_its_place_in_the_three_fields(self):
        for config_version, expected in [(None, "0.0.0"), ("", "0.0.0"), ("1", "0.0.1"),
                                         ("65535", "0.0.65535"), ("65536", "0.1.0"),
                                         ("16777216", "1.0.0"), ("2026120801", "120.196.9825"),
                                         (str(2**32 - 1), "255.255.65535")]:
            with self.subTest(config_version=config_version):
                version = toolbar_wxs.product_version(config_version)
                self.assertEqual(version, expected)
                major, minor, build = version_tuple(version)
                self.assertLessEqual(major, 255)
                self.assertLessEqual(minor, 255)
                self.assertLessEqual(build, 65535)

    def test_a_greater_config_version_is_a_greater_package_version(self):
        samples = [0, 1, 2, 255, 256, 65535, 65536, 65537, 2**24 - 1, 2**24, 2**31, 2**32 - 1]
        for smaller, greater in zip(samples, samples[1:]):
            with self.subTest(smaller=smaller, greater=greater):
                self.assertLess(version_tuple(toolbar_wxs.product_version(smaller)),
                                version_tuple(toolbar_wxs.product_version(greater)))

    def test_a_version_beyond_the_fields_is_refused(self):
        for config_version in [str(2**32), "-1"]:
            with self.subTest(config_version=config_version):
                with self.assertRaises(ValueError):
                    toolbar_wxs.product_version(config_version)


class UpgradeCode(unittest.TestCase):
    def run_script(self, name):
        return subprocess.run([sys.executable, os.path.join(ROOT, "tools/installer/toolbar_wxs.py"),
                               "--upgrade-code", name], check=True, capture_output=True,
                              text=True).stdout.strip()

    def test_one_toolbar_has_one_code_and_two_toolbars_two(self):
        names = ["SampleBar", "samplebar", "Sample Bar", "Новости", "SampleBar "]
        codes = [self.run_script(name) for name in names]
        self.assertEqual(codes, [self.run_script(name) for name in names])
        self.assertEqual(len(set(codes)), len(names))
        for code in codes:
            with self.subTest(code=code):
                self.assertRegex(code, r"^\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}$")
                self.assertEqual(uuid.UUID(code).version, 5)


class Source(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="pq-wxs-test-")
        self.addCleanup(shutil.rmtree, self.folder)
        for name, size in [("a.ini", 100), ("a64.dll", 3000), ("a32.dll", 2000), ("a.ico", 50)]:
            with open(os.path.join(self.folder, name), "wb") as f:
                f.write(b"x" * size)

    def write(self, name, version=None, file="My [Bar]", company='A & "B" {C}', check=True):
        args = ["--name", name, "--file", file, "--company", company,
                "--config", "a.ini", "--dll64", "a64.dll", "--dll32", "a32.dll",
                "--icon", "a.ico", "--output", "toolbar.wxs", "--queries", "queries.sql"]
        if version:
            args += ["--version", version]
        done = subprocess.run([sys.executable, os.path.join(ROOT, "tools/installer/toolbar_wxs.py")]
                              + args, check=check, cwd=self.folder, capture_output=True, text=True)
        if not check:
            return done
        return ElementTree.parse(os.path.join(self.folder, "toolbar.wxs")).getroot()

    def test_text_of_the_configuration_is_taken_as_itself(self):
        root = self.write("My [Bar] {1}")
        product = root.find(WIX + "Product")
        self.assertEqual(product.get("Name"), "My [Bar] {1}")
        self.assertEqual(product.get("Manufacturer"), 'A & "B" {C}')
        values = {(v.get("Id")[:5], v.get("Name")): v.get("Value")
                  for v in root.iter(WIX + "RegistryValue")}
        for view in ["Reg64", "Reg32"]:
            with self.subTest(view=view):
                # Brackets and braces in formatted columns are escaped.
                self.assertEqual(values[(view, "Toolbar Name")], "My [\\[]Bar[\\]] [\\{]1[\\}]")
                self.assertEqual(values[(view, "Toolbar File")], "My [\\[]Bar[\\]]")
                # The install directory without a trailing backslash; the
                # property holds the name as it is (a property's value is not
                # formatted again).
                self.assertEqual(values[(view, "InstallPath")],
                                 "[ProgramFiles64Folder][ToolbarFolderName]")
        properties = {p.get("Id"): p.get("Value") for p in root.iter(WIX + "Property")}
        self.assertEqual(properties["ToolbarFolderName"], "My [Bar] {1}")
        directories = {d.get("Id"): d.get("Name") for d in root.iter(WIX + "Directory")}
        self.assertEqual(directories["ToolbarDirectory"], "My [Bar] {1}")

    def test_an_older_or_equal_package_is_replaced_and_a_newer_one_refuses(self):
        root = self.write("Bar", version="7")
        product = root.find(WIX + "Product")
        self.assertEqual(product.get("Version"), "0.0.7")
        rows = {v.get("Property"): v for v in root.iter(WIX + "UpgradeVersion")}
        self.assertEqual(rows["OLDER_FOUND"].get("Maximum"), "0.0.8")  # not included
        self.assertNotEqual(rows["OLDER_FOUND"].get("OnlyDetect"), "yes")
        self.assertEqual(rows["NEWER_FOUND"].get("Minimum"), "0.0.8")
        self.assertEqual(rows["NEWER_FOUND"].get("IncludeMinimum"), "yes")
        self.assertEqual(rows["NEWER_FOUND"].get("OnlyDetect"), "yes")
        condition = root.find(WIX + "Product").find(WIX + "Condition")
        self.assertEqual(condition.text, "NOT NEWER_FOUND")

    def test_text_wixl_cannot_store_is_refused(self):
        for name, file, company in [("Новости", "Bar", "A"), ("Bar", "Новости", "A"),
                                    ("Bar", "Bar", "Издатель")]:
            with self.subTest(name=name, file=file, company=company):
                done = self.write(name, file=file, company=company, check=False)
                self.assertEqual(done.returncode, 1)
                self.assertIn("beyond ASCII", done.stderr)
                self.assertFalse(os.path.exists(os.path.join(self.folder, "toolbar.wxs")))

    def test_the_size_in_the_list_of_programs_is_that_of_the_files(self):
        root = self.write("Bar")
        size = {p.get("Id"): p.get("Value") for p in root.iter(WIX + "Property")}["ARPSIZE"]
        self.assertEqual(size, str((100 + 3000 + 2000 + 50 + 1023) // 1024))

    def test_every_toolbars_package_holds_the_registration_in_the_same_components(self):
        # Windows Installer counts the packages that hold a component by its
        # GUID: the registration goes with the last toolbar's package only.
        # Each package's files are its own.
        holders = []
        for name, version in [("Bar", "1"), ("Bar", "2"), ("Other Bar", "1")]:
            with self.subTest(name=name, version=version):
                root = self.write(name, version=version)
                components = {c.get("Id"): c for c in root.iter(WIX + "Component")}
                shared = {}
                for component in components.values():
                    values = component.findall(WIX + "RegistryValue")
                    if not values:
                        self.assertEqual(component.get("Guid"), "*")
                        continue
                    self.assertEqual(component.findall(WIX + "File"), [])
                    self.assertEqual([v.get("KeyPath") for v in values].count("yes"), 1)
                    view = values[0].get("Id")[:5]
                    self.assertTrue(all(v.get("Id").startswith(view) for v in values))
                    self.assertEqual(component.get("Win64") == "yes", view == "Reg64")
                    shared[view] = component.get("Guid")
                self.assertEqual(sorted(shared), ["Reg32", "Reg64"])
                self.assertNotEqual(shared["Reg32"], shared["Reg64"])
                # Every component is in the package's one feature.
                refs = {r.get("Id") for r in root.iter(WIX + "ComponentRef")}
                self.assertEqual(refs, set(components))
                holders.append(shared)
        self.assertEqual(holders[1:], holders[:-1])

    @unittest.skipUnless(shutil.which("wixl") and shutil.which("msibuild") and shutil.which("msiinfo"),
                         "wixl and msitools are not installed")
    def test_wixl_builds_the_package(self):
        self.check_package("My [Bar] {1}")

    def check_package(self, name):
        self.write(name, version="3")
        subprocess.run(["wixl", "-a", "x64", "-o", "p.msi", "toolbar.wxs"], check=True,
                       cwd=self.folder, capture_output=True)
        with open(os.path.join(self.folder, "queries.sql"), encoding="utf-8") as f:
            queries = [q for line in f if (q := line.strip())]
        subprocess.run(["msibuild", "p.msi"] + [a for q in queries for a in ("-q", q)],
                       check=True, cwd=self.folder, capture_output=True)

        def table(name):
            text = subprocess.run(["msiinfo", "export", "p.msi", name], check=True,
                                  cwd=self.folder, capture_output=True, text=True).stdout
            return [line.split("\t") for line in text.splitlines()[3:]]

        properties = dict(row[:2] for row in table("Property"))
        self.assertEqual(properties["ProductName"], name)
        self.assertEqual(properties["ProductVersion"], "0.0.3")
        self.assertEqual(properties["UpgradeCode"], toolbar_wxs.upgrade_code(name))
        self.assertEqual(properties["ALLUSERS"], "1")
        self.assertEqual(sorted(row[2] for row in table("RemoveFile")),
                         ["My [Bar] Default.ini", "My [Bar] Internet.ini", "My [Bar] Update.ini"])
        sequence = {row[0]: int(row[2]) for row in table("InstallExecuteSequence")}
        # Deferred actions run between InstallInitialize and InstallFinalize; the
        # older package goes before anything is installed.
        for action in ["Register64", "Register32"]:
            self.assertLess(sequence["WriteRegistryValues"], sequence[action])
            self.assertLess(sequence[action], sequence["InstallFinalize"])
        self.assertLess(sequence["InstallValidate"], sequence["RemoveExistingProducts"])
        self.assertLess(sequence["RemoveExistingProducts"], sequence["InstallInitialize"])


if __name__ == "__main__":
    unittest.main()
