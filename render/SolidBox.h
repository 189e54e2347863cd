#pragma once

// One axis-aligned box as OpenGL client arrays: corner k of the eight has
// the signs (-,-,+) (+,-,+) (+,+,+) (-,+,+) (-,-,-) (+,-,-) (+,+,-) (-,+,-)
// for k = 0..7 (x, y, z relative to the centre).
struct CSolidBoxArrays {
    double m_corners[24];
    // Per-corner unit normals, leaning towards the larger faces that meet at
    // the corner; zero where every such face has zero area.
    double m_normals[24];
};

// The six quads, four corner indices each: z = +hz, z = -hz, x = -hx,
// x = +hx, y = -hy, y = +hy.
extern const unsigned int kSolidBoxIndices[24];

// The arrays of the box centred at (x, y, z) with half extents hx, hy, hz,
// computed in double precision. The normals point away from the centre when
// `outward` is set and into the box otherwise.
CSolidBoxArrays ComputeSolidBoxArrays(float x, float y, float z, float hx, float hy, float hz, bool outward);

// Draws the box as six quads from client arrays in the current colour, into
// the frame or into the display list being compiled (which keeps its own
// copy of the vertices). Normals are set only when `withNormals` is; the
// vertex and normal arrays are left disabled.
void DrawSolidBox(float x, float y, float z, float hx, float hy, float hz, bool withNormals, bool outward);
