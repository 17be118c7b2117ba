"""Fails when a Windows program imports, at load time, a library that is not a known DLL.

The system's loader looks for such a library in the program's own folder first, before any of
the program's code could restrict the search, so a file dropped there would run in its place.
Those libraries are linked for delayed loading instead (cmake/delay_import.cmake).

usage: check_imports.py OBJDUMP PROGRAM.exe
"""
import re
import subprocess
import sys

# Known DLLs on every Windows 10 and 11 (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\
# KnownDLLs): loaded from the system folder whatever lies beside the program. Kept to those that
# have been in the list since Windows 7; a library missing here is delay-loaded, not added.
KNOWN_DLLS = {
    "advapi32.dll", "comdlg32.dll", "gdi32.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll",
    "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll",
    "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "wldap32.dll", "ws2_32.dll",
}
# Redirected to the side-by-side store by the program's manifest, which the loader applies
# before it looks in the program's folder.
SIDE_BY_SIDE = {"comctl32.dll": b"Microsoft.Windows.Common-Controls"}


def imported_libraries(objdump, program):
    out = subprocess.run([objdump, "-p", program], check=True, capture_output=True,
                         text=True).stdout
    return [m.group(1).lower() for m in re.finditer(r"^\s*DLL Name: (\S+)", out, re.M)]


def main():
    objdump, program = sys.argv[1], sys.argv[2]
    libraries = imported_libraries(objdump, program)
    if "kernel32.dll" not in libraries:
        print(f"{program}: no import table read (found {libraries})")
        return 1
    with open(program, "rb") as f:
        image = f.read()
    refused = []
    for name in libraries:
        if name in KNOWN_DLLS:
            continue
        if name in SIDE_BY_SIDE and SIDE_BY_SIDE[name] in image:
            continue
        refused.append(name)
    print(f"{program}: imports {', '.join(sorted(libraries))}")
    if refused:
        print(f"not known DLLs, to be delay-loaded: {', '.join(sorted(refused))}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
