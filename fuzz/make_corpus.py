#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are small files made here from the formats as the program reads
them; run again after a change of the formats (python3 fuzz/make_corpus.py).
The DM3 seeds are written by the tests' DM3 writer, through the dm3files
program of the dev build (build/dev/tests/dm3files, or $DM3FILES).
Inputs that once made a target fail are added by hand beside them, named
"crash-<what>", and are kept.
"""
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("cp1252"))


# ---- Settings file -----------------------------------------------------------
def settings_seeds():
    crlf = lambda lines: "".join(l + "\r\n" for l in lines)
    put("fuzz_settings", "worked-example.ini", crlf([
        "5", "162 77 689 576", "2 1", "Z:\\tmp", "D:\\Sims\\X-Plane 10", "0 1 1",
        "*Europe", "+France", "=E:\\Scenery\\LFPG Paris", "=E:\\Scenery\\LFMN Nice", "-",
        "=E:\\Scenery\\EGLL London", "-", "+USA", "-", "-",
        "*Airports", "=E:\\Scenery\\KSFO", "-"]))
    put("fuzz_settings", "empty-trees.ini", crlf(["5", "162 77 673 542", "0 -1", "0 1 1", "-"]))
    put("fuzz_settings", "version1.ini", crlf([
        "1", "10 20 300 400", "1", "Z:\\tmp", "*G", "=C:\\s", "-", "=C:\\top", "-", "+Ignored", "-"]))
    put("fuzz_settings", "version4-autosort.ini", crlf([
        "4", "1 2 3 4", "0 -1", "1 0 0 junk", "*G", "=b", "=a", "+Z", "-", "-", "-", "+H", "-"]))
    put("fuzz_settings", "version5-autosort-nested.ini", crlf([
        "5", "-5 -7 100 100", "1 0", "Z:\\", "1 0 0",
        "+Outer", "*Inner", "=Z:\\x\\b", "=Z:\\x\\a", "-", "+Empty", "-", "-", "=Z:\\top", "-",
        "*G", "=Z:\\y", "-", "-", "*after"]))
    put("fuzz_settings", "damaged.ini", "5\r\n1 2 3 4\r\n1 0\r\nZ:\\tmp\r\nx 1 1\r\n*Lost\r\n=C:\\scene\r\n-\r\n")
    put("fuzz_settings", "lf-only.ini", "5\n1 2 3 4\n0 -1\n0 1 1\n*G\n?garbage\n=s\n-\n-\n")


# ---- Language file -----------------------------------------------------------
def lng_seeds():
    # The first byte picks a small buffer size for the odd lookups.
    put("fuzz_lng", "main-window.lng", "\x05" + (
        "; translation\r\n[EcrOrvella]\r\ncaption = X-Plane Organiser\r\n"
        "rgListeXP=  Installed X-Plane versions  \r\nbtnTrier=\"  Sort  \"\r\n"
        "XPlaneAbsent=This folder is gone!\\nIt is removed from the list.\r\n"
        "btnQuitter=\r\n[EcrBiblios]\r\nAjoutBiblio='Pick a library folder.'\r\n"))
    put("fuzz_lng", "cases-and-duplicates.lng",
        "\x02[ecrorvella]\nCAPTION=first\ncaption=second\n[EcrOrvella]\ncaption=third\n[unclosed\nx=1\n")
    put("fuzz_lng", "utf8-bom.lng", b"\x03\xef\xbb\xbf[EcrOrvella]\r\ncaption=\xc3\x89cran\r\n")
    put("fuzz_lng", "utf16-bom.lng", b"\x04\xff\xfe" + "[EcrOrvella]\r\ncaption=Écran\r\n".encode("utf-16-le"))
    put("fuzz_lng", "long-value.lng", "\x07[EcrOrvella]\r\ncaption=" + "x" * 3000 + "\r\n")


# ---- Shell links -------------------------------------------------------------
LINK_CLSID = bytes([0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46])


def lnk(link_info, flags=0x02, id_list=None):
    header = struct.pack("<I", 0x4C) + LINK_CLSID + struct.pack("<I", flags) + b"\x00" * (0x4C - 0x18)
    body = b""
    if id_list is not None:
        body += struct.pack("<H", len(id_list)) + id_list
    return header + body + link_info


def link_info_local(base, suffix, unicode=False):
    volume = struct.pack("<IIII", 0x11, 3, 0x1234, 0x10) + b"\x00"
    header_size = 0x24 if unicode else 0x1C
    volume_at = header_size
    base_at = volume_at + len(volume)
    base_b = base.encode("cp1252") + b"\x00"
    suffix_at = base_at + len(base_b)
    suffix_b = suffix.encode("cp1252") + b"\x00"
    tail = volume + base_b + suffix_b
    extra = b""
    if unicode:
        ubase_at = suffix_at + len(suffix_b)
        ubase = base.encode("utf-16-le") + b"\x00\x00"
        usuffix_at = ubase_at + len(ubase)
        usuffix = suffix.encode("utf-16-le") + b"\x00\x00"
        extra = struct.pack("<II", ubase_at, usuffix_at)
        tail += ubase + usuffix
    size = header_size + len(tail)
    return struct.pack("<IIIIIII", size, header_size, 0x01, volume_at, base_at, 0, suffix_at) + extra + tail


def link_info_network(share, suffix):
    net = share.encode("cp1252") + b"\x00"
    cnrl = struct.pack("<IIIII", 0x14 + len(net), 0x02, 0x14, 0, 0x00020000) + net
    header_size = 0x1C
    cnrl_at = header_size
    suffix_at = cnrl_at + len(cnrl)
    suffix_b = suffix.encode("cp1252") + b"\x00"
    size = header_size + len(cnrl) + len(suffix_b)
    return struct.pack("<IIIIIII", size, header_size, 0x02, 0, 0, cnrl_at, suffix_at) + cnrl + suffix_b


def lnk_seeds():
    put("fuzz_lnk", "local.lnk", lnk(link_info_local("C:\\Scenery\\LFPG Paris", "")))
    put("fuzz_lnk", "local-suffix-idlist.lnk",
        lnk(link_info_local("C:\\", "Scenery\\KSFO"), flags=0x03, id_list=b"\x04\x00\x00\x00"))
    put("fuzz_lnk", "unicode.lnk", lnk(link_info_local("D:\\Scènes\\EGLL", "", unicode=True)))
    put("fuzz_lnk", "network.lnk", lnk(link_info_network("\\\\server\\share", "Scenery\\KSEA")))
    put("fuzz_lnk", "no-linkinfo.lnk", lnk(b"", flags=0x00))


# ---- Scenery order: DSF tiles, apt.dat, scenery_packs.ini, the order's files -----
def dsf_atom(ident, payload):
    code = (ord(ident[0]) << 24) | (ord(ident[1]) << 16) | (ord(ident[2]) << 8) | ord(ident[3])
    return struct.pack("<II", code, len(payload) + 8) + payload


def dsf(props, before=b""):
    p = b"".join(k.encode() + b"\x00" + v.encode() + b"\x00" for k, v in props)
    return (b"XPLNEDSF" + struct.pack("<I", 1) + before + dsf_atom("HEAD", dsf_atom("PROP", p)) +
            dsf_atom("GEOD", bytes(64)) + bytes(16))


def order_seeds():
    put("fuzz_order", "overlay.dsf", dsf([("sim/overlay", "1"), ("sim/west", "2"), ("sim/south", "48")]))
    put("fuzz_order", "mesh-late-head.dsf", dsf([("sim/west", "-123")], before=dsf_atom("DEFN", b"abc")))
    put("fuzz_order", "apt.dat", "I\n1100 Generated by WorldEditor\n\n1 354 0 0 LFPG Paris\n"
        "16 0 0 0 H123 Heliport\n17\t1\t0\t0\tS42 Seaplane\n99\n")
    put("fuzz_order", "scenery_packs.ini", "I\r\n1000 Version\r\nSCENERY\r\n\r\n"
        "SCENERY_PACK Custom Scenery/LFPG/\r\nSCENERY_PACK_DISABLED *GLOBAL_AIRPORTS*\r\n"
        "SCENERY_PACK /home/me/Ortho/\r\n")
    put("fuzz_order", "packs", "OrvellaPacks 1\n00000000000000FF\tairport\t\tLFPG,LFPB\tZ:\\Scenes\\LFPG\n"
        "0000000000000101\tmesh\tEarth nav data\\+40+000\\+48+002.dsf\t\tZ:\\Scenes\\Mesh\n")
    put("fuzz_order", "ordre.ini", "OrvellaOrdre 1\r\nOrdonne=1\r\nType=overlay\tZ:\\Scenes\\Over\r\n")


# ---- Scenery check: library.txt, DSF definitions (plain and 7z), Log.txt -----
def memory_line(text):
    """A line of the check's memory: the text, its sum (as the program sums it), its end."""
    data, mask, mul = text.encode("cp1252"), (1 << 64) - 1, 0xff51afd7ed558ccd
    h = 0x9e3779b97f4a7c15 ^ ((len(data) * mul) & mask)
    whole = len(data) // 8 * 8
    for i in range(0, whole, 8):
        h = ((h ^ int.from_bytes(data[i:i + 8], "little")) * mul) & mask
        h ^= h >> 29
    h = ((h ^ int.from_bytes(data[whole:], "little")) * mul) & mask
    h ^= h >> 32
    h = (h * 0xc4ceb9fe1a85ec53) & mask
    h ^= h >> 29
    return "%s\t#%016x\n" % (text, h)


def check_seeds():
    put("fuzz_library", "library.txt", "A\n800\nLIBRARY\n\nREGION_DEFINE eu\nREGION_RECT -10 35 30 70\n"
        "REGION eu\nEXPORT lib/a.obj objects/a.obj\nEXPORT_EXTEND lib/a.obj objects/b.obj\n"
        "EXPORT_EXCLUDE lib\\c:d.obj ./x/../c.obj\nEXPORT_BACKUP lib/e.obj e.obj\nEXPORT_RATIO 0.5 lib/f.obj f.obj\n"
        "EXPORT_SEASON sum lib/g.obj g sum.obj\nPRIVATE\nEXPORT lib/up.obj ../../up.obj\nPUBLIC\nDEPRECATED\n")
    # The verdict's line first, as the program writes it; backslashes of paths escaped.
    put("fuzz_library", "memory", "OrvellaCheck 3\n" +
        memory_line("*\tsig\t1\tZ:\\\\XP\t18446744073709551614\t5\t0\t0\t0\t0\t0\t0") +
        memory_line("12\t131000000000000000\tZ:\\\\XP\\\\a.dsf\tdsf\t\t1\tlib/a.obj"))
    tables = (dsf_atom("TERT", b"terrain_Water\x00t.ter\x00") + dsf_atom("OBJT", b"lib/a.obj\x00objects/b.obj\x00") +
              dsf_atom("POLY", b"p.pol\x00") + dsf_atom("NETW", b"lib/g10/roads.net\x00"))
    head = dsf_atom("HEAD", dsf_atom("PROP", b"sim/overlay\x001\x00sim/west\x007\x00"))
    plain = b"XPLNEDSF" + struct.pack("<I", 1) + head + dsf_atom("DEFN", tables) + dsf_atom("GEOD", bytes(64)) + bytes(16)
    put("fuzz_dsfdefs", "overlay.dsf", plain)
    put("fuzz_dsfdefs", "defn-first.dsf", b"XPLNEDSF" + struct.pack("<I", 1) + dsf_atom("DEFN", tables) + head)
    # A 7z archive holding the plain tile, when the system's 7z tool is there.
    try:
        import subprocess
        import tempfile
        with tempfile.TemporaryDirectory() as d:
            with open(os.path.join(d, "+46+007.dsf"), "wb") as f:
                f.write(plain)
            subprocess.run(["7z", "a", "-bd", "t.7z", "+46+007.dsf"], cwd=d, check=True, capture_output=True)
            with open(os.path.join(d, "t.7z"), "rb") as f:
                put("fuzz_dsfdefs", "overlay.7z.dsf", f.read())
    except (OSError, subprocess.CalledProcessError):
        pass
    put("fuzz_log", "Log.txt", "Log.txt for X-Plane 12.1.1-r2 (build 121105 64-bit)\n"
        "0:00:00.000 I/SCN: Loading scenery pack: Custom Scenery/A/\n"
        "0:00:12.500 E/SCN: Failed to find resource 'lib/a.obj', referenced from scenery package 'Custom Scenery/A/'.\n"
        "0:00:12.600 E/SCN: Failed to find resource 'lib/b.obj', referenced from file "
        "'Custom Scenery/B/Earth nav data/+40+000/+46+007.dsf'.\r\n"
        "E/OBJ: Could not load Custom Scenery/C/objects/x.obj\nE/DSF: bad Global Scenery/G/x.dsf\n"
        "E/SCN: The terrain file 'Custom Scenery/D/terrain/1.ter' could not be loaded\n"
        "MACIBM_alert: Error loading the scenery package: Custom Scenery/E/\n")


def dm3_seeds():
    tool = os.environ.get("DM3FILES", os.path.join(HERE, "..", "build", "dev", "tests", "dm3files"))
    if not os.path.exists(tool):
        sys.exit("no %s: build it first (cmake --build --preset dev --target dm3files)" % tool)
    folder = os.path.join(HERE, "corpus", "fuzz_dm3")
    os.makedirs(folder, exist_ok=True)
    subprocess.run([tool, "seeds", folder], check=True)


if __name__ == "__main__":
    dm3_seeds()
    settings_seeds()
    lng_seeds()
    lnk_seeds()
    order_seeds()
    check_seeds()
