#!/usr/bin/env python3
"""Writes the small models the guide's Game View pictures are drawn from (run from this
folder; the .3do files are kept in the repository). Each shows one field of the face pane:
the geometry modes, the lighting modes, extra light, and the translucent and double-sided
flags, with the bundled sample's materials."""
import math

class Model:
    def __init__(self, name, materials):
        self.name, self.materials, self.meshes = name, materials, []

    def mesh(self, name):
        m = {'name': name, 'v': [], 'n': [], 't': [], 'f': []}
        self.meshes.append(m)
        return m

def vertex(m, p, n):
    m['v'].append(p)
    m['n'].append(n)
    return len(m['v']) - 1

def tvert(m, uv):
    m['t'].append(uv)
    return len(m['t']) - 1

def face(m, corners, material=0, flags=0, geo=4, light=3, tex=0, extra=0.0, normal=None):
    """corners: (vertex, texture vertex) pairs, counter-clockwise seen from the front."""
    if normal is None:
        a, b, c = (m['v'][corners[k][0]] for k in range(3))
        u = [b[i] - a[i] for i in range(3)]
        w = [c[i] - a[i] for i in range(3)]
        n = [u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]]
        length = math.sqrt(sum(x * x for x in n)) or 1
        normal = [x / length for x in n]
    m['f'].append((material, flags, geo, light, tex, extra, corners, normal))

def quad(m, x, z, w, h, material=0, turn=0.0, y=0.0, **kw):
    """An upright quad centred at (x, y, z), facing +y (the front view's camera, which sees
    +x on its left), turned about its vertical axis by turn degrees."""
    c, s = math.cos(math.radians(turn)), math.sin(math.radians(turn))
    n = (-s, c, 0.0)
    pts = [(-w / 2, -h / 2), (w / 2, -h / 2), (w / 2, h / 2), (-w / 2, h / 2)]
    uv = [(0, 0), (64, 0), (64, 64), (0, 64)]
    corners = []
    for (dx, dz), t in zip(pts, uv):
        p = (x - dx * c, y - dx * s, z + dz)
        corners.append((vertex(m, p, n), tvert(m, t)))
    face(m, corners, material, normal=list(n), **kw)

def cylinder(m, x, z, r, h, sides, material=0, **kw):
    """An upright cylinder's sides, each vertex with its outward normal (Gouraud smooths them)."""
    ring = []
    for k in range(sides + 1):
        a = math.pi + 2 * math.pi * k / sides
        n = (math.sin(a), -math.cos(a), 0.0)
        bottom = vertex(m, (x + r * n[0], r * n[1], z - h / 2), n)
        top = vertex(m, (x + r * n[0], r * n[1], z + h / 2), n)
        ring.append((bottom, top, 64.0 * k / sides))
    for k in range(sides):
        (b0, t0, u0), (b1, t1, u1) = ring[k], ring[k + 1]
        corners = [(b0, tvert(m, (u0, 0))), (b1, tvert(m, (u1, 0))), (t1, tvert(m, (u1, 64))), (t0, tvert(m, (u0, 64)))]
        face(m, corners, material, **kw)

def write(model):
    out = ["# MODEL '%s' made by make_models.py for the guide's pictures" % model.name, '',
           'SECTION: HEADER', '', '3DO 2.1', '', 'SECTION: MODELRESOURCE', '',
           'MATERIALS %d' % len(model.materials)]
    out += ['%d: %s' % (i, name) for i, name in enumerate(model.materials)]
    out += ['', 'SECTION: GEOMETRYDEF', '', 'RADIUS 3', '', 'INSERT OFFSET 0 0 0', '', 'GEOSETS 1', '',
            'GEOSET 0', '', 'MESHES %d' % len(model.meshes), '']
    for i, m in enumerate(model.meshes):
        out += ['MESH %d' % i, 'NAME %s' % m['name'], 'RADIUS 3', 'GEOMETRYMODE\t4', 'LIGHTINGMODE\t3',
                'TEXTUREMODE\t0', '', 'VERTICES %d' % len(m['v']), '']
        out += ['%d: %.4f %.4f %.4f 0' % (k, *p) for k, p in enumerate(m['v'])]
        out += ['', 'TEXTURE VERTICES %d' % len(m['t']), '']
        out += ['%d: %.2f %.2f' % (k, *t) for k, t in enumerate(m['t'])]
        out += ['', 'VERTEX NORMALS', '']
        out += ['%d: %.4f %.4f %.4f' % (k, *n) for k, n in enumerate(m['n'])]
        out += ['', 'FACES %d' % len(m['f']), '']
        for k, (mat, flags, geo, light, tex, extra, corners, _) in enumerate(m['f']):
            pairs = ' '.join('%d, %d' % c for c in corners)
            out.append('%d: %d 0x%x %d %d %d %.2f %d %s' % (k, mat, flags, geo, light, tex, extra, len(corners), pairs))
        out += ['', 'FACE NORMALS', '']
        out += ['%d: %.4f %.4f %.4f' % (k, *f[7]) for k, f in enumerate(m['f'])]
        out.append('')
    out += ['SECTION: HIERARCHYDEF', '', 'HIERARCHY NODES %d' % len(model.meshes)]
    for i, m in enumerate(model.meshes):
        sibling = i + 1 if i + 1 < len(model.meshes) else -1
        out.append('%d: 0x0 0x1 %d -1 -1 %d 0 0 0 0 0 0 0 0 0 0 %s' % (i, i, sibling, m['name']))
    with open(model.name, 'w', newline='\r\n') as f:
        f.write('\n'.join(out) + '\n')

# Geometry modes 0 to 4, fully lit, left to right.
m = Model('game-geometry.3do', ['wood.mat'])
row = m.mesh('modes')
for k in range(5):
    quad(row, (2 - k) * 1.2, 0, 1, 1, geo=k, light=0)
write(m)

# Lighting modes 0 to 3 on a round column each, in dim sector light and the camera's light.
m = Model('game-lighting.3do', ['metal.mat'])
row = m.mesh('modes')
for k in range(4):
    cylinder(row, (1.5 - k) * 1.2, 0, 0.45, 1.4, 10, light=k)
write(m)

# Extra light 0, 0.25, 0.5, 0.75 on faces the lights do not reach (lighting mode 1).
m = Model('game-extra-light.3do', ['bricks.mat'])
row = m.mesh('extra')
for k in range(4):
    quad(row, (1.5 - k) * 1.2, 0, 1, 1, light=1, extra=0.25 * k)
write(m)

# Left: a translucent pane over a solid one. Right: the backs of a double-sided face (drawn)
# and of a one-sided face (not drawn), both turned away from the camera.
m = Model('game-flags.3do', ['wood.mat', 'checker.mat'])
back = m.mesh('behind')
quad(back, 1.1, 0, 1.4, 1.4, light=0)
front = m.mesh('panes')
quad(front, 0.75, 0, 1, 1, material=1, y=0.3, light=0, flags=0x2)
quad(front, -0.7, 0, 0.9, 1, material=1, turn=180, light=0, flags=0x1)
quad(front, -1.75, 0, 0.9, 1, material=1, turn=180, light=0)
write(m)
