#!/usr/bin/env python3
"""Writes the golden design files with Python's cp932 codec and CR LF line
ends. The sheets are those of tests/support/sample_sheets.h; keep the two in step.

Run from this folder: python3 generate.py
"""


def default_sheet():
    r = [""] * 49
    r[0] = "0"
    r[2] = r[3] = r[4] = r[5] = "0"
    r[22], r[23], r[24] = "false", "false", "true"
    for i in range(25, 41):
        r[i] = "true"
    r[41:46] = ["true", "false", "true", "false", "true"]
    r[46], r[47], r[48] = "定数設定", "100", "0"
    return r


def sheet_with(lines):
    r = default_sheet()
    for i, text in lines.items():
        r[i] = text
    return r


GOLDEN = sheet_with({0: "1", 1: "4.7k", 3: "4", 4: "2", 6: "10k", 7: "0.01u", 8: "１２ｋ", 9: "0.0047u",
                     10: "22k", 11: "1n", 12: "3.3k", 13: "470p", 20: "ﾒﾓ～①\\~", 22: "true", 23: "true",
                     24: "false", 27: "false", 28: "false", 31: "false", 42: "true", 47: "240", 48: "240"})
RUNNING = sheet_with({1: "100", 3: "6", 22: "true", 23: "true", 24: "false", 41: "false", 43: "false",
                      44: "true", 45: "false", 46: "設定中", 47: "320", 48: "17"})
ALL = [
    default_sheet(),
    GOLDEN,
    RUNNING,
    sheet_with({1: "1M", 3: "1", 4: "1", 6: "1k", 7: "1u", 25: "false", 26: "false"}),
    sheet_with({0: "1", 1: "50", 3: "2", 48: "80", 47: "160"}),
    sheet_with({1: "１ｋ", 3: "3", 4: "2", 42: "true"}),
    sheet_with({1: "100M", 3: "5", 20: "100", 21: "1p", 39: "false", 40: "false"}),
    sheet_with({1: "定数設定 テスト", 46: "定数設定", 48: "-1"}),
]


def file_bytes(lines):
    return b"".join(line.encode("cp932") + b"\r\n" for line in lines)


with open("sheet.zdn", "wb") as f:
    f.write(file_bytes(GOLDEN))
with open("all_sheets.zdna", "wb") as f:
    f.write(file_bytes([line for sheet in ALL for line in sheet]))
