"""scripts/check-raw-handles on small trees made for each case, and on the real tree."""
import pathlib
import subprocess
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
SCRIPT = ROOT / "scripts" / "check-raw-handles"


def run(files):
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp)
        for path, text in files.items():
            (root / path).parent.mkdir(parents=True, exist_ok=True)
            (root / path).write_text(text, encoding="utf-8")
        result = subprocess.run([sys.executable, str(SCRIPT), "--root", str(root)],
                                capture_output=True, text=True)
        sites = [line for line in result.stdout.splitlines()
                 if not line.startswith("check-raw-handles:")]
        return result.returncode, sites


class CheckRawHandles(unittest.TestCase):
    def test_cases(self):
        cases = [
            # (what, files, sites expected: substrings, in order)
            ("a screen DC taken and given back by hand", {
                "controls/a.cpp": "void F() {\n  HDC s = ::GetDC(nullptr);\n"
                                  "  ::ReleaseDC(nullptr, s);\n}\n"},
             ["controls/a.cpp:2: GetDC", "controls/a.cpp:3: ReleaseDC"]),
            ("made into a local, or into owners", {
                "tabstrip/b.cpp": "HDC dc = ::CreateCompatibleDC(nullptr);\n"
                                  "win::UniqueMemDC owned(::CreateCompatibleDC(nullptr));\n"
                                  "m_font.Reset(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE,\n"
                                  "    FALSE, FALSE, 0, 0, 0, 0, 0, L\"x;y\"));\n"
                                  "return win::UniqueRegion(::CreateRectRgn(0, 0, 1, 1));\n"
                                  "auto b = win::BackBuffer::Holding(dc, win::UniqueBitmap(\n"
                                  "    ::CreateBitmap(1, 1, 1, 32, nullptr)));\n"},
             ["tabstrip/b.cpp:1: CreateCompatibleDC kept raw"]),
            ("a key through an out-parameter", {
                "browser/c.cpp": "HKEY key;\n::RegCreateKeyExW(HKEY_CURRENT_USER, L\"S\", 0,\n"
                                 "  nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);\n"
                                 "win::UniqueRegKey k;\n::RegOpenKeyExW(HKEY_CURRENT_USER, L\"S\","
                                 " 0, KEY_READ, k.Put());\n"},
             ["browser/c.cpp:2: RegCreateKeyExW kept raw"]),
            ("handles in statics, owners in statics", {
                "login/d.cpp": "HBRUSH B() {\n  static HBRUSH b = nullptr;\n  return b;\n}\n"
                               "static const HFONT f = nullptr;\n"
                               "static const win::UniqueBrush ok(nullptr);\n"},
             ["login/d.cpp:2: a handle in a static", "login/d.cpp:5: a handle in a static"]),
            ("selections and the OLE start", {
                "gamewindow/e.cpp": "HGDIOBJ old = ::SelectObject(dc, bmp);\n"
                                    "::OleInitialize(nullptr);\nCoInitializeEx(nullptr, 0);\n"},
             ["gamewindow/e.cpp:1: SelectObject", "gamewindow/e.cpp:2: OleInitialize",
              "gamewindow/e.cpp:3: CoInitializeEx"]),
            ("windows: a child goes with its parent, a popup does not", {
                "gamewindow/f.cpp": "HWND a = ::CreateWindowExW(0, L\"STATIC\", L\"\",\n"
                                    "    WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, p, nullptr, i, nullptr);\n"
                                    "HWND b = ::CreateWindowExW(0, L\"X\", nullptr, WS_POPUP,\n"
                                    "    0, 0, 1, 1, p, nullptr, i, nullptr);\n"},
             ["gamewindow/f.cpp:3: CreateWindowExW kept raw"]),
            ("names in comments, strings, members and other namespaces are not calls", {
                "updater/g.cpp": "// ::DeleteObject(x) is the owner's\n"
                                 "const wchar_t k[] = L\"CreateCompatibleDC(\";\n"
                                 "/* ::GetDC(nullptr) */ m_guard.SelectObject(x);\n"
                                 "win::GetDC(1); p->DeleteDC(2);\n"},
             []),
            ("the owners' own folder is not read; tests are not product", {
                "base/win/gdi.cpp": "void R(HDC dc) { ::DeleteDC(dc); }\n",
                "tests/win/h_test.cpp": "void R(HDC dc) { ::DeleteDC(dc); }\n",
                "base/log.cpp": "void R(HANDLE h) { ::CloseHandle(h); }\n"},
             ["base/log.cpp:1: CloseHandle by hand"]),
        ]
        for what, files, expected in cases:
            with self.subTest(what):
                rc, sites = run(files)
                self.assertEqual(len(sites), len(expected), sites)
                for line, part in zip(sites, expected):
                    self.assertIn(part, line)
                self.assertEqual(rc, 1 if expected else 0)

    def test_the_product_tree_is_clean(self):
        result = subprocess.run([sys.executable, str(SCRIPT)], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout)


if __name__ == "__main__":
    unittest.main()
