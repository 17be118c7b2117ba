"""scripts/check-function-length on small trees made for each case, and on the real tree."""
import pathlib
import subprocess
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
SCRIPT = ROOT / "scripts" / "check-function-length"
LIMIT = 10


def body(lines):
    """`lines` statements: with the signature and the closing brace, a function of lines + 2."""
    return "".join(f"  x += {i};\n" for i in range(lines))


def run(files, allow=""):
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp)
        (root / "base").mkdir()
        (root / "base" / "CMakeLists.txt").write_text("qorv_library(base CORE a.cpp)\n")
        for path, text in files.items():
            (root / path).parent.mkdir(parents=True, exist_ok=True)
            (root / path).write_text(text)
        (root / "allow.txt").write_text(allow)
        result = subprocess.run([sys.executable, str(SCRIPT), "--root", str(root), "--limit",
                                 str(LIMIT), "--allow", str(root / "allow.txt")],
                                capture_output=True, text=True)
        lines = result.stdout.splitlines()
        over = [line for line in lines if not line.startswith(("note:", "check-function-length:"))]
        notes = [line for line in lines if line.startswith("note:")]
        return result.returncode, over, notes


class CheckFunctionLength(unittest.TestCase):
    def test_cases(self):
        cases = [
            # (what, files, functions reported as too long: "path:line: name is N lines")
            ("at the limit, and one line over", {
                "base/a.cpp": "int Fits() {\n" + body(8) + "}\n\n"
                              "int Long(int a,\n         int b) {\n" + body(8) + "}\n"},
             ["base/a.cpp:12: Long is 11 lines"]),
            ("a member defined in its class, a lambda counted with its function", {
                "base/a.h": "namespace qorv {\nclass A {\n public:\n  void Small() {}\n"
                            "  int Big() const {\n    auto f = [&](int y) {\n" + body(6) +
                            "    };\n    return f(1);\n  }\n};\n}  // namespace qorv\n"},
             ["base/a.h:5: Big is 11 lines"]),
            ("a constructor's initializer braces, templates and operators", {
                "base/a.cpp": "A::A() : m_a{1}, m_b{2} {\n" + body(9) + "}\n"
                              "std::function<void(int)> Make() {\n" + body(9) + "}\n"
                              "bool A::operator==(const A& o) const noexcept {\n" + body(9) +
                              "}\n"},
             ["base/a.cpp:1: A::A is 11 lines", "base/a.cpp:12: Make is 11 lines",
              "base/a.cpp:23: A::operator== is 11 lines"]),
            ("braces in comments, strings and tables are no functions", {
                "base/a.cpp": "// f() {\nconst char* k = \"g() {\";\n"
                              "constexpr Case kCases[] = {\n" + "  {F(1), 2},\n" * 12 + "};\n"
                              "#define BLOCK(x) { x; }\n"
                              "int F(int x) {  /* } */\n" + body(6) + "  return '}';\n}\n"},
             []),
            ("tests and folders without a library are not product code", {
                "tests/unit/a_test.cpp": "void T() {\n" + body(20) + "}\n",
                "tools/t.cpp": "void T() {\n" + body(20) + "}\n"},
             []),
            ("the entry points are", {"app/main.cpp": "int wWinMain() {\n" + body(9) + "}\n"},
             ["app/main.cpp:1: wWinMain is 11 lines"]),
        ]
        for what, files, expected in cases:
            with self.subTest(what):
                rc, over, _ = run(files)
                self.assertEqual(len(over), len(expected), over)
                for line, part in zip(over, expected):
                    self.assertIn(part, line)
                self.assertEqual(rc, 1 if expected else 0)

    def test_the_allow_list_excuses_by_name_and_notes_what_it_no_longer_needs(self):
        files = {"base/a.cpp": "void A::Long() {\n" + body(20) + "}\nvoid Short() {}\n"}
        rc, over, notes = run(files, "# being split\nbase/a.cpp A::Long\nbase/a.cpp Short\n")
        self.assertEqual((rc, over), (0, []))
        self.assertEqual(len(notes), 2, notes)
        self.assertIn("A::Long is 22 lines", notes[0])
        self.assertIn("base/a.cpp Short: within the limit", notes[1])
        rc, over, _ = run(files, "base/b.cpp A::Long\n")  # another file's function of that name
        self.assertEqual(rc, 1)

    def test_the_product_tree_is_within_the_limit(self):
        result = subprocess.run([sys.executable, str(SCRIPT)], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout)
        for entry in ("startup/download.cpp", "updater/"):
            self.assertNotIn(entry, (ROOT / "scripts" / "function-length-allow.txt").read_text())


if __name__ == "__main__":
    unittest.main()
