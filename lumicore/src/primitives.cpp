// Face normals, textured edges and the textured box. None of these binds a
// texture or changes an enable flag: that state belongs to the caller.
#include <cmath>

#include "lumicore/lumicore.h"

namespace lumicore {

double FNormal[3] = {0.0, 0.0, 0.0};

// The length is held in single precision, as the box and floor normals have
// always been computed.
void ReduceToUnit(double& X, double& Y, double& Z) {
  float length = float(std::sqrt(X * X + Y * Y + Z * Z));
  if (length == 0.0f) length = 1.0f;
  X /= length;
  Y /= length;
  Z /= length;
}

void FindNormal(double V1X, double V1Y, double V1Z, double V2X, double V2Y, double V2Z, double V3X,
                double V3Y, double V3Z) {
  const double ax = V1X - V2X, ay = V1Y - V2Y, az = V1Z - V2Z;
  const double bx = V2X - V3X, by = V2Y - V3Y, bz = V2Z - V3Z;
  FNormal[0] = ay * bz - az * by;
  FNormal[1] = az * bx - ax * bz;
  FNormal[2] = ax * by - ay * bx;
  ReduceToUnit(FNormal[0], FNormal[1], FNormal[2]);
}

void LineFree(float TX1, float TY1, float TX2, float TY2, float X1, float Y1, float Z1, float X2, float Y2,
              float Z2, bool Texture) {
  if (Texture) glTexCoord2f(TX1, TY1);
  glVertex3f(X1, Y1, Z1);
  if (Texture) glTexCoord2f(TX2, TY2);
  glVertex3f(X2, Y2, Z2);
}

namespace {

struct BoxVertex {
  float x, y, z, s, t;
};

// One face: its normal from the first three corners, then the four corners
// as two edges.
void BoxFace(const BoxVertex (&v)[4]) {
  FindNormal(v[0].x, v[0].y, v[0].z, v[1].x, v[1].y, v[1].z, v[2].x, v[2].y, v[2].z);
  glNormal3f(float(FNormal[0]), float(FNormal[1]), float(FNormal[2]));
  LineFree(v[0].s, v[0].t, v[1].s, v[1].t, v[0].x, v[0].y, v[0].z, v[1].x, v[1].y, v[1].z, true);
  LineFree(v[2].s, v[2].t, v[3].s, v[3].t, v[2].x, v[2].y, v[2].z, v[3].x, v[3].y, v[3].z, true);
}

}  // namespace

// With ordered corners every face winds counter-clockwise seen from outside;
// the texture repeats TSize times per unit of each face's extent.
void Cubo2(float X, float Y, float Z, float X1, float Y1, float Z1, float X2, float Y2, float Z2,
           float TSize) {
  const float W = (X2 - X1) * TSize;
  const float H = (Y2 - Y1) * TSize;
  const float D = (Z2 - Z1) * TSize;
  glPushMatrix();
  glTranslatef(X, Y, Z);
  glBegin(GL_QUADS);
  BoxFace({{X1, Y1, Z2, 0, 0}, {X2, Y1, Z2, W, 0}, {X2, Y2, Z2, W, H}, {X1, Y2, Z2, 0, H}});  // front
  BoxFace({{X1, Y1, Z1, W, 0}, {X1, Y2, Z1, W, H}, {X2, Y2, Z1, 0, H}, {X2, Y1, Z1, 0, 0}});  // back
  BoxFace({{X1, Y2, Z1, 0, D}, {X1, Y2, Z2, 0, 0}, {X2, Y2, Z2, W, 0}, {X2, Y2, Z1, W, D}});  // top
  BoxFace({{X1, Y1, Z1, W, D}, {X2, Y1, Z1, 0, D}, {X2, Y1, Z2, 0, 0}, {X1, Y1, Z2, W, 0}});  // bottom
  BoxFace({{X2, Y1, Z1, D, 0}, {X2, Y2, Z1, D, H}, {X2, Y2, Z2, 0, H}, {X2, Y1, Z2, 0, 0}});  // right
  BoxFace({{X1, Y1, Z1, 0, 0}, {X1, Y1, Z2, D, 0}, {X1, Y2, Z2, D, H}, {X1, Y2, Z1, 0, H}});  // left
  glEnd();
  glPopMatrix();
}

}  // namespace lumicore
