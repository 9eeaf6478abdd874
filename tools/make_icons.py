#!/usr/bin/python3
"""Draws the program's icons and writes them to resources/images/.

Every icon is drawn on a 16 x 16 unit grid, rendered at 16 times the target size and reduced
with an area filter, so that edges on whole units come out as crisp single pixels. Each icon is
written at 16 x 16 (NAME.png) for the tool bar and menus, and at 32 x 32 (NAME@2x.png), which
Qt picks up by itself on high-density screens.

Run from anywhere: /usr/bin/python3 tools/make_icons.py
"""

import math
import os
import sys

from PIL import Image, ImageDraw

OVERSAMPLE = 16
OUT_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "images")

# Palette
WHITE = (255, 255, 255, 255)
PAPER_EDGE = (112, 120, 132, 255)
FOLD = (214, 220, 228, 255)
CREAM = (255, 250, 226, 255)
RECEIPT_EDGE = (138, 118, 80, 255)
INK = (150, 150, 150, 255)
RED = (214, 48, 40, 255)
RED_DARK = (150, 24, 20, 255)
GREEN = (64, 168, 64, 255)
GREEN_DARK = (30, 110, 36, 255)
GREEN_LIGHT = (170, 222, 150, 255)
BLUE = (52, 110, 200, 255)
BLUE_DARK = (26, 64, 140, 255)
ORANGE = (240, 150, 30, 255)
YELLOW = (250, 212, 90, 255)
YELLOW_DARK = (184, 134, 24, 255)
YELLOW_LIGHT = (255, 232, 140, 255)
TEAL = (22, 128, 124, 255)
TEAL_DARK = (12, 84, 82, 255)
GREY = (170, 176, 184, 255)
GREY_DARK = (80, 86, 96, 255)
SKIN = (244, 200, 160, 255)
SKIN_DARK = (170, 120, 84, 255)
PINK = (236, 130, 150, 255)


class Canvas:
    """A drawing surface addressed in units of a 16 x 16 grid."""

    def __init__(self, size):
        self.size = size
        self.scale = size * OVERSAMPLE / 16.0
        self.image = Image.new("RGBA", (size * OVERSAMPLE, size * OVERSAMPLE), (0, 0, 0, 0))
        self.draw = ImageDraw.Draw(self.image)

    def _p(self, x, y):
        return (x * self.scale, y * self.scale)

    def _box(self, x0, y0, x1, y1):
        # The box covers [x0, x1) x [y0, y1) in units; PIL's boxes include their last pixel.
        return [x0 * self.scale, y0 * self.scale, x1 * self.scale - 1, y1 * self.scale - 1]

    def rect(self, x0, y0, x1, y1, fill, edge=None, width=1.0):
        if edge is not None:
            self.draw.rectangle(self._box(x0, y0, x1, y1), fill=edge)
            x0, y0, x1, y1 = x0 + width, y0 + width, x1 - width, y1 - width
        self.draw.rectangle(self._box(x0, y0, x1, y1), fill=fill)

    def rounded(self, x0, y0, x1, y1, radius, fill, edge=None, width=1.0):
        if edge is not None:
            self.draw.rounded_rectangle(self._box(x0, y0, x1, y1), radius * self.scale, fill=edge)
            x0, y0, x1, y1 = x0 + width, y0 + width, x1 - width, y1 - width
            radius = max(radius - width, 0)
        self.draw.rounded_rectangle(self._box(x0, y0, x1, y1), radius * self.scale, fill=fill)

    def ellipse(self, x0, y0, x1, y1, fill, edge=None, width=1.0):
        if edge is not None:
            self.draw.ellipse(self._box(x0, y0, x1, y1), fill=edge)
            x0, y0, x1, y1 = x0 + width, y0 + width, x1 - width, y1 - width
        self.draw.ellipse(self._box(x0, y0, x1, y1), fill=fill)

    def polygon(self, points, fill):
        self.draw.polygon([self._p(x, y) for x, y in points], fill=fill)

    def line(self, points, colour, width=1.0):
        scaled = [self._p(x, y) for x, y in points]
        self.draw.line(scaled, fill=colour, width=int(round(width * self.scale)), joint="curve")
        # Round caps, so thick strokes end cleanly.
        r = width * self.scale / 2
        for x, y in (scaled[0], scaled[-1]):
            self.draw.ellipse([x - r, y - r, x + r, y + r], fill=colour)

    def arc(self, cx, cy, radius, start, end, colour, width=1.0):
        box = [(cx - radius) * self.scale, (cy - radius) * self.scale,
               (cx + radius) * self.scale, (cy + radius) * self.scale]
        self.draw.arc(box, start, end, fill=colour, width=int(round(width * self.scale)))

    def result(self):
        return self.image.resize((self.size, self.size), Image.Resampling.BOX)


# Shared shapes

def page(c, x0, y0, x1, y1, fold=4):
    """A sheet of paper with the top right corner folded over."""
    c.polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)], PAPER_EDGE)
    c.polygon([(x0 + 1, y0 + 1), (x1 - fold - 0.4, y0 + 1), (x1 - 1, y0 + fold + 0.4),
               (x1 - 1, y1 - 1), (x0 + 1, y1 - 1)], WHITE)
    c.polygon([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], PAPER_EDGE)
    c.polygon([(x1 - fold + 1, y0 + 1.6), (x1 - fold + 1, y0 + fold - 1), (x1 - 1.6, y0 + fold - 1)],
              FOLD)


def receipt(c, x0=2, y0=1, x1=12, y1=15, paper=CREAM, edge=RECEIPT_EDGE, ink=INK):
    """A bill: a paper slip with a torn, zigzag lower edge and a few printed lines."""
    teeth = 4
    step = (x1 - x0) / teeth
    outline = [(x0, y0), (x1, y0), (x1, y1 - 1)]
    for i in range(teeth, 0, -1):
        outline.append((x0 + (i - 0.5) * step, y1))
        outline.append((x0 + (i - 1) * step, y1 - 1))
    c.polygon(outline, edge)
    inner = [(x0 + 1, y0 + 1), (x1 - 1, y0 + 1), (x1 - 1, y1 - 2.2)]
    for i in range(teeth, 0, -1):
        inner.append((x0 + (i - 0.5) * step, y1 - 1.2))
        inner.append((x0 + (i - 1) * step + (1 if i == 1 else 0), y1 - 2.2))
    c.polygon(inner, paper)
    for y, right in ((3, x1 - 2), (5, x1 - 4), (7, x1 - 2), (9, x1 - 3)):
        if y < y1 - 3:
            c.rect(x0 + 2, y, right, y + 1, ink)


def badge_circle(c, fill, edge):
    c.ellipse(7, 7, 16, 16, fill, edge)


def cross(c, x0, y0, x1, y1, colour, width):
    c.line([(x0, y0), (x1, y1)], colour, width)
    c.line([(x0, y1), (x1, y0)], colour, width)


def red_cross_badge(c):
    # A white rim keeps the cross apart from whatever it is drawn over.
    cross(c, 9, 9, 15, 15, WHITE, 4.4)
    cross(c, 9, 9, 15, 15, RED_DARK, 3.2)
    cross(c, 9, 9, 15, 15, RED, 1.8)


def person(c, dx=0.0, size=1.0):
    def s(v):
        return v * size

    # Shoulders first, so the head overlaps the collar.
    c.ellipse(dx + s(2), s(8.5), dx + s(14), s(20), BLUE, BLUE_DARK)
    c.ellipse(dx + s(4.5), s(1), dx + s(11.5), s(8), SKIN, SKIN_DARK)


# The icons

def icon_app(c):
    c.rounded(0, 0, 16, 16, 3, TEAL, TEAL_DARK)
    receipt(c, 4, 2, 12, 15, paper=WHITE, edge=TEAL_DARK, ink=TEAL)
    c.ellipse(8, 9, 13, 14, YELLOW, YELLOW_DARK)


def icon_page_white(c):
    page(c, 3, 1, 14, 15)


def icon_folder_page_white(c):
    # Back of the folder with its tab.
    c.rounded(1, 3, 7, 6, 1, YELLOW_DARK)
    c.rect(1, 4, 15, 14, YELLOW, YELLOW_DARK)
    page(c, 4, 1, 13, 10, fold=3)
    # Front flap, tilted open.
    c.polygon([(1, 7), (15, 7), (15, 14), (1, 14)], YELLOW_DARK)
    c.polygon([(2, 8), (14, 8), (14, 13), (2, 13)], YELLOW_LIGHT)


def icon_cancel(c):
    c.ellipse(1, 1, 15, 15, RED, RED_DARK)
    cross(c, 5.5, 5.5, 10.5, 10.5, WHITE, 2)


def icon_overview(c):
    c.rect(1, 1, 2, 14, GREY_DARK)
    c.rect(1, 13, 15, 14, GREY_DARK)
    c.rect(3, 8, 6, 13, GREEN, GREEN_DARK)
    c.rect(7, 3, 10, 13, BLUE, BLUE_DARK)
    c.rect(11, 6, 14, 13, ORANGE, YELLOW_DARK)


def icon_report(c):
    c.rect(2, 1, 14, 15, WHITE, PAPER_EDGE)
    c.rect(3, 2, 13, 5, BLUE)
    for y, right in ((6, 12), (8, 9), (10, 12), (12, 9)):
        c.rect(4, y, right, y + 1, INK)
    c.rect(10, 8, 12, 13, GREEN)


def icon_bill_current(c):
    receipt(c)
    c.ellipse(7, 7, 16, 16, WHITE, BLUE_DARK)
    c.line([(11.5, 9.5), (11.5, 11.5), (13.5, 12.5)], BLUE_DARK, 1.2)


def icon_bill_paid(c):
    receipt(c)
    badge_circle(c, GREEN, GREEN_DARK)
    c.line([(9.2, 11.6), (11, 13.4), (14, 9.6)], WHITE, 1.6)


def icon_bill_add(c):
    receipt(c)
    c.line([(12, 8.5), (12, 15)], GREEN_DARK, 3.4)
    c.line([(8.5, 11.75), (15, 11.75)], GREEN_DARK, 3.4)
    c.line([(12, 8.5), (12, 15)], GREEN, 1.8)
    c.line([(8.5, 11.75), (15, 11.75)], GREEN, 1.8)


def icon_bill_edit(c):
    receipt(c)
    # A pencil from the lower left to the upper right, over the slip.
    c.line([(7.2, 14.8), (14.2, 7.8)], GREY_DARK, 3.4)
    c.line([(8.4, 13.6), (13.0, 9.0)], YELLOW, 2.0)
    c.line([(13.2, 8.8), (14.2, 7.8)], PINK, 2.0)
    c.polygon([(5.6, 16), (7.0, 12.6), (9.0, 14.6)], SKIN)
    c.polygon([(5.6, 16), (6.3, 14.3), (7.3, 15.3)], GREY_DARK)


def icon_bill_delete(c):
    receipt(c)
    red_cross_badge(c)


def icon_money(c):
    # Two banknotes, one behind the other.
    c.rect(2, 2, 16, 10, GREEN_DARK)
    c.rect(0, 5, 14, 13, GREEN, GREEN_DARK)
    c.rect(2, 7, 12, 11, GREEN_LIGHT)
    c.ellipse(5, 7, 9, 11, GREEN, GREEN_DARK)


def icon_payee(c):
    person(c)


def icon_payee_delete(c):
    person(c, dx=-1.5, size=0.85)
    red_cross_badge(c)


def icon_help(c):
    c.ellipse(1, 1, 15, 15, BLUE, BLUE_DARK)
    c.arc(8, 6.3, 2.5, 180, 30, WHITE, 1.8)
    c.line([(10.1, 7.7), (8.2, 9.0), (8.2, 9.9)], WHITE, 1.8)
    c.ellipse(7.1, 11.2, 9.3, 13.4, WHITE)


def icon_date(c):
    c.rect(1, 2, 15, 15, WHITE, PAPER_EDGE)
    c.rect(1, 2, 15, 6, RED, RED_DARK)
    for x in (4, 11):
        c.rect(x, 1, x + 1, 4, GREY_DARK)
    for row, y in enumerate((7.5, 10, 12.5)):
        for col, x in enumerate((3, 6, 9, 12)):
            colour = RED if (row, col) == (1, 2) else GREY
            c.rect(x, y, x + 1.6, y + 1.5, colour)


def icon_backup(c):
    # A disk: body with a clipped corner, metal shutter and white label.
    c.polygon([(1, 1), (13, 1), (15, 3), (15, 15), (1, 15)], BLUE_DARK)
    c.polygon([(2, 2), (12.6, 2), (14, 3.4), (14, 14), (2, 14)], BLUE)
    c.rect(4, 1, 11, 6, GREY, GREY_DARK)
    c.rect(8, 2, 10, 5, GREY_DARK)
    c.rect(3, 9, 13, 15, WHITE, GREY_DARK)
    c.rect(5, 11, 11, 12, INK)


ICONS = {
    "NorvoRavaRodozod": icon_app,
    "page_white": icon_page_white,
    "folder_page_white": icon_folder_page_white,
    "cancel": icon_cancel,
    "overview": icon_overview,
    "report": icon_report,
    "bill_current": icon_bill_current,
    "bill_paid": icon_bill_paid,
    "bill_add": icon_bill_add,
    "bill_edit": icon_bill_edit,
    "bill_delete": icon_bill_delete,
    "money": icon_money,
    "payee": icon_payee,
    "payee_delete": icon_payee_delete,
    "help": icon_help,
    "date": icon_date,
    "backup": icon_backup,
}


def render(draw_icon, size):
    canvas = Canvas(size)
    draw_icon(canvas)
    return canvas.result()


def contact_sheet(path, zoom=8):
    """All icons side by side, enlarged without smoothing, for checking them by eye."""
    names = list(ICONS)
    sheet = Image.new("RGBA", (len(names) * (16 * zoom + 8), 16 * zoom + 32 * 2 + 16), (236, 236, 236, 255))
    for i, name in enumerate(names):
        x = i * (16 * zoom + 8)
        small = render(ICONS[name], 16)
        sheet.alpha_composite(small.resize((16 * zoom, 16 * zoom), Image.Resampling.NEAREST), (x, 0))
        sheet.alpha_composite(small, (x, 16 * zoom + 8))
        sheet.alpha_composite(render(ICONS[name], 32), (x + 24, 16 * zoom + 8))
    sheet.save(path)


def main(argv):
    if len(argv) > 2 and argv[1] == "--sheet":
        contact_sheet(argv[2])
        return 0
    os.makedirs(OUT_DIR, exist_ok=True)
    for name, draw_icon in ICONS.items():
        render(draw_icon, 16).save(os.path.join(OUT_DIR, name + ".png"), optimize=True)
        render(draw_icon, 32).save(os.path.join(OUT_DIR, name + "@2x.png"), optimize=True)
    print("wrote %d icons to %s" % (len(ICONS), os.path.normpath(OUT_DIR)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
