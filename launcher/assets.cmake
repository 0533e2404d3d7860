# The launcher's own pictures, sounds and title lines, built into the root of
# the runnable tree. Included by launcher/CMakeLists.txt, or at the end of the
# configure by cmake/TevAssets.cmake while it is not.
include_guard(GLOBAL)
tev_add_assets(tev_assets_launcher DEST .
  SOURCES
    assets/frame.bmp.picture
    assets/noimage.bmp.picture
    assets/nowloading.bmp.picture
    assets/pv.ico.picture
    assets/ok.wav.sfx
    assets/ng.wav.sfx
    assets/cur.wav.sfx
    assets/decide.wav.sfx
    assets/cancel.wav.sfx
    assets/bgm.wav.song
)
# Title lines: count first, at most 63 CP932 bytes a line.
tev_add_assets(tev_assets_launcher_text DEST .
  SOURCES assets/title.dat.text
  TEXT_OPTIONS --count --comments --skip-blank --max-bytes 63)
