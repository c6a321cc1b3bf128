#!/usr/bin/env python3
"""Writes the benchmark scene "mesh" as an Orvane scene file: one mesh of about 200,000 flat
triangles (a bumpy sphere of radius 2 round <0,2.2,0>), a reflecting floor, one light and a
camera. It is the scene that gen_mesh.py of the render comparison writes for POV-Ray, with the
same triangles: the same grid of points, written with the five decimals that gen_mesh.py
gives POV-Ray, and the same corners in the same order. Orvane's axes are POV-Ray's (y up, z into
the picture), so the coordinates are taken as they are.

The mesh is written as Orvane's scene writer writes one: a `points` block with one point a
line, then a `trimesh` block with its placement, the point list's name, the triangle count and
one triangle a line.

Usage: gen_mesh_ovs.py [stacks] [slices] > mesh.ovs   (default 250 x 400 -> 199,200 triangles)
"""
import math
import sys


def number(v):
    """v as POV-Ray reads it from gen_mesh.py ("%.5f"), in the writer's short form."""
    text = "%.5f" % v
    if "." in text:
        text = text.rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def main(argv):
    try:
        stacks = int(argv[1]) if len(argv) > 1 else 250
        slices = int(argv[2]) if len(argv) > 2 else 400
    except ValueError:
        sys.exit("gen_mesh_ovs.py: stacks and slices must be whole numbers")
    if stacks < 2 or slices < 3:
        sys.exit("gen_mesh_ovs.py: at least 2 stacks and 3 slices")
    radius, centre_y = 2.0, 2.2

    def vert(i, j):
        th = math.pi * i / stacks
        ph = 2.0 * math.pi * j / slices
        r = radius * (1.0 + 0.06 * math.sin(8 * th) * math.cos(12 * ph))
        return (r * math.sin(th) * math.cos(ph), centre_y + r * math.cos(th),
                r * math.sin(th) * math.sin(ph))

    # Point i * slices + j is gen_mesh.py's V[i][j]; the quads wrap round at j = slices.
    triangles = []
    for i in range(stacks):
        for j in range(slices):
            j1 = (j + 1) % slices
            a, b = i * slices + j, i * slices + j1
            c, d = a + slices, b + slices
            if i != 0:  # the top pole row has a == b
                triangles.append((a, b, d))
            if i != stacks - 1:  # the bottom pole row has c == d
                triangles.append((a, d, c))

    w = sys.stdout.write
    w("// Benchmark scene \"mesh\": written by bench/scenes/gen_mesh_ovs.py %d %d\n"
      % (stacks, slices))
    w("// One light, a reflecting floor and one mesh of %d flat triangles.\n" % len(triangles))
    w("// Camera at <0,4.5,-8> looking at <0,1.8,0>, horizontal opening angle 50 degrees:\n")
    w("// zoom = 160 / tan(25 degrees). phong_size 60 is highlight_size 34.46\n")
    w("// (100 - 10 * sqrt(ln 60 / ln 1.1)); ambient 0.1 is ambient <0.1> in the pigment's\n")
    w("// colour under a white ambient light. A mirror ray that leaves the scene brings back the\n")
    w("// fog colour, or black without fog: fog in the background's colour at a distance of\n")
    w("// 1,000,000 lets the floor mirror the sky as it does in POV-Ray, and thins nothing\n")
    w("// (by at most 1 of 255) at the scene's distances.\n\n")
    w("light lamp { position <-8,12,-10> color <255,255,255> }\n")
    w("camera view { position <0,4.5,-8> look_at <0,1.8,0> zoom <343.12> }\n")
    w("raytrace {\n  camera view background_color <128,153,191> ambient_color <255,255,255>\n")
    w("  fog_color <128,153,191> fog <1000000>\n}\n\n")
    w("material ground {\n")
    w("  diffus <0.7> diffus_color <128,128,115> ambient <0.1> ambient_color <128,128,115>\n")
    w("  mirror <0.25>\n}\n")
    w("material gold {\n")
    w("  diffus <0.7> diffus_color <217,191,77> ambient <0.1> ambient_color <217,191,77>\n")
    w("  highlight <0.7> highlight_size <34.46>\n}\n\n")
    w("plane floor { position <0,0,0> normal <0,1,0> material ground }\n\n")

    w("points ball{\n")
    w("number <%d>\n" % ((stacks + 1) * slices))
    out = []
    for i in range(stacks + 1):
        for j in range(slices):
            x, y, z = vert(i, j)
            out.append("<%s,%s,%s>\n" % (number(x), number(y), number(z)))
    w("".join(out))
    w("}\n\n")
    w("trimesh ball{\n")
    w("position <0,0,0>\naxis_deg <0,0,0>\naxis_X <1,0,0>\naxis_Y <0,1,0>\naxis_Z <0,0,1>\n")
    w("points ball\n")
    w("triangles <%d>\n" % len(triangles))
    w("".join("<%d,%d,%d>\n" % t for t in triangles))
    w("material gold\n")
    w("}\n\n")
    w("TRACE! <>\n")
    sys.stderr.write("triangles: %d\n" % len(triangles))


if __name__ == "__main__":
    main(sys.argv)
