# Grid serpent draws only coloured squares; its one file is the game-list
# picture "image.bmp" (the name GetInfo gives), built into dist/grid_serpent/.
# Included by games/grid_serpent/CMakeLists.txt, or at the end of the
# configure by cmake/TevAssets.cmake while it is not.
include_guard(GLOBAL)
tev_add_assets(tev_assets_grid_serpent DEST grid_serpent
  SOURCES assets/image.bmp.picture)
