"""scripts/check-layering on small trees made for each case, and on the real tree."""
import pathlib
import subprocess
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
SCRIPT = ROOT / "scripts" / "check-layering"

# base <- subclass <- controls; gadgets depends on controls only (not on subclass directly).
LIBRARIES = {
    "base": "qorv_library(base\n  CORE units.cpp\n  WIN win/log.cpp\n  SYSTEM user32)\n",
    "subclass": "qorv_library(subclass DEPENDS base\n  CORE msg_table.cpp)\n",
    "controls": "qorv_library(controls DEPENDS base subclass  # the hook\n  WIN ibutton.cpp)\n",
    "gadgets": "qorv_library(gadgets DEPENDS controls\n  CORE gadget.cpp)\n",
}


def run(files):
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp)
        for name, text in LIBRARIES.items():
            (root / name).mkdir()
            (root / name / "CMakeLists.txt").write_text(text)
        for path, text in files.items():
            (root / path).parent.mkdir(parents=True, exist_ok=True)
            (root / path).write_text(text)
        result = subprocess.run([sys.executable, str(SCRIPT), "--root", str(root)],
                                capture_output=True, text=True)
        faults = [line for line in result.stdout.splitlines()
                  if not line.startswith("check-layering:")]
        return result.returncode, faults


class CheckLayering(unittest.TestCase):
    def test_cases(self):
        cases = [
            # (what, files, faults expected: substrings, in order)
            ("downward and own includes", {
                "controls/ibutton.cpp": '#include "controls/ibutton.h"\n#include "base/units.h"\n',
                "gadgets/gadget.cpp": '#include "subclass/msg_table.h"\n'}, []),
            ("upward include from a header", {
                "base/units.h": '#pragma once\n#include "controls/ibutton.h"\n'},
             ['base/units.h:2: base/ includes "controls/ibutton.h"']),
            ("sideways include", {
                "subclass/msg_table.cpp": '\n\n#include "gadgets/gadget.h"\n'},
             ['subclass/msg_table.cpp:3: subclass/ includes "gadgets/gadget.h"']),
            ("Win32 header in pure code and in its header, not in Win32 code", {
                "base/units.cpp": "#include <Windows.h>\n",
                "base/units.h": "#  include <gdiplus.h>\n",
                "base/win/log.cpp": "#include <windows.h>\n"},
             ["base/units.cpp:1: pure code includes <Windows.h>",
              "base/units.h:1: pure code includes <gdiplus.h>"]),
            ("each folder its own namespace; base/win is qorv::win", {
                "controls/ibutton.h": "namespace qorv::controls {\nclass iButton {};\n}\n",
                "base/units.h": "namespace qorv {\nint Twips();\n}\n",
                "base/win/log.h": "namespace qorv::win {\nvoid Log();\n}\n"}, []),
            ("code in another folder's namespace, or in the root one outside base/", {
                "controls/ibutton.h": "namespace qorv::subclass {\nclass Hook {};\n}\n",
                "gadgets/gadget.h": "#pragma once\n\nnamespace qorv {\n\nint Gadget();\n\n}\n",
                "base/win/log.h": "namespace qorv {\nvoid Log();\n}\n"},
             ["base/win/log.h:1: base/ declares code in namespace qorv, not qorv::win",
              "controls/ibutton.h:1: controls/ declares code in namespace qorv::subclass",
              "gadgets/gadget.h:3: gadgets/ declares code in namespace qorv, not qorv::gadgets"]),
            ("forward declarations of other folders' classes are not code", {
                "gadgets/gadget.h": ("namespace qorv {\nnamespace subclass {\nclass Hook;\n}\n"
                                     "namespace controls {\nstruct Bag;  // the owner's\n}\n"
                                     "}  // namespace qorv\n"
                                     "namespace qorv::gadgets {\nint Gadget();\n}\n")}, []),
            ("the entry point may include anything; unknown folders are not judged", {
                "app/main.cpp": '#include "gadgets/gadget.h"\n#include "gtest/gtest.h"\n'}, []),
        ]
        for what, files, expected in cases:
            with self.subTest(what):
                rc, faults = run(files)
                self.assertEqual(len(faults), len(expected), faults)
                for line, part in zip(faults, expected):
                    self.assertIn(part, line)
                self.assertEqual(rc, 1 if expected else 0)

    def test_a_dependency_on_no_library_is_a_fault(self):
        LIBRARIES["gadgets"] = "qorv_library(gadgets DEPENDS controls widgets)\n"
        try:
            rc, faults = run({})
        finally:
            LIBRARIES["gadgets"] = "qorv_library(gadgets DEPENDS controls\n  CORE gadget.cpp)\n"
        self.assertEqual(rc, 1)
        self.assertIn("'widgets', which is no library", faults[0])

    def test_the_product_tree_is_clean(self):
        result = subprocess.run([sys.executable, str(SCRIPT)], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout)


if __name__ == "__main__":
    unittest.main()
