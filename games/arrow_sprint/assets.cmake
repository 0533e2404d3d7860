# Arrow sprint's files, built into dist/arrow_sprint/: the sprite sheet, the
# four sounds and the game-list picture ("image.bmp", the name GetInfo gives).
# Included by games/arrow_sprint/CMakeLists.txt, or at the end of the
# configure by cmake/TevAssets.cmake while it is not.
include_guard(GLOBAL)
tev_add_assets(tev_assets_arrow_sprint DEST arrow_sprint
  SOURCES
    assets/pic.bmp.picture
    assets/image.bmp.picture
    assets/P1.WAV.sfx
    assets/P2.WAV.sfx
    assets/P3.WAV.sfx
    assets/P4.WAV.sfx
)
