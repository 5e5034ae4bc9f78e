#!/usr/bin/python3
"""Writes the seed corpus of the fuzz targets into fuzz/seeds/NAME/.

Every byte string decodes (see FuzzBytes.h), so seeds only need to steer the decoders into
their different shapes: the first byte picks the mode, the rest are drawn from a fixed
pseudo-random sequence, plus a few hand-written tessellator call sequences.
Run: /usr/bin/python3 fuzz/make_seeds.py
"""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "seeds", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bytes(data))


def vertex(x, y, z=0):
    # op 5 (vertex), then per coordinate a non-special marker byte and a lattice value
    return [5, 1, x, 1, y, 1, z]


def polygon(*contours):
    data = [0]
    for contour in contours:
        data.append(1)
        for point in contour:
            data += vertex(*point)
        data.append(2)
    return data + [3]


def main():
    rng = random.Random(1234)
    for i in range(16):
        mode = 1 if i < 10 else 0  # structured meshes first, then hostile records
        length = rng.choice([16, 48, 120, 300, 600])
        write("record", "seed%02d" % i, [mode] + [rng.randrange(256) for _ in range(length)])
    square = [(0, 0), (4, 0), (4, 4), (0, 4)]
    hole = [(1, 1), (1, 2), (2, 2), (2, 1)]
    bow_tie = [(0, 0), (4, 4), (4, 0), (0, 4)]
    write("tessellator", "square", [0] + polygon(square))
    write("tessellator", "square_with_hole", [0] + polygon(square, hole))
    write("tessellator", "bow_tie", [0] + polygon(bow_tie))
    write("tessellator", "missing_begin", [0, 1] + vertex(0, 0) + vertex(1, 0) + vertex(0, 1) + [3])
    for i in range(8):
        length = rng.choice([32, 100, 250])
        write("tessellator", "mesh%02d" % i, [1] + [rng.randrange(256) for _ in range(length)])


if __name__ == "__main__":
    main()
