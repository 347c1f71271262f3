#!/usr/bin/env python3
"""Builds the golden files of the writer tests from the store descriptions
(*.json) beside this script, following the five file layouts on their own,
without Wayfold's code. Run it from anywhere; it rewrites the golden files in
its own folder. The tests compare Wayfold's output with these bytes.

The hand-written examples (empty GDB file, the GDB waypoint "A", the
TerraByte record GC1, the MPS header) are spelled out byte for byte below.
"""
import datetime
import decimal
import json
import os
import re
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The names Garmin devices write in GPX for symbol numbers 0 to 248.
DEVICE_SYMBOL_NAMES = {}
with open(os.path.join(HERE, "..", "..", "..", "..", "shared", "fixtures", "garmin-symbols.tsv"),
          encoding="utf-8") as tsv:
    for row in tsv:
        if not row.startswith("#") and row.strip():
            number, name = row.rstrip("\n").split("\t")
            DEVICE_SYMBOL_NAMES.setdefault(int(number), name)


def name_id(name):
    """The id of a cache without a code: FNV-1a of its upper-cased name."""
    h = 2166136261
    for b in name.upper().encode("utf-8"):
        h = ((h ^ b) * 16777619) & 0xFFFFFFFF
    return 1000000000 + h % 1000000000


# MapSource symbol names by number, 0 to 118.
SYMBOL_NAMES = [
    "Marina", "Bell", "Green Diamond", "Red Diamond", "Diver Down Flag 1", "Diver Down Flag 2",
    "Bank", "Fishing Area", "Gas Station", "Horn", "Residence", "Restaurant", "Light", "Bar",
    "Skull and Crossbones", "Green Square", "Red Square", "White Buoy", "Waypoint",
    "Shipwreck", "Man Overboard", "Navaid, Amber", "Navaid, Black", "Navaid, Blue",
    "Navaid, Green", "Navaid, Green/Red", "Navaid, Green/White", "Navaid, Orange",
    "Navaid, Red", "Navaid, Red/Green", "Navaid, Red/White", "Navaid, Violet", "Navaid, White",
    "Navaid, White/Green", "Navaid, White/Red", "White Dot", "Radio Beacon", "Boat Ramp",
    "Campground", "Restroom", "Shower", "Drinking Water", "Telephone", "Medical Facility",
    "Information", "Parking Area", "Park", "Picnic Area", "Scenic Area", "Skiing Area",
    "Swimming Area", "Dam", "Controlled Area", "Danger Area", "Restricted Area", "Ball Park",
    "Car", "Hunting Area", "Shopping Center", "Lodging", "Mine", "Trail Head", "Truck Stop",
    "Exit", "Flag", "Circle with X", "Mile Marker", "TracBack Point", "Golf Course",
    "City (Small)", "City (Medium)", "City (Large)", "City (Capitol)", "Amusement Park",
    "Bowling", "Car Rental", "Car Repair", "Fast Food", "Fitness Center", "Movie Theater",
    "Museum", "Pharmacy", "Pizza", "Post Office", "RV Park", "School", "Stadium",
    "Department Store", "Zoo", "Convenience Store", "Live Theater", "Scales", "Toll Booth",
    "Bridge", "Building", "Cemetery", "Church", "Civil", "Crossing", "Ghost Town", "Levee",
    "Military", "Oil Field", "Tunnel", "Beach", "Forest", "Summit", "Airport", "Heliport",
    "Private Field", "Soft Field", "Tall Tower", "Short Tower", "Glider Area",
    "Ultralight Area", "Parachute Area", "Seaplane Base", "Geocache", "Geocache Found",
]
NOT_SET = 999


def fresh(w):
    """A waypoint record with the defaults of an empty store slot."""
    r = {
        "Name": "", "Description": "", "Url": "", "LinkName": "", "Comment": "",
        "TypeText": "", "CacheType": "", "Hint": "",
        "Latitude": 0.0, "Longitude": 0.0,
        "HasAltitude": 0, "Altitude": 0.0, "HasDepth": 0, "Depth": 0.0,
        "HasProximity": 0, "Proximity": 0.0, "HasTemperature": 0, "Temperature": 0.0,
        "Symbol": 0, "Colour": 0, "Display": 0, "HasTime": 0, "Time": 0, "CategoryBits": 0,
    }
    r.update(w)
    for axis in ("Lat", "Lon"):
        key = axis + "Semicircles"
        if key not in r:
            degrees = r["Latitude" if axis == "Lat" else "Longitude"]
            r[key] = round(degrees / 180.0 * 2147483648.0)  # halves to even
    return r


def mark(records, exact):
    sort_keyed = lambda r: r["Name"].upper()
    for n, r in enumerate(records):
        r["Sequence"] = n  # the order of import
    # Sorted by the upper-cased names, equal ones in the order of import; of
    # equal names the first imported is written.
    records[:] = sorted(records, key=lambda r: (sort_keyed(r), r["Sequence"]))
    seen = set()
    for r in records:
        name = r["Name"] if exact else r["Name"].upper()
        r["Duplicate"] = name in seen
        seen.add(name)


def ansi(text):
    return text.encode("cp1252", errors="replace").replace(b"\0", b"?")


def zt(text):
    return ansi(text) + b"\0"


def i16(v):
    return struct.pack("<h", v)


def i32(v):
    return struct.pack("<i", v)


def f64(v):
    return struct.pack("<d", v)


def code(cache_type, with_unknown):
    t = cache_type.lower()
    table = {"traditional cache": "GC", "multi-cache": "MC", "webcam cache": "WC",
             "virtual cache": "VC", "locationless (reverse) cache": "LC"}
    if with_unknown:
        table["unknown"] = "UC"
    return table.get(t, "GC")


def export_name(w, o, with_unknown=True):
    if o["ModNames"] and w["Name"][:2].lower() == "gc":
        return code(w["CacheType"], with_unknown) + w["Name"][2:]
    return w["Name"]


def style(w, o):
    display = w["Display"] if o["PreserveDisplay"] and w["Display"] != NOT_SET else o["DisplayMode"]
    symbol = w["Symbol"] if o["PreserveIcons"] and w["Symbol"] != NOT_SET else o["IconNumber"]
    cats = w["CategoryBits"] if o["PreserveCats"] and w["CategoryBits"] != NOT_SET else o["Categories"]
    return display, symbol, cats


def mps(records, o):
    records = [dict(r) for r in records]
    if o["SwapNameDesc"]:
        for r in records:
            r["Name"], r["Description"] = r["Description"], r["Name"]
    mark(records, exact=False)
    out = b"MsRcd\0" + b"\x02\0\0\0Dg\0"
    out += b"\x1b\0\0\0A" + b"\x9d\x01" + b"SQA\0" + b"Feb  4 1980\0" + b"06:45:00\0"
    for w in records:
        if w["Duplicate"]:
            continue
        display, symbol, _ = style(w, o)
        data = zt(export_name(w, o)) + b"\0" * 9 + b"\xff" * 12 + b"\0" * 2 + b"\xff" * 4
        data += i32(w["LatSemicircles"]) + i32(w["LonSemicircles"])
        data += bytes([w["HasAltitude"]]) + f64(w["Altitude"])
        data += zt(w["Description"])
        data += bytes([w["HasProximity"]]) + f64(w["Proximity"])
        data += i32(display) + i32(w["Colour"]) + i32(symbol) + b"\0" * 4
        data += bytes([w["HasDepth"]]) + f64(w["Depth"]) + b"\0" * 7
        assert len(data) == len(ansi(export_name(w, o))) + len(ansi(w["Description"])) + 87
        out += i32(len(data)) + b"W" + data
    return out + b"\x02\0\0\0V\0\x01"


def utf8_zt(text):
    return text.encode("utf-8", errors="surrogatepass").replace(b"\0", b"?") + b"\0"


def gdb(records, o, version=1):
    """Version 1 ("k", Windows-1252 texts) or version 3 ("m", UTF-8 texts,
    a link list, phone numbers, country and postal code after the time)."""
    text = zt if version == 1 else utf8_zt
    records = [dict(r) for r in records]
    for r in records:
        r["Key"] = r["Name"]
    if o["SwapNameDesc"]:
        for r in records:
            r["Name"], r["Description"] = r["Description"], r["Name"]
    mark(records, exact=False)
    out = b"MsRcf\0" + b"\x02\0\0\0D" + (b"k" if version == 1 else b"m") + b"\0"
    out += b"\x1b\0\0\0A" + b"\x59\x02" + b"SQA\0" + b"Feb 04 1980\0" + b"06:45:00\0"
    out += b"MapSource\0"
    for w in records:
        if w["Duplicate"]:
            continue
        key = w["Key"]
        if w["Url"] == "" and key[:2].upper() == "GC" and len(key) == 6:
            w["Url"] = "https://www.geocaching.com/seek/cache_details.aspx?wp=" + key.upper()
        display, symbol, cats = style(w, o)

        def opt(flag, value):
            return b"\0" if flag == 0 else b"\x01" + f64(value)

        name = text(export_name(w, o))
        comment = text(w["Hint"] if o["CopyHint"] else w["Description"])
        # Name, class 0 and 3 bytes, empty class text (country), 22 bytes.
        data = name + b"\0" * 4 + b"\0" + b"\0" * 4 + b"\xff" * 12 + b"\0" * 2 + b"\xff" * 4
        data += i32(w["LatSemicircles"]) + i32(w["LonSemicircles"])
        data += opt(w["HasAltitude"], w["Altitude"])
        data += comment
        data += opt(w["HasProximity"], w["Proximity"])
        # Display, colour, symbol, empty city, state, facility, one byte.
        data += i32(display) + i32(w["Colour"]) + i32(symbol) + b"\0" * 3 + b"\0"
        data += opt(w["HasDepth"], w["Depth"])
        if version == 1:
            # 2 bytes, duration, empty directions, the link.
            data += b"\0" * 2 + i32(0) + b"\0"
            data += text(w["Url"])
        else:
            # Empty street address, one byte, duration, empty instruction,
            # the link list.
            data += b"\0" + b"\0" + i32(0) + b"\0"
            data += i32(0) if w["Url"] == "" else i32(1) + text(w["Url"])
        data += i16(cats)
        data += opt(w["HasTemperature"], w["Temperature"])
        time = w["Time"] if o["PreserveTimes"] and w["Time"] != 0 else o["ManualTime"]
        data += b"\x01" + i32(time)
        flags = sum(8 for f in ("HasAltitude", "HasProximity", "HasDepth", "HasTemperature") if w[f])
        if version == 3:
            # No phone numbers, empty country and postal code.
            data += i32(0) + b"\0" + b"\0"
            link = 0 if w["Url"] == "" else len(text(w["Url"]))
            assert len(data) == len(name) + len(comment) + 79 + link + flags
        out += i32(len(data)) + b"W" + data
    return out + b"\x02\0\0\0V\0\x01"


def terrabyte(records, o):
    records = [dict(r) for r in records]
    mark(records, exact=True)
    out = b"TerraByte Location File Copyright 2002 TopoGrafix\x0a\x0e"

    def short(text):
        b = ansi(text)[:255]
        return bytes([len(b)]) + b

    for w in records:
        if w["Duplicate"]:
            continue
        if w["TypeText"] == "":
            symbol = w["Symbol"] if o["PreserveIcons"] and w["Symbol"] != NOT_SET else o["IconNumber"]
            if not 0 <= symbol < len(SYMBOL_NAMES):
                symbol = o["IconNumber"]
            w["TypeText"] = SYMBOL_NAMES[symbol]
        rec = b"W" + b"\x01" + short(export_name(w, o, with_unknown=False))
        if w["Comment"]:
            rec += b"\x02" + short(w["Comment"])
        rec += b"\x08" + zt(w["Description"])
        rec += b"\x07" + short(w["TypeText"])
        rec += b"\x84" + i32(w["Symbol"])
        rec += b"\x63" + f64(w["Latitude"]) + b"\x64" + f64(w["Longitude"])
        if w["HasAltitude"]:
            rec += b"\x65" + f64(w["Altitude"])
        if w["Url"]:
            rec += b"\x09" + zt(w["Url"])
        if w["LinkName"]:
            rec += b"\x10" + zt(w["LinkName"])
        rec += b"\x66" + b"\0" * 8 + b"\xff"
        out += rec
    return out + b"\0"


def xml_text(text, place):
    """Text for an attribute, element content or a CDATA section."""
    out = []
    for i, ch in enumerate(text):
        c = ord(ch)
        valid = c in (9, 10, 13) or 0x20 <= c <= 0xD7FF or 0xE000 <= c <= 0xFFFD or c >= 0x10000
        if not valid:
            out.append("?")
        elif place == "cdata":
            if ch == ">" and text[max(0, i - 2):i] == "]]":
                out.append("]]><![CDATA[>")
            elif c > 0xFF or ch == "\r":
                out.append("]]>&#%d;<![CDATA[" % c)
            else:
                out.append(ch)
        else:
            if ch == "&":
                out.append("&amp;")
            elif ch == "<":
                out.append("&lt;")
            elif ch == '"':
                out.append("&quot;")
            elif ch == ">" and place == "content" and text[max(0, i - 2):i] == "]]":
                out.append("&gt;")
            elif c > 0xFF or ch == "\r" or (place == "attribute" and ch in "\t\n"):
                out.append("&#%d;" % c)
            else:
                out.append(ch)
    return "".join(out)


def number(x):
    if x == 0:
        return "0"
    return format(x, ".15g").replace("e", "E")


def loc(records):
    records = [dict(r) for r in records]
    mark(records, exact=True)
    lines = ['<?xml version="1.0" encoding="ISO-8859-1"?><loc version="1.0" src="Wayfold">']
    for w in records:
        if w["Duplicate"]:
            continue
        lines += [
            "<waypoint>",
            '<name id="%s">' % xml_text(w["Name"], "attribute"),
            "<![CDATA[%s]]>" % xml_text(w["Description"], "cdata"),
            "</name>",
            '<coord lat="%s" lon="%s"/>' % (number(w["Latitude"]), number(w["Longitude"])),
            "<type>geocache</type>",
            '<link text="%s">%s</link>' % (xml_text(w["LinkName"], "attribute"),
                                          xml_text(w["Url"], "content")),
            "</waypoint>",
        ]
    lines.append("</loc>")
    return "".join(line + "\r\n" for line in lines).encode("latin-1")


GPX_CACHE_TYPES = [
    "Traditional Cache", "Multi-cache", "Unknown Cache", "Letterbox Hybrid", "Event Cache",
    "Earthcache", "Virtual Cache", "Webcam Cache", "Wherigo Cache", "Cache In Trash Out Event",
    "Mega-Event Cache", "Locationless (Reverse) Cache",
]
BASE31 = "0123456789ABCDEFGHJKMNPQRTVWXYZ"


def project_version():
    with open(os.path.join(HERE, "..", "..", "..", "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"project\(Wayfold VERSION ([0-9.]+)", f.read()).group(1)


def gpx_text(text):
    """UTF-8 element content: the five escapes, CR as a reference, and the
    characters XML 1.0 cannot hold left out."""
    out = []
    for ch in text:
        c = ord(ch)
        if not (c in (9, 10, 13) or 0x20 <= c <= 0xD7FF or 0xE000 <= c <= 0xFFFD or c >= 0x10000):
            continue
        out.append({"&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;", "'": "&apos;",
                    "\r": "&#13;"}.get(ch, ch))
    return "".join(out)


def gpx_number(x):
    """The shortest decimal that reads back as x, without an exponent."""
    return format(decimal.Decimal(repr(float(x))).normalize(), "f")


def gpx_time(seconds):
    t = datetime.datetime(1970, 1, 1) + datetime.timedelta(seconds=seconds)
    return t.strftime("%Y-%m-%dT%H:%M:%SZ")


def is_code(name):
    return re.fullmatch(r"[Gg][Cc][0-9A-Za-z]{2,6}", name) is not None


def code_number(code):
    digits = code[2:].upper()
    if len(digits) <= 4 and all(c in "0123456789ABCDEF" for c in digits):
        return int(digits, 16)
    if any(c not in BASE31 for c in digits):
        return 0
    n = 0
    for c in digits:
        n = n * 31 + BASE31.index(c)
    return max(n - 411120, 0)


def gpx(records, o, version):
    records = [dict(r) for r in records]
    for r in records:
        r["Code"], r["Title"] = r["Name"], r["Description"]
    if o["SwapNameDesc"]:
        for r in records:
            r["Name"], r["Description"] = r["Description"], r["Name"]
    mark(records, exact=True)
    written = [w for w in records if not w["Duplicate"]]
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           '<gpx xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" version="1.0" '
           'creator="Wayfold %s" xsi:schemaLocation="http://www.topografix.com/GPX/1/0 '
           'http://www.topografix.com/GPX/1/0/gpx.xsd http://www.groundspeak.com/cache/1/0/1 '
           'http://www.groundspeak.com/cache/1/0/1/cache.xsd" '
           'xmlns="http://www.topografix.com/GPX/1/0" '
           'xmlns:groundspeak="http://www.groundspeak.com/cache/1/0/1">' % version]
    out.append('  <bounds minlat="%s" minlon="%s" maxlat="%s" maxlon="%s"/>' % tuple(
        gpx_number(f(w[k] for w in written)) for f, k in
        ((min, "Latitude"), (min, "Longitude"), (max, "Latitude"), (max, "Longitude"))))
    used = set()

    def element(indent, tag, text):
        out.append("%s<%s>%s</%s>" % (" " * indent, tag, gpx_text(text), tag))

    for w in written:
        out.append('  <wpt lat="%s" lon="%s">' % (gpx_number(w["Latitude"]),
                                                  gpx_number(w["Longitude"])))
        if w["HasAltitude"]:
            out.append("    <ele>%s</ele>" % gpx_number(w["Altitude"]))
        if w["HasTime"]:
            element(4, "time", gpx_time(w["Time"]))
        element(4, "name", export_name(w, o))
        comment = w["Hint"] if o["CopyHint"] else w["Comment"]
        for tag, text in (("cmt", comment), ("desc", w["Description"]), ("url", w["Url"]),
                          ("urlname", w["LinkName"])):
            if text:
                element(4, tag, text)
        fill_in = w["CacheType"] == "Traditional Cache" and w["Hint"] == " - No Hints - "
        cache = w["Symbol"] in (117, 118) or (w["CacheType"] != "" and not fill_in) or \
            is_code(w["Code"])
        if not cache:
            if w["Symbol"] in DEVICE_SYMBOL_NAMES:
                element(4, "sym", DEVICE_SYMBOL_NAMES[w["Symbol"]])
            if w["TypeText"]:
                element(4, "type", w["TypeText"])
            out.append("  </wpt>")
            continue
        kind = w["CacheType"]
        for known in GPX_CACHE_TYPES:
            if kind.lower() == known.lower():
                kind = known
        if kind.lower() == "unknown":
            kind = "Unknown Cache"
        element(4, "sym", "Geocache Found" if w["Symbol"] == 118 else "Geocache")
        element(4, "type", "Geocache|" + kind if kind else "Geocache")
        number = code_number(w["Code"]) if is_code(w["Code"]) else 0
        if number <= 0 or number in used:
            number = name_id(w["Code"])
            while number in used:
                number = number + 1 if number + 1 < 2000000000 else 1000000000
        used.add(number)
        out.append('    <groundspeak:cache id="%d" available="True" archived="False">' % number)
        link = w["LinkName"]
        generic = link == "" or link.lower() == "cache details" or link == "Replacement Text"
        element(6, "groundspeak:name", w["Title"] if generic else link)
        listing = re.fullmatch(r".+ by (.+), [^,]+ \(([1-5](?:\.5)?)/([1-5](?:\.5)?)\)",
                               w["Title"])
        if listing:
            element(6, "groundspeak:placed_by", listing.group(1))
            element(6, "groundspeak:owner", listing.group(1))
        if kind:
            element(6, "groundspeak:type", kind)
        element(6, "groundspeak:container", "Not chosen")
        if listing:
            element(6, "groundspeak:difficulty", listing.group(2))
            element(6, "groundspeak:terrain", listing.group(3))
        element(6, "groundspeak:encoded_hints", w["Hint"])
        out += ["      <groundspeak:logs></groundspeak:logs>",
                "      <groundspeak:travelbugs></groundspeak:travelbugs>",
                "    </groundspeak:cache>", "  </wpt>"]
    out.append("</gpx>")
    return "".join(line + "\r\n" for line in out).encode("utf-8")


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def hand_written_examples():
    app = bytes.fromhex("1B000000") + b"A" + bytes.fromhex("5902") + b"SQA\0Feb 04 1980\0" + b"06:45:00\0"
    assert len(app) == 32
    head = bytes.fromhex("4D7352636600") + bytes.fromhex("02000000446B00") + app + \
        bytes.fromhex("4D6170536F7572636500")
    tail = bytes.fromhex("02000000560001")
    write("gdb-empty.gdb", head + tail)
    assert len(head + tail) == 62
    # Waypoint "A" at 0/0, display mode 1, colour 0, symbol 18, categories 0,
    # time 0x12345678.
    a = bytes.fromhex("49000000") + b"W" + bytes.fromhex("4100") + b"\0" * 4 + b"\0" + b"\0" * 4 + \
        b"\xff" * 12 + b"\0\0" + b"\xff" * 4 + b"\0" * 4 + b"\0" * 4 + b"\0" + b"\0" + b"\0" + \
        bytes.fromhex("01000000") + bytes.fromhex("00000000") + bytes.fromhex("12000000") + \
        b"\0" * 4 + b"\0" + b"\0" * 6 + b"\0" + b"\0" + b"\0\0" + b"\0" + b"\x01" + \
        bytes.fromhex("78563412")
    assert len(a) == 78
    write("gdb-waypoint-a.gdb", head + a + tail)

    gc1 = bytes.fromhex("570103474331080007084765") + b"ocache" + bytes.fromhex("8475000000") + \
        b"\x63" + b"\0" * 8 + b"\x64" + b"\0" * 8 + b"\x66" + b"\0" * 8 + b"\xff"
    write("terrabyte-gc1.loc",
          b"TerraByte Location File Copyright 2002 TopoGrafix\x0a\x0e" + gc1 + b"\0")

    # Two waypoints with empty names and comments: records of 92 bytes each
    # (Length 87); the second one, an exact copy, is skipped.
    empty = bytes.fromhex("57000000") + b"W" + b"\0" + b"\0" * 9 + b"\xff" * 12 + b"\0\0" + \
        b"\xff" * 4 + b"\0" * 8 + b"\0" + b"\0" * 8 + b"\0" + b"\0" + b"\0" * 8 + \
        bytes.fromhex("01000000") + b"\0" * 4 + bytes.fromhex("12000000") + b"\0" * 4 + \
        b"\0" + b"\0" * 8 + b"\0" * 7
    assert len(empty) == 92
    write("mps-empty-name.mps", b"MsRcd\0" + bytes.fromhex("02000000446700") +
          bytes.fromhex("1B000000") + b"A" + bytes.fromhex("9D01") + b"SQA\0Feb  4 1980\0" +
          b"06:45:00\0" + empty + bytes.fromhex("02000000560001"))

    # Latitude 51.5 in a TerraByte record: 63 00 00 00 00 00 C0 49 40.
    assert b"\x63" + f64(51.5) == bytes.fromhex("630000000000C04940")


def main():
    hand_written_examples()
    for store in ("realistic", "options"):
        with open(os.path.join(HERE, store + ".json"), encoding="utf-8") as f:
            description = json.load(f)
        o = description["options"]
        records = [fresh(w) for w in description["waypoints"]]
        write(store + ".mps", mps(records, o))
        write(store + ".gdb", gdb(records, o))
        write(store + ".v3.gdb", gdb(records, o, version=3))
        write(store + ".tb.loc", terrabyte(records, o))
        if store == "realistic":
            write(store + ".loc", loc(records))
        write(store + ".gpx", gpx(records, o, project_version()))


if __name__ == "__main__":
    main()
