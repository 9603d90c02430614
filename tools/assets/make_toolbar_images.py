#!/usr/bin/env python3
"""Draws the module's toolbar pictures and writes them as GIF files.

Every window names its pictures in the "images/" folder beside the host
executable: the folder views' add/edit/copy/drop/open/search/view, the
dialogs' item, and the body editor's buttons. They are 16 x 16 pixels on a
white background, white being the colour the buttons treat as transparent,
so nothing else in a picture may be pure white.

Only the standard library is used: a tiny raster, a few drawing primitives
and a GIF89a writer with its own LZW coder.

    python3 tools/assets/make_toolbar_images.py [output folder]

The default output folder is images/ at the top of the repository.
"""

import os
import sys

SIZE = 16

# Palette index -> RGB. Index 0 is the white background.
PALETTE = [
    (255, 255, 255),  # 0 white (transparent on the buttons)
    (0, 0, 0),        # 1 black
    (64, 64, 64),     # 2 dark grey
    (128, 128, 128),  # 3 grey
    (200, 200, 200),  # 4 light grey
    (0, 70, 180),     # 5 blue
    (90, 150, 230),   # 6 light blue
    (190, 30, 30),    # 7 red
    (30, 140, 40),    # 8 green
    (230, 180, 40),   # 9 yellow
    (250, 240, 190),  # 10 paper
    (150, 90, 30),    # 11 brown
    (250, 250, 250),  # 12 near white (for highlights that must show)
    (120, 60, 160),   # 13 purple
    (0, 150, 160),    # 14 teal
    (240, 120, 30),   # 15 orange
]
WHITE, BLACK, DARK, GREY, LIGHT, BLUE, SKY, RED, GREEN, YELLOW, PAPER, BROWN, \
    NEAR_WHITE, PURPLE, TEAL, ORANGE = range(16)


class Canvas:
    def __init__(self):
        self.pixels = [[WHITE] * SIZE for _ in range(SIZE)]

    def dot(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.pixels[y][x] = c

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.line(x0, y0, x1, y0, c)
        self.line(x0, y1, x1, y1, c)
        self.line(x0, y0, x0, y1, c)
        self.line(x1, y0, x1, y1, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.dot(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def circle(self, cx, cy, r, c, filled=False):
        for y in range(SIZE):
            for x in range(SIZE):
                d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
                if (filled and d <= r + 0.3) or (not filled and abs(d - r) < 0.55):
                    self.dot(x, y, c)

    def glyph(self, x0, y0, rows, c):
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch == '#':
                    self.dot(x0 + dx, y0 + dy, c)


def page(cv, x0=3, y0=1, x1=12, y1=14, lines=True):
    cv.fill(x0, y0, x1, y1, PAPER)
    cv.frame(x0, y0, x1, y1, DARK)
    if lines:
        for y in range(y0 + 3, y1 - 1, 2):
            cv.line(x0 + 2, y, x1 - 2, y, GREY)


def letter_page(cv):
    """An envelope: the module's mark for a mail."""
    cv.fill(1, 4, 14, 12, PAPER)
    cv.frame(1, 4, 14, 12, DARK)
    cv.line(1, 4, 7, 9, DARK)
    cv.line(14, 4, 8, 9, DARK)


# Folder views and dialogs -------------------------------------------------

def draw_add(cv):
    letter_page(cv)
    cv.fill(10, 0, 12, 6, GREEN)
    cv.fill(8, 2, 14, 4, GREEN)


def draw_edit(cv):
    page(cv, 2, 1, 11, 14)
    cv.line(14, 3, 6, 11, ORANGE)
    cv.line(15, 4, 7, 12, ORANGE)
    cv.line(14, 4, 7, 11, YELLOW)
    cv.dot(5, 12, DARK)
    cv.dot(6, 12, DARK)


def draw_copy(cv):
    page(cv, 1, 1, 9, 10)
    page(cv, 6, 5, 14, 14)


def draw_drop(cv):
    for i in range(3):
        cv.line(3 + i, 3, 12, 12 - i, RED)
        cv.line(3, 3 + i, 12 - i, 12, RED)
        cv.line(12 - i, 3, 3, 12 - i, RED)
        cv.line(12, 3 + i, 3 + i, 12, RED)


def draw_open(cv):
    cv.fill(1, 4, 13, 13, YELLOW)
    cv.frame(1, 4, 13, 13, BROWN)
    cv.fill(1, 3, 6, 4, YELLOW)
    cv.frame(1, 2, 6, 4, BROWN)
    for y in range(7, 14):
        cv.line(4 + (13 - y) // 2, y, 15 - (13 - y) // 2, y, ORANGE)
    cv.line(3, 7, 15, 7, BROWN)
    cv.line(15, 7, 13, 13, BROWN)


def draw_search(cv):
    cv.circle(6, 6, 4, DARK)
    cv.circle(6, 6, 3, SKY, filled=True)
    cv.dot(5, 4, NEAR_WHITE)
    cv.dot(4, 5, NEAR_WHITE)
    for i in range(5):
        cv.fill(9 + i, 9 + i, 10 + i, 10 + i, BROWN)


def draw_view(cv):
    letter_page(cv)
    cv.circle(11, 11, 3, DARK)
    cv.circle(11, 11, 2, SKY, filled=True)


def draw_item(cv):
    cv.fill(3, 3, 12, 12, BLUE)
    cv.frame(3, 3, 12, 12, DARK)
    cv.fill(5, 5, 7, 7, SKY)


# Editor -------------------------------------------------------------------

def draw_source(cv):
    cv.glyph(1, 4, ["  #", " # ", "#  ", " # ", "  #"], BLUE)
    cv.glyph(12, 4, ["#  ", " # ", "  #", " # ", "#  "], BLUE)
    cv.line(9, 3, 6, 10, DARK)
    cv.line(1, 13, 14, 13, GREY)


def draw_paste(cv):
    cv.fill(2, 2, 11, 14, BROWN)
    cv.fill(5, 1, 8, 3, GREY)
    cv.frame(5, 1, 8, 3, DARK)
    page(cv, 7, 6, 14, 15)


def draw_cut(cv):
    cv.line(5, 1, 9, 9, DARK)
    cv.line(10, 1, 6, 9, DARK)
    cv.circle(4, 12, 2, RED)
    cv.circle(11, 12, 2, RED)
    cv.dot(7, 7, GREY)


BIG_B = ["#####.", "##..##", "##..##", "#####.", "##..##", "##..##", "##..##", "#####."]
BIG_I = ["..####", "...##.", "...##.", "..##..", "..##..", ".##...", ".##...", "####.."]
BIG_U = ["##..##", "##..##", "##..##", "##..##", "##..##", "##..##", ".####.", "......"]
BIG_A = ["..##..", ".####.", "##..##", "##..##", "######", "##..##", "##..##", "##..##"]


def draw_bold(cv):
    cv.glyph(5, 3, BIG_B, BLACK)


def draw_incline(cv):
    cv.glyph(4, 3, BIG_I, BLACK)


def draw_underline(cv):
    cv.glyph(5, 2, BIG_U, BLACK)
    cv.line(3, 13, 12, 13, BLACK)


def draw_text_color(cv):
    cv.glyph(5, 1, BIG_A, DARK)
    cv.fill(2, 12, 13, 14, RED)


def draw_back_color(cv):
    cv.fill(1, 1, 10, 8, YELLOW)
    cv.frame(1, 1, 10, 8, BROWN)
    cv.line(12, 2, 6, 10, DARK)
    cv.line(13, 3, 7, 11, DARK)
    cv.fill(2, 12, 13, 14, YELLOW)
    cv.frame(2, 12, 13, 14, BROWN)


def draw_lines(cv, starts_ends):
    for y, (x0, x1) in zip(range(2, 15, 2), starts_ends):
        cv.line(x0, y, x1, y, DARK)


def draw_left_align(cv):
    draw_lines(cv, [(1, 14), (1, 9), (1, 12), (1, 7), (1, 14), (1, 10), (1, 8)])


def draw_center_align(cv):
    draw_lines(cv, [(1, 14), (4, 11), (2, 13), (5, 10), (1, 14), (3, 12), (4, 11)])


def draw_right_align(cv):
    draw_lines(cv, [(1, 14), (6, 14), (3, 14), (8, 14), (1, 14), (5, 14), (7, 14)])


DIGITS = {
    1: [".#.", "##.", ".#.", ".#.", "###"],
    2: ["##.", "..#", ".#.", "#..", "###"],
    3: ["##.", "..#", ".#.", "..#", "##."],
}


def draw_order_list(cv):
    for n, y in ((1, 0), (2, 5), (3, 10)):
        cv.glyph(1, y, DIGITS[n], BLUE)
        cv.line(6, y + 2, 14, y + 2, DARK)


def draw_unorder_list(cv):
    for y in (1, 6, 11):
        cv.fill(1, y + 1, 3, y + 3, BLUE)
        cv.line(6, y + 2, 14, y + 2, DARK)


def draw_insert_line(cv):
    cv.line(1, 3, 10, 3, GREY)
    cv.fill(1, 7, 14, 8, DARK)
    cv.line(1, 12, 12, 12, GREY)


def draw_insert_table(cv):
    cv.fill(1, 2, 14, 13, NEAR_WHITE)
    cv.fill(1, 2, 14, 4, SKY)
    cv.frame(1, 2, 14, 13, BLUE)
    for x in (5, 10):
        cv.line(x, 2, x, 13, BLUE)
    for y in (5, 9):
        cv.line(1, y, 14, y, BLUE)


def draw_hyper_link(cv):
    cv.frame(1, 5, 7, 10, BLUE)
    cv.frame(8, 5, 14, 10, BLUE)
    cv.fill(5, 7, 10, 8, SKY)
    cv.dot(7, 5, WHITE)
    cv.dot(8, 10, WHITE)


def draw_insert_image(cv):
    cv.fill(1, 2, 14, 13, SKY)
    cv.frame(1, 2, 14, 13, DARK)
    cv.circle(11, 5, 1, YELLOW, filled=True)
    for x in range(2, 14):
        top = 12 - max(0, 5 - abs(x - 6))
        cv.line(x, top, x, 12, GREEN)


PICTURES = {
    "add.gif": draw_add,
    "edit.gif": draw_edit,
    "copy.gif": draw_copy,
    "drop.gif": draw_drop,
    "open.gif": draw_open,
    "search.gif": draw_search,
    "view.gif": draw_view,
    "item.gif": draw_item,
    "Source.gif": draw_source,
    "Paste.gif": draw_paste,
    "Cut.gif": draw_cut,
    "Bold.gif": draw_bold,
    "Incline.gif": draw_incline,
    "Underline.gif": draw_underline,
    "TextColor.gif": draw_text_color,
    "BackColor.gif": draw_back_color,
    "LeftAlign.gif": draw_left_align,
    "CenterAlign.gif": draw_center_align,
    "RightAlign.gif": draw_right_align,
    "OrderList.gif": draw_order_list,
    "UnOrderList.gif": draw_unorder_list,
    "InsertLine.gif": draw_insert_line,
    "InsertTable.gif": draw_insert_table,
    "HyperLink.gif": draw_hyper_link,
    "InsertImage.gif": draw_insert_image,
}


# GIF writer ---------------------------------------------------------------

def lzw_encode(indices, min_code_size):
    """GIF's variable-width LZW, codes packed least significant bit first."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bit_buffer = 0
    bit_count = 0

    def emit(code, width):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += width
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def fresh_table():
        return {(i,): i for i in range(clear)}

    table = fresh_table()
    next_code = end + 1
    width = min_code_size + 1
    emit(clear, width)
    current = ()
    for index in indices:
        candidate = current + (index,)
        if candidate in table:
            current = candidate
            continue
        emit(table[current], width)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table = fresh_table()
            next_code = end + 1
            width = min_code_size + 1
        current = (index,)
    if current:
        emit(table[current], width)
    emit(end, width)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def gif_bytes(canvas):
    indices = [c for row in canvas.pixels for c in row]
    header = b"GIF89a" + SIZE.to_bytes(2, "little") * 2 + bytes([0xF3, 0, 0])
    palette = b"".join(bytes(rgb) for rgb in PALETTE)
    image = b"," + bytes(4) + SIZE.to_bytes(2, "little") * 2 + b"\x00"
    data = lzw_encode(indices, 4)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                      for i in range(0, len(data), 255))
    return header + palette + image + b"\x04" + blocks + b"\x00;"


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "images")
    os.makedirs(folder, exist_ok=True)
    for name, draw in PICTURES.items():
        canvas = Canvas()
        draw(canvas)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(gif_bytes(canvas))
    print(f"{len(PICTURES)} pictures in {folder}")


if __name__ == "__main__":
    main()
