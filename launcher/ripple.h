// The water ripple that runs through the title block: pure geometry, so the
// title screen only feeds the vertices to the drawer.
#pragma once

namespace ripple {

constexpr int kWidth = 320;      // size of the rippled block
constexpr int kHeight = 100;
constexpr int kCell = 8;         // grid spacing
constexpr int kCenterX = 160;    // the ring starts here
constexpr int kCenterY = 50;
constexpr int kPeriod = 180;     // frames of one ripple cycle
constexpr int kColumns = kWidth / kCell + 1;                    // 41 vertex columns
constexpr int kRows = (kHeight + kCell - 1) / kCell;            // 13 strips

// Displacement of a vertex at distance r from the centre, t frames into the
// cycle: a ring wave 45 frames wide that fades out towards r = 160.
double Displacement(int t, double r);

// The vertex at grid position (x, y) of the block moved by the wave;
// out values are screen offsets inside the block.
void Displace(int t, int x, int y, int& outX, int& outY);

// Grid line of strip row i: y of its top edge (the last row is shorter so
// the grid ends exactly at the block's bottom).
inline int RowY(int i) { return i * kCell < kHeight ? i * kCell : kHeight; }

} // namespace ripple
