#!/usr/bin/env python3
"""Checks a publisher key setting: 128 hex digits, X then Y, a point on the P-256 curve.

usage: check_p256_key.py HEX      exit 0 when valid; otherwise the reason on stderr, exit 1
"""
import sys

# P-256 (secp256r1): y^2 = x^3 - 3x + b over GF(p).
P = 0xFFFFFFFF00000001000000000000000000000000FFFFFFFFFFFFFFFFFFFFFFFF
B = 0x5AC635D8AA3A93E7B3EBBD55769886BC651D06B0CC53B0F63BCE3C3E27D2604B
HEX = set("0123456789abcdefABCDEF")


def problem(text):
    if len(text) != 128:
        return f"it has {len(text)} characters; a key is 128 hex digits (X then Y, no 04 prefix)"
    if not set(text) <= HEX:
        return "it holds characters that are not hex digits"
    x, y = int(text[:64], 16), int(text[64:], 16)
    if x >= P or y >= P:
        return "a coordinate is not below the field prime"
    if (y * y - (x * x * x - 3 * x + B)) % P != 0:
        return "(X, Y) is not a point on the P-256 curve"
    return None


def main():
    text = sys.argv[1] if len(sys.argv) > 1 else ""
    reason = problem(text)
    if reason:
        sys.stderr.write(reason + "\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
