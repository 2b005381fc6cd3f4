#!/usr/bin/env python3
"""Writes tests/corpus/*.nc: shop milling programs in code page 932, the way posts
and shop programmers write them, and tests/corpus/corpus.txt, the list of what
each must convert with. Coordinates are worked in whole micrometres, so every arc
centre and R word is exact. Run it from anywhere; it rewrites the files in place.

    python3 scripts/make-corpus.py
"""
import math
import os

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "corpus")


def mm(um, lead=True, zero_point=True):
    """Micrometres as a post writes millimetres: 10. 12.5 -0.25 (.5 without lead)."""
    sign = "-" if um < 0 else ""
    um = abs(um)
    whole, frac = divmod(um, 1000)
    if frac == 0:
        return sign + str(whole) + ("." if (um or zero_point) else "")
    text = ("%03d" % frac).rstrip("0")
    return sign + (str(whole) if (whole or lead) else "") + "." + text


def um(v):
    return int(round(v * 1000))


class Program:
    """Lines of one program with the tool position kept in micrometres."""

    def __init__(self, plain=False):
        self.lines = []
        self.plain = plain

    def n(self, v):
        return str(v) if self.plain else mm(v)

    def add(self, *lines):
        self.lines.extend(lines)

    def bytes(self, eol="\r\n", last_eol=True, eof_mark=False):
        text = eol.join(self.lines) + (eol if last_eol else "")
        data = text.encode("cp932")
        return data + (b"\x1a" if eof_mark else b"")


# ---- shapes shared by several programs -------------------------------------------------


def rect_pocket(p, cx, cy, hw, hh, r, depths, feed, plunge, ccw=True, r_words=False):
    """A rectangular pocket from its centre: every depth, out to the side's middle,
    round the corners (I/J or R) and back to the centre."""
    n = p.n
    for z in depths:
        p.add("G01 Z%s F%d" % (n(z), plunge))
        p.add("Y%s F%d" % (n(cy - hh), feed))
        corners = [(cx + hw, cy - hh), (cx + hw, cy + hh), (cx - hw, cy + hh), (cx - hw, cy - hh)]
        if not ccw:
            corners = [(cx - hw, cy - hh), (cx - hw, cy + hh), (cx + hw, cy + hh), (cx + hw, cy - hh)]
        prev = (cx, cy - hh)
        for i, c in enumerate(corners):
            nxt = corners[i + 1] if i < 3 else (cx, cy - hh)
            din = (sgn(c[0] - prev[0]), sgn(c[1] - prev[1]))
            dout = (sgn(nxt[0] - c[0]), sgn(nxt[1] - c[1]))
            before = (c[0] - din[0] * r, c[1] - din[1] * r)
            after = (c[0] + dout[0] * r, c[1] + dout[1] * r)
            centre = (before[0] + dout[0] * r, before[1] + dout[1] * r)
            p.add("G01 " + xy(p, prev, before))
            cw = din[0] * dout[1] - din[1] * dout[0] < 0
            g = "G02" if cw else "G03"
            if r_words:
                p.add("%s %s R%s" % (g, xy(p, before, after, both=True), n(r)))
            else:
                p.add("%s %s I%s J%s" % (g, xy(p, before, after, both=True), n(centre[0] - before[0]), n(centre[1] - before[1])))
            prev = after
        p.add("G01 X%s" % n(cx))
        p.add("Y%s" % n(cy))


def sgn(v):
    return (v > 0) - (v < 0)


def xy(p, frm, to, both=False):
    words = []
    if both or to[0] != frm[0]:
        words.append("X" + p.n(to[0]))
    if both or to[1] != frm[1]:
        words.append("Y" + p.n(to[1]))
    return " ".join(words)


def bolt_circle(cx, cy, radius, count, start_deg=0.0):
    pts = []
    for i in range(count):
        a = math.radians(start_deg + 360.0 * i / count)
        pts.append((cx + int(round(radius * math.cos(a))), cy + int(round(radius * math.sin(a)))))
    return pts


def holes(p, pts, first_block, returns):
    """First hole with the cycle words, the others by X and Y; returns gives G98/G99
    per hole, written where it changes."""
    mode = None
    prev = None
    for i, pt in enumerate(pts):
        words = []
        if returns[i] != mode:
            words.append("G%d" % returns[i])
            mode = returns[i]
        if i == 0:
            # Without %s the first hole is where the tool already stands.
            words.append(first_block % ("X%s Y%s" % (p.n(pt[0]), p.n(pt[1]))) if "%s" in first_block else first_block)
        else:
            words.append(xy(p, prev, pt))
        p.add(" ".join(w for w in words if w))
        prev = pt
    p.add("G80")


# ---- the programs ---------------------------------------------------------------------------


def plate_pocket():
    p = Program()
    p.add("%", "O0101 (ベースプレート ポケット加工)", "(材料 A5052 150X100X20)",
          "(T1 φ10 エンドミル H1)", "(T2 φ10 センタードリル H2)", "(T3 φ6.8 ドリル H3)",
          "G00 G17 G21 G40 G49 G80 G90", "(ポケット荒加工 T1)", "G91 G28 Z0.", "T1 M06", "T2",
          "G90 G54 G00 X75. Y50. S3200 M03", "G43 Z50. H01 M08", "Z5.")
    rect_pocket(p, 75000, 50000, 25000, 15000, 3000, [-2000, -4000, -6000], 450, 120)
    p.add("G00 Z50.", "M09", "M05", "M01", "(センタードリル T2)", "G91 G28 Z0.", "M06", "T3",
          "G90 G54 G00 X15. Y15. S1500 M03", "G43 H02 Z5. M08")
    corners = [(15000, 15000), (135000, 15000), (135000, 85000), (15000, 85000)]
    holes(p, corners, "G81 Z-2.5 R2. F120", [99, 99, 99, 98])
    p.add("G00 Z50.", "M09", "M05", "M01", "(ドリル T3 貫通)", "G91 G28 Z0.", "M06", "T1",
          "G90 G54 G00 X15. Y15. S1800 M03", "G43 Z50. H03 M08", "Z10.")
    holes(p, corners, "G83 %s Z-23. R2. Q3. F150", [98, 99, 99, 98])
    p.add("G00 Z50.", "M09", "M05", "G91 G28 Z0.", "G28 X0. Y0.", "M30", "%")
    return p


def old_g92_bolt_circle():
    p = Program(plain=True)
    pts = bolt_circle(0, 0, 40000, 6, 30.0)
    p.add("%", "O2002(フランジ ボルト穴 G92)", "(ワーク中心 上面 Z0 に 原点)", "(T11 ｾﾝﾀｰﾄﾞﾘﾙ / T12 φ9 ﾄﾞﾘﾙ)",
          "G90 G17 G40 G80", "G92 X0 Y0 Z100000", "(T11 ｾﾝﾀｰﾄﾞﾘﾙ)", "S1200 M03",
          "G00 X%d Y%d" % pts[0], "Z10000", "M08")
    holes(p, pts, "G82 %s Z-3000 R3000 P300 F80", [99] * 5 + [98])
    p.add("G00 Z100000", "X0 Y0", "M09", "M05", "M00 (T12 ﾄﾞﾘﾙ ﾆ ｺｳｶﾝ)", "G92 Z150000",
          "S900 M03", "G00 X%d Y%d" % pts[0], "Z10000", "M08")
    holes(p, pts, "G83 %s Z-25000 R3000 Q4000 F90", [98] * 6)
    p.add("G00 Z150000", "X0 Y0", "M09", "M05", "M30", "%")
    return p


def boss_and_helix():
    p = Program()
    cx, cy = 60000, 40000
    lines = ["%", "O0303 (円ポケット ヘリカル ボス外周)", "(T5 φ12 エンドミル)",
             "G00 G17 G21 G40 G49 G80 G90", "G05.1 Q1", "G91 G28 Z0.", "T5 M06",
             "G90 G54 G00 X66. Y40. S4000 M03", "G43 Z50. H05 M08", "Z2.", "G01 Z0.5 F300",
             "(ヘリカル 進入 ピッチ 1.)"]
    p.add(*lines)
    z = 500
    while z > -8000:
        z = max(z - 1000, -8000)
        p.add("G03 X66. Y40. Z%s I-6. J0. F300" % mm(z))
    p.add("G03 X66. Y40. I-6. J0. F900", "G01 X75.", "G03 X45. Y40. R15.", "X75. Y40. R15.",
          "G01 X60.", "G00 Z2.", "(ボス外周 φ40 4回)", "G00 Z50.", "X190. Y40.", "Z2.")
    for z in (-2500, -5000, -7500, -10000):
        p.add("G01 Z%s F300" % mm(z), "X176. F900", "G02 X176. Y40. I-26. J0.", "G01 X190.")
    p.add("G00 Z50.", "M09", "M05", "G05.1 Q0", "G91 G28 Z0.", "G28 X0. Y0.", "M30", "%")
    for i in range(1, len(p.lines) - 1):
        if not p.lines[i].startswith("(") and not p.lines[i].startswith("O"):
            p.lines[i] = "N%d %s" % (i * 10, p.lines[i])
    return p


def slot_g91_passes():
    p = Program()
    p.add("%", "O0404(長穴 インクレメンタル 深さ送り)", "(T7 φ8 エンドミル 2枚刃)", "G90 G17 G40 G80 G49",
          "G91 G28 Z0.", "T7 M06", "G90 G54 G00 X30. Y50. S5000 M03", "G43 H07 Z50.", "M08", "Z3.",
          "(長穴 R6 中心間 40)")
    p.add("G91 G01 Z-5. F150")
    for k in range(4):
        if k:
            p.add("G01 Z-2. F150")
        p.add("Y-6. F600", "X40.", "G03 Y12. R6.", "G01 X-40.", "G03 Y-12. R6.", "G01 Y6.")
    p.add("G90 G00 Z3.", "(長穴 2 I/J 指令 ミックス)", "G00 X30000 Y80000", "G91 G01 Z-5000 F150")
    for k in range(3):
        if k:
            p.add("G01 Z-2. F150")
        p.add("Y-6000 F600", "X40000", "G03 X0 Y12000 I0 J6000", "G01 X-40.", "G03 X0 Y-12. I0 J-6.", "G01 Y6000")
    p.add("G90 G00 Z50.", "M09", "M05", "G91 G28 Z0.", "M30", "%")
    return p


def tapped_holes():
    p = Program()
    grid = [(20000, 20000), (50000, 20000), (80000, 20000), (80000, 60000), (50000, 60000), (20000, 60000)]
    p.add("%", "O0505 (M8 タップ穴 6ヶ所 と 逆タップ)", "(T2 φ10 センタードリル)", "(T4 φ6.8 ドリル)",
          "(T6 M8X1.25 タップ)", "(T8 M10X1.25 逆タップ)", "G00 G17 G21 G40 G49 G80 G90",
          "G91 G28 Z0.", "T2 M06", "G90 G54 G00 X20. Y20. S1500 M03 T4", "G43 Z50. H02 M08")
    holes(p, grid, "G82 %s Z-2.5 R3. P200 F100", [98, 99, 99, 99, 99, 98])
    p.add("M09", "M05", "M01", "G91 G28 Z0.", "M06", "G90 G54 G00 X20. Y20. S1400 M03 T6",
          "G43 Z50. H04 M08", "Z5.")
    holes(p, grid, "G73 %s Z-18. R3. Q1.5 F140", [99, 99, 98, 99, 99, 99])
    p.add("G00 Z50.", "M09", "M05", "M01", "(M8 リジッドタップ)", "G91 G28 Z0.", "M06",
          "G90 G54 G00 X20. Y20. S500 M03 T8", "G43 Z50. H06 M08", "Z5.", "M29 S500")
    holes(p, grid, "G84 %s Z-14. R5. F625", [99, 99, 99, 99, 99, 98])
    p.add("G00 Z50.", "M09", "M05", "M01", "(M10 逆タップ 左ネジ)", "G91 G28 Z0.", "M06",
          "G90 G54 G00 X110. Y20. S300 M04 T2", "G43 Z50. H08 M08", "Z5.", "M29 S300")
    holes(p, [(110000, 20000), (110000, 60000)], "G74 %s Z-15. R5. F375", [98, 99])
    p.add("M29 S300")
    holes(p, [(140000, 20000), (140000, 60000)], "G74 %s Z-15. R5. F375", [99, 98])
    p.add("G00 Z50.", "M09", "M05", "G91 G28 Z0.", "G28 X0. Y0.", "M30", "%")
    return p


def boring_cycles():
    p = Program()
    p.add("%", "O0606 (軸受穴 リーマ ボーリング)", "(T9 φ10 リーマ / T10 φ30 ボーリングバー)",
          "G90 G17 G40 G80 G49 G94", "G91 G28 Z0.", "T9 M06", "T10",
          "G90 G54 G00 X25. Y25. S400 M03", "G43 Z50. H09 M08", "Z5.")
    holes(p, [(25000, 25000), (125000, 25000)], "G85 %s Z-22. R2. F60", [99, 98])
    p.add("G00 X125. Y75.")
    holes(p, [(125000, 75000), (25000, 75000)], "G85 %s Z-22. R2. F60", [98, 99])
    p.add("G00 Z50.", "M09", "M05", "M19", "G91 G28 Z0.", "M01", "(ボーリング 仕上げ 3方式)", "M06", "T9",
          "G90 G54 G00 X50. Y50. S700 M03", "G43 Z50. H10 M08", "Z10.", "(荒 G86)",
          "G99 G86 Z-20. R2. F45", "G98 X100.", "G80", "G04 X1.5", "(仕上げ G89 穴底ドウェル)",
          "G98 G89 X100. Y50. Z-20.5 R2. P500 F40", "G99 X50.", "G80", "G00 Z10.",
          "(手動戻し G88 検査用)", "G99 G88 X50. Y50. Z-20. R2. P800 F40", "G98 X100.", "G80",
          "G00 Z50.", "M09", "M05", "M19", "G91 G28 Z0.", "G28 X0. Y0.", "M30", "%")
    return p


def two_fixtures():
    p = Program()
    p.add("%", "O0707 (2個取り G54 G55 同一ワーク)", "(T1 φ10 エンドミル / T3 φ8.5 ドリル)",
          "G00 G17 G21 G40 G49 G80 G90", "G91 G28 Z0.", "T1 M06", "T3")
    for fixture in ("G54", "G55"):
        p.add("(%s ポケット)" % fixture, "G90 %s G00 X40. Y30. S3200 M03" % fixture if fixture == "G54"
              else "G90 G55 G00 X40. Y30.", "G43 Z50. H01 M08" if fixture == "G54" else "Z50.", "Z3.")
        rect_pocket(p, 40000, 30000, 15000, 10000, 2000, [-3000, -6000], 400, 120, r_words=True)
        p.add("G00 Z50.")
    p.add("M09", "M05", "M01", "G91 G28 Z0.", "M06", "T1")
    for fixture in ("G54", "G55"):
        p.add("(%s 穴あけ)" % fixture, "G90 %s G00 X10. Y10." % fixture,
              "G43 Z50. H03 M08" if fixture == "G54" else "Z50.")
        if fixture == "G54":
            p.add("S1200 M03")
        holes(p, [(10000, 10000), (70000, 10000), (70000, 50000), (10000, 50000)],
              "G83 %s Z-24. R3. Q5. F110", [99, 99, 99, 98])
    p.add("G00 Z50.", "M09", "M05", "G91 G28 Z0.", "G91 G28 X0. Y0.", "M30", "%")
    return p


def extended_offset_corners():
    p = Program()
    p.add("%", "O0808 (追加ワーク座標 G54.1 P2 角R 面取り)", "(T4 φ10 エンドミル)",
          "G90 G17 G40 G80 G49", "G91 G28 Z0.", "T4 M06",
          "G90 G54.1 P2 G00 X50. Y5. S3500 M03", "G43 Z50. H04 M08", "Z2.", "(角R 付き 外周 G61)", "G61")
    for z in (-2000, -4000):
        p.add("G01 Z%s F150" % mm(z), "X90. ,R5. F500", "Y55. ,R5.", "X10. ,R5.", "Y5. ,R5.", "X50.")
    p.add("G64", "G00 Z2.", "(面取り ボス)", "G00 X50. Y15.")
    p.add("G01 Z-1. F150", "X75. ,C2. F500", "Y45. ,C2.", "X25. ,C2.", "Y15. ,C2.", "X50.")
    p.add("G00 Z50.", "G54.1 P1 X50. Y5.", "Z2.", "(P1 側 同一形状)", "G61")
    for z in (-2000, -4000):
        p.add("G01 Z%s F150" % mm(z), "X90. ,R5. F500", "Y55. ,R5.", "X10. ,R5.", "Y5. ,R5.", "X50.")
    p.add("G64", "G00 Z50.", "M09", "M05", "G91 G28 Z0.", "M30", "%")
    return p


def contour_g41():
    p = Program()
    p.add("%", "O0909 (外形仕上げ 工具径補正 G41)", "(T3 φ12 エンドミル 側面仕上げ D3)",
          "G90 G17 G40 G80 G49", "G91 G28 Z0.", "T3 M06", "G90 G54 G00 X-20. Y-20. S2500 M03",
          "G43 Z50. H03 M08", "Z2.")
    for z in (-5000, -10000, -15000):
        p.add("G01 Z%s F200" % mm(z), "G41 D03 X0. F400", "G01 Y70.", "G02 X10. Y80. I10. J0.",
              "G01 X110.", "G02 X120. Y70. R10.", "G01 Y10.", "G02 X110. Y0. I-10.", "G01 X-10.",
              "G40 G01 X-20. Y-20.")
    p.add("G00 Z50.", "(内側 ポケット 仕上げ G42)", "X60. Y40.", "Z2.", "G01 Z-5. F200",
          "G42 D03 G01 X60. Y25. F300", "X40.", "G02 X40. Y55. R15.", "G01 X80.", "G02 X80. Y25. R15.",
          "G01 X60.", "G40 G01 X60. Y40.", "G00 Z50.", "M09", "M05", "G91 G28 Z0.", "M30", "%")
    return p


def keyhole_near_half():
    p = Program()
    # Keyhole head R12.5 about (40,40): lattice point (7.5,10.) on it; its mirror below.
    # D shape R25 about (110,40): (13.44,21.08) and (-15.,-20.) are 175.65 degrees apart.
    p.add("%", "O1010 (キーホール R負 と Dカット 半円近く)", "(T2 φ6 エンドミル)",
          "G00 G17 G21 G40 G49 G80 G90", "G91 G28 Z0.", "T2 M06",
          "G90 G54 G00 X40. Y40. S6000 M03", "G43 Z50. H02 M08", "Z2.", "(キーホール 270度超 R-12.5)")
    for z in (-1500, -3000, -4500):
        p.add("G01 Z%s F120" % mm(z), "X47.5 Y50. F500", "G03 X47.5 Y30. R-12.5", "G01 X70.", "Y50.",
              "X47.5", "X40. Y40.")
    p.add("G00 Z2.", "(同形 I/J 指令)", "X40. Y90.")
    p.add("G01 Z-1.5 F120", "X47.5 Y100. F500", "G03 X47.5 Y80. I-7.5 J-10.", "G01 X70.", "Y100.", "X47.5",
          "X40. Y90.")
    p.add("G00 Z2.", "(Dカット 175.65度 と 184.35度)", "X123.44 Y61.08")
    for z in (-2000, -4000):
        p.add("G01 Z%s F120" % mm(z), "G03 X95. Y20. R25. F500", "G01 X123.44 Y61.08")
    p.add("G00 Z2.", "X131.08 Y53.44")
    p.add("G01 Z-2. F120", "G03 X90. Y25. R-25. F500", "G01 X131.08 Y53.44")
    p.add("G00 Z50.", "M09", "M05", "G91 G28 Z0.", "M30", "%")
    return p


def face_and_chamfer():
    p = Program()
    p.add("%", "O1111 (正面フライス 表面仕上げ と 面取り)", "(T20 φ63 正面フライス / T21 φ10 面取りカッタ)",
          "G90 G17 G21 G40 G49 G80 G94", "G08 P1", "G91 G28 Z0.", "T20 M06", "T21",
          "G90 G54 G00 X-40. Y10. S1000 M03", "G43 Z50. H20", "M08", "Z5.", "G01 Z-0.5 F300")
    y = 10000
    right = True
    while True:
        p.add("X%s F700" % mm(190000 if right else -40000))
        if y >= 90000:
            break
        y += 40000
        p.add("Y%s" % mm(y))
        right = not right
    p.add("G00 Z50.", "M09", "M05", "M01", "G91 G28 Z0.", "M06", "T20",
          "G90 G54 G00 X75. Y-8. S2500 M03", "G43 Z50. H21 M08", "Z2.", "G01 Z-1.5 F200")
    p.add("X145. ,C1.5 F600", "Y108. ,C1.5", "X5. ,C1.5", "Y-8. ,C1.5", "X75.")
    p.add("G00 Z50.", "M09", "M05", "G08 P0", "G91 G28 Z0.", "G28 X0. Y0.", "M30", "%")
    return p


def hand_no_final_newline():
    p = Program()
    p.add("O1212(ﾃﾞﾝｷ ﾌﾞﾗｹｯﾄ)", "G90G17G40G80G49", "N1(T1 ｴﾝﾄﾞﾐﾙ D16)", "G91G28Z0.", "T1M06",
          "G90G54G00X-10.Y-10.S2000M03", "G43Z50.H1M08", "Z3.", "G01Z-3.F100", "X120.F400", "Y80.",
          "X-10.", "Y-10.", "G00Z50.", "M09", "M05", "M01", "N2(T2 ﾄﾞﾘﾙ D8.5)", "G91G28Z0.", "T2M06",
          "G90G54G00X20.Y20.S1100M03", "G43Z50.H2M08", "G99G81Z-25.R3.F100", "X90.", "Y60.",
          "G98X20.", "G80", "G00Z50.", "M09", "M05", "G91G28Z0.", "M30")
    return p


def ctrl_z_plain():
    p = Program(plain=True)
    p.add("%", "O1313(ｶﾊﾞｰ ﾌﾟﾚｰﾄ)", "(ｼｮｸﾆﾝ ｻｸｾｲ)", "", "G21 G17 G40 G80 G90", "G91 G28 Z0", "T05 M06",
          "G90 G54 G00 X40000 Y30000 S2600 M03", "G43 Z50000 H05 M08", "Z3000")
    rect_pocket(p, 40000, 30000, 20000, 12000, 4000, [-2000, -4500], 500, 150, ccw=False)
    p.add("G00 Z50000", "M09", "M05", "", "G91 G28 Z0", "G28 X0 Y0", "M30", "%")
    return p


def returns_g30_g53():
    p = Program()
    p.add("%", "O1414 (第2原点 工具交換 G30 機械座標 G53)", "(T1 φ16 エンドミル / T2 φ8 エンドミル)",
          "G90 G17 G40 G80 G49", "G53 G00 Z0.", "T1 M06", "G90 G56 G00 X0. Y0. S2200 M03 T2",
          "G43 Z50. H01 M08", "Z2.", "(円ポケット 4分割 I/J)", "G01 Z-3. F150", "X20. F500",
          "G03 X0. Y20. I-20. J0.", "X-20. Y0. I0. J-20.", "X0. Y-20. I20. J0.", "X20. Y0. I0. J20.",
          "G01 X0.", "G00 Z50.", "M09", "M05", "G30 G91 Z0", "M06", "T1",
          "G90 G56 G00 X-40. Y-30. S4000 M03", "G43 H02 Z5. M08", "G01 Z-2. F120",
          "G91 X80. F450", "Y60.", "X-80.", "Y-60.", "G90 G00 Z50.", "M09", "M05",
          "G53 G00 Z0.", "G53 X-400. Y0.", "M30", "%")
    return p


def hole_rows_g91_k():
    p = Program()
    p.add("%", "O1515 (格子穴 インクレメンタル K 繰返し)", "(T3 φ5 ドリル / T4 φ5 ドリル 深穴)",
          "G00 G17 G21 G40 G49 G80 G90", "G91 G28 Z0.", "T3 M06", "T4",
          "G90 G54 G00 X0. Y10. S2000 M03", "G43 Z50. H03 M08", "Z5.",
          "(5穴 x 3列 ピッチ 15 G99)", "G91 G99 G81 X15. Z-15. R-3. K5 F120", "Y15.", "X-15. K4", "Y15.",
          "X15. K4", "G80", "G90 G00 Z50.", "M09", "M05", "M01", "G91 G28 Z0.", "M06", "T3",
          "G90 G54 G00 X120. Y5. S1800 M03", "G43 Z50. H04 M08", "Z10.",
          "(深穴 4ヶ所 G98)", "G91 G98 G83 Y10. Z-30. R-8. Q4. K4 F90", "G80", "G90 G00 Z50.",
          "M09", "M05", "G91 G28 Z0.", "G28 X0. Y0.", "M30", "%")
    return p


def mold_plate_long():
    p = Program()
    p.add("%", "O1616 (金型プレート 型板 総合)", "(材料 S50C 250X200X40)", "(T1 φ63 正面フライス)",
          "(T2 φ16 エンドミル 荒)", "(T3 φ10 エンドミル 仕上げ)", "(T4 φ8.5 ドリル)",
          "G00 G17 G21 G40 G49 G80 G90", "G05.1 Q1", "G91 G28 Z0.", "T1 M06", "T2",
          "N1 (表面削り)", "G90 G54 G00 X-40. Y15. S900 M03", "G43 Z50. H01 M08", "Z5.", "G01 Z0. F300")
    y = 15000
    right = True
    while True:
        p.add("X%s F600" % mm(290000 if right else -40000))
        if y >= 185000:
            break
        y = min(y + 42500, 185000)
        p.add("Y%s" % mm(y))
        right = not right
    p.add("G00 Z50.", "M09", "M05", "M01", "N2 (ポケット 荒 3段)", "G91 G28 Z0.", "M06", "T3",
          "G90 G54 G00 X70. Y100. S2400 M03", "G43 Z50. H02 M08", "Z3.")
    rect_pocket(p, 70000, 100000, 40000, 60000, 5000, [-4000, -8000, -12000], 600, 150)
    p.add("G00 Z3.", "(円ポケット ヘリカル G91)", "G00 X186. Y100.", "G01 Z0.5 F150", "G91")
    for _ in range(12):
        p.add("G03 I-6. Z-1. F200")
    p.add("G90", "G03 I-6. F600")
    p.add("G01 X210.", "G03 X150. Y100. R30.", "X210. Y100. R30.", "G01 X180.", "G00 Z50.",
          "M09", "M05", "M01", "N3 (ポケット 仕上げ)", "G91 G28 Z0.", "M06", "T4",
          "G90 G54 G00 X70. Y100. S4200 M03", "G43 H03 Z50. M08", "Z-9.")
    rect_pocket(p, 70000, 100000, 42500, 62500, 2500, [-12000], 500, 200, r_words=True)
    p.add("G00 Z50.", "M09", "M05", "M01", "N4 (ボルト穴 8ヶ所)", "G91 G28 Z0.", "M06", "T1")
    pts = [(20000, 20000), (125000, 20000), (230000, 20000), (230000, 100000), (230000, 180000),
           (125000, 180000), (20000, 180000), (20000, 100000)]
    p.add("G90 G54 G00 X20. Y20. S1000 M03", "G43 Z50. H04 M08", "Z5.")
    holes(p, pts, "G73 %s Z-45. R3. Q2. F100", [99] * 7 + [98])
    p.add("G00 Z50.", "M09", "M05", "G05.1 Q0", "G91 G28 Z0.", "G28 X0. Y0.", "M30", "%")
    return p


def compact_short_codes_lf():
    p = Program()
    p.add("%", "O1717(ｼﾞｸﾞ ﾌﾟﾚｰﾄ ﾁｮｳｱﾅ)", "G0G17G40G49G80G90", "G91G28Z0.", "T12M6",
          "G90G57G0X20.Y40.S3000M3", "G43Z30.H12", "M8", "G0Z2.", "G1Z-3.F100",
          "X60.F350", "G3X60.Y60.R10.", "G1X20.", "G3X20.Y40.R10.", "G1Z-6.F100", "X60.F350",
          "G3X60.Y60.I0.J10.", "G1X20.", "G3X20.Y40.I0.J-10.", "G0Z30.", "M9", "M5", "M0(ｷﾘｺ ﾄﾘ)",
          "M3S3000", "M8", "X100.Y50.", "Z2.", "G1Z-4.F100", "G3I-10.F350", "G0Z30.", "M9", "M5",
          "G91G28Z0.", "G28X0.Y0.", "M30", "%")
    return p


def per_tool_g92_mixed():
    p = Program()
    p.add("%", "O1818 (旧式 G92 工具毎 ミックス指令)", "(工具 原点 X0 Y0 Z100. 位置 にて 交換)",
          "G90 G17 G40 G80", "G92 X0 Y0 Z100.", "(T1 φ10 ｴﾝﾄﾞﾐﾙ)", "S2500 M03", "G00 X30. Y20.", "Z5.", "M08",
          "G01 Z-2. F100", "X70000 F300", "G03 X70. Y40. R10.", "G01 X30000", "G03 X30. Y20. I0 J-10000",
          "G00 Z100.", "X0 Y0", "M09", "M05", "M00 (T2 φ6.8 ﾄﾞﾘﾙ ｾｯﾄ)", "G92 Z137.5", "S1400 M03",
          "G00 X50000 Y30000", "Z5.", "M08", "G99 G81 Z-22. R2. F90", "G98 X80. Y30.", "G80",
          "G00 Z137.5", "X0 Y0", "M09", "M05", "M00 (T3 φ10 ｾﾝﾀｰﾄﾞﾘﾙ)", "G92 Z150.", "S1500 M03",
          "G00 X50. Y30.", "Z5.", "M08", "G98 G82 Z-3. R2. P300 F80", "G99 X80.", "G80",
          "G00 Z150.", "X0 Y0", "M09", "M05", "M30", "%")
    return p


PROGRAMS = [
    ("plate_pocket.nc", plate_pocket, "whole copies per_machining",
     "post style: G43 H Z lines, pre-call T, I/J pocket in three depths, G81 and G83 with G98/G99", {}),
    ("flange_bolt_circle_g92.nc", old_g92_bolt_circle, "whole copies per_machining",
     "old style G92 X0 Y0 Z100 at the start, per-tool G92 Z150 after M00, no-point numbers, G82 P and G83 Q on a bolt circle", {}),
    ("boss_helix.nc", boss_and_helix, "whole copies per_machining",
     "N on every block, G05.1 Q1, helical entry in G90, full circles, R half circles, boss in four depths", {}),
    ("slot_g91_passes.nc", slot_g91_passes, "whole copies per_machining",
     "obround slots in G91 depth passes with R and I/J semicircles, mixed point and no-point, LF line ends", {"eol": "\n"}),
    ("tapped_holes.nc", tapped_holes, "whole copies per_machining",
     "spot G82 P, G73 Q, rigid M29 G84, left-hand M04 M29 G74, pre-call T on the move line", {}),
    ("bearing_bores.nc", boring_cycles, "whole copies per_machining",
     "G85 reaming, G86, G88 P and G89 P boring with G98/G99, M19, G04 X1.5 dwell, G94", {}),
    ("two_fixtures.nc", two_fixtures, "whole copies per_machining",
     "the same part in G54 then G55 for each tool, R corner arcs, G83 holes, G91 G28 X0. Y0.", {}),
    ("extended_offset_corners.nc", extended_offset_corners, "whole copies per_machining",
     "G54.1 P2 then P1, ,R corners under G61, ,C chamfers, G64", {}),
    ("contour_g41.nc", contour_g41, "whole copies per_machining:refused",
     "outside contour under G41 D03 in three depths and an inside finish under G42, G40 lead-outs", {}),
    ("keyhole_near_half.nc", keyhole_near_half, "whole copies per_machining",
     "keyholes with R-12.5 (past 180 degrees) and I/J, D shapes of 175.65 (R25.) and 184.35 degrees (R-25.)", {}),
    ("face_and_chamfer.nc", face_and_chamfer, "whole copies per_machining",
     "face mill zigzag, G08 P1/P0, chamfer contour with ,C corners", {}),
    ("bracket_no_final_line_end.nc", hand_no_final_newline, "whole copies per_machining",
     "hand program without spaces or % marks, N1/N2 tool starts, last line M30 without a line end",
     {"last_eol": False}),
    ("cover_ctrl_z.nc", ctrl_z_plain, "whole copies per_machining",
     "no-point numbers, clockwise pocket, blank lines, Ctrl-Z as the very last byte", {"eof_mark": True}),
    ("returns_g30_g53.nc", returns_g30_g53, "whole copies per_machining",
     "G53 G00 Z0. before M06, G30 G91 Z0 return, G56, quarter-circle I/J pocket, G91 square, G53 park", {}),
    ("hole_rows_g91_k.nc", hole_rows_g91_k, "whole copies per_machining",
     "G91 G99 G81 rows with K5/K4 back and forth, G91 G98 G83 column with K4", {}),
    ("mold_plate.nc", mold_plate_long, "whole copies per_machining",
     "longer program: face, three-depth pocket, G91 helix of twelve turns, finishing with R corners, G73 holes", {}),
    ("jig_plate_compact.nc", compact_short_codes_lf, "whole copies per_machining",
     "compact post: no spaces, G0 G1 M3 M6 short codes, G57, M0 with a comment, LF line ends", {"eol": "\n"}),
    ("per_tool_g92_mixed.nc", per_tool_g92_mixed, "whole copies per_machining",
     "G92 frames per tool (Z137.5, Z150.), manual changes with M00, mixed point and no-point words", {}),
]


def main():
    os.makedirs(OUT, exist_ok=True)
    listing = ["# file | compositions it must convert with (per_machining:refused: refused there) | what it shows"]
    for name, build, compositions, what, layout in PROGRAMS:
        program = build()
        data = program.bytes(layout.get("eol", "\r\n"), layout.get("last_eol", True), layout.get("eof_mark", False))
        with open(os.path.join(OUT, name), "wb") as out:
            out.write(data)
        listing.append("%s | %s | %s" % (name, compositions, what))
    with open(os.path.join(OUT, "corpus.txt"), "w", newline="\n") as out:
        out.write("\n".join(listing) + "\n")


if __name__ == "__main__":
    main()
