// The launcher program driven headless by input scripts: every screen, the
// ways between them, the files they write and a game's run through them.
// Runs are frame-exact, so the frame numbers below follow from the script.
#include <gtest/gtest.h>
#include <cstring>
#include "tests/launcher/launcher_e2e_support.h"

using namespace e2e;

namespace {

// Button path through the splash (Z is button 1 by default): stop the
// letters, skip the result, skip the solved tag.
constexpr long kSplashStop = 40, kSplashSkip = 75, kSplashLeave = 80;
constexpr long kTitleFirst = 82;    // title counter 1
constexpr long kTitleInput = 141;   // the ring intro is over
constexpr long kTitleChoose = 145;
constexpr long kListFirst = 206;    // after the 60-frame zoom
constexpr long kListInput = kListFirst + 29;   // entry frame 30
constexpr long kPlayRelease = 242;  // button 1 down at 240, released here
constexpr long kGameStart = kPlayRelease + 61;   // after the 60-frame fade
constexpr long kOptionFirst = 231;  // LEFT at 145, Z at 170, zoom
constexpr long kOptionInput = kOptionFirst + 60;

Script ToTitle() {
    Script s;
    s.Tap(kSplashStop, "Z").Tap(kSplashSkip, "Z").Tap(kSplashLeave, "Z");
    return s;
}

Script ToList() {
    Script s = ToTitle();
    s.Tap(kTitleChoose, "Z");
    return s;
}

Script ToOption() {
    Script s = ToTitle();
    s.Tap(kTitleChoose, "LEFT").Tap(170, "Z");
    return s;
}

const Rect kWholeScreen = {0, 0, 320, 240};
const Rect kLoadingText = {0, 228, 320, 12};
const Rect kPresentedBy = {60, 80, 110, 18};
const Rect kLetters = {120, 100, 72, 20};
const Rect kSplashResult = {100, 180, 200, 20};
const Rect kSplashHint = {80, 160, 160, 20};
const Rect kKeyHelp = {208, 0, 112, 62};
const Rect kTitleBlock = {0, 0, 320, 100};
const Rect kTitleHint = {80, 210, 240, 16};
const Rect kRing = {80, 105, 160, 100};   // below the rippling block
const Rect kMenuItems = {60, 100, 190, 112};
const Rect kListHeader = {0, 0, 150, 30};
const Rect kListLines = {150, 0, 170, 165};
const Rect kPanel = {15, 172, 135, 48};   // left of the list's lines
const Rect kNotSlowMark = {32, 0, 288, 240};

uint32_t ScoreField(const std::string& record, int index) {
    uint32_t v = 0;
    if (record.size() >= static_cast<size_t>(index * 4 + 4)) std::memcpy(&v, record.data() + index * 4, 4);
    return v;
}

} // namespace

TEST(LauncherStartUp, LoadingThenSplashAndEscapeQuits) {
    LauncherRun run;
    run.AddProbe("probe", "Probe");
    Script s;
    s.Tap(60, "ESCAPE");
    EXPECT_EQ(run.Run(500, s), 0);
    EXPECT_EQ(run.LastFrame(), 60) << "Escape on the splash ends the launcher at once";

    Image loading = run.Frame(1);
    EXPECT_GT(Lit(loading, kLoadingText), 20) << "loading text at the bottom";
    EXPECT_EQ(Lit(loading, {0, 0, 320, 220}), 0);

    Image splash = run.Frame(30);
    EXPECT_GT(Lit(splash, kPresentedBy), 20);
    EXPECT_GT(Lit(splash, kLetters), 20);
    EXPECT_GT(Lit(splash, kKeyHelp), 200) << "pre-drawn key help";
    EXPECT_GT(Lit(splash, kSplashHint), 20) << "the stop hint";
    EXPECT_EQ(Lit(splash, kSplashResult), 0);
    // The letters are shuffled every frame.
    EXPECT_NE(Hash(run.Frame(30), kLetters), Hash(run.Frame(31), kLetters));
    EXPECT_NE(run.Read("report.html").find("Find PV Dll"), std::string::npos);
}

TEST(LauncherSplash, TimeOutShowsTheTagThenTheTitleWithoutScore) {
    LauncherRun run;
    run.AddProbe("probe", "Probe");
    EXPECT_EQ(run.Run(1600, Script(), 50), 0);
    EXPECT_FALSE(run.Exists("pv.dat")) << "a time-out counts no try";

    Image spinning = run.Frame(600);
    EXPECT_EQ(Lit(spinning, kSplashResult), 0);
    EXPECT_EQ(Reddish(spinning, kLetters), 0);

    Image result = run.Frame(650);   // time-out text, letters stopped (white)
    EXPECT_GT(Lit(result, kSplashResult), 20);
    EXPECT_EQ(Reddish(result, kLetters), 0);
    EXPECT_EQ(Hash(run.Frame(650), kLetters), Hash(run.Frame(1000), kLetters)) << "letters stand still";

    Image solved = run.Frame(1100);  // 450 frames later: the tag in red
    EXPECT_GT(Reddish(solved, kLetters), 20);
    EXPECT_EQ(Lit(solved, kSplashResult), 0);

    Image title = run.Frame(1600);   // 450 frames later: the title, rippling
    EXPECT_GT(Lit(title, kTitleBlock), 300);
    EXPECT_GT(Lit(title, kTitleHint), 20);
    EXPECT_GT(Lit(title, kRing), 100);
}

TEST(LauncherSplash, ButtonStopsTheLettersAndCountsTheTry) {
    LauncherRun run;
    run.AddProbe("probe", "Probe");
    Script s = ToTitle();
    s.Tap(20, "Z");   // too early: ignored
    EXPECT_EQ(run.Run(kTitleFirst + 120, s), 0);

    std::string pv = FromTextMode(run.Read("pv.dat"));
    ASSERT_EQ(pv.size(), 8u);
    EXPECT_EQ(ScoreField(pv, 0), 1u);
    uint32_t hits = ScoreField(pv, 1);
    EXPECT_LE(hits, 1u);

    EXPECT_EQ(Lit(run.Frame(30), kSplashResult), 0) << "the early press did nothing";
    Image result = run.Frame(kSplashStop + 5);
    EXPECT_GT(Lit(result, kSplashResult), 20);
    EXPECT_GT(Lit(result, {170, 200, 100, 20}), 10) << "score line";
    EXPECT_EQ(Yellowish(result, kLetters) > 20, hits == 1) << "yellow letters on a hit only";
    EXPECT_EQ(Hash(result, kLetters), Hash(run.Frame(kSplashSkip - 1), kLetters));
    EXPECT_GT(Reddish(run.Frame(kSplashSkip + 2), kLetters), 20) << "solved tag";
    EXPECT_GT(Lit(run.Frame(kTitleFirst + 100), kTitleBlock), 300) << "title reached";

    // The next start reads the score back and adds to it.
    EXPECT_EQ(run.Run(kSplashStop + 5, s), 0);
    pv = FromTextMode(run.Read("pv.dat"));
    ASSERT_EQ(pv.size(), 8u);
    EXPECT_EQ(ScoreField(pv, 0), 2u);
    EXPECT_GE(ScoreField(pv, 1), hits);
}

TEST(LauncherSplash, AHitCountsAndSendsUpParticles) {
    // The launcher's generator starts from the same state every run: the
    // shuffled letters spell the tag at frame 437.
    constexpr long kHitFrame = 437;
    LauncherRun run;
    run.AddProbe("probe", "Probe");
    Script s;
    s.Tap(kHitFrame, "Z");
    EXPECT_EQ(run.Run(kHitFrame + 60, s), 0);
    std::string pv = FromTextMode(run.Read("pv.dat"));
    ASSERT_EQ(pv.size(), 8u);
    EXPECT_EQ(ScoreField(pv, 0), 1u);
    EXPECT_EQ(ScoreField(pv, 1), 1u);
    Image hit = run.Frame(kHitFrame + 10);
    EXPECT_GT(Yellowish(hit, kLetters), 20);
    EXPECT_EQ(Colourful(run.Frame(kHitFrame - 1), {0, 120, 320, 120}), 0);
    EXPECT_GT(Colourful(hit, {0, 120, 320, 120}), 10) << "particles rising from the bottom";
    EXPECT_NE(Hash(hit, {0, 120, 320, 120}), Hash(run.Frame(kHitFrame + 20), {0, 120, 320, 120}));
}

TEST(LauncherSplash, ParticlesStandStillOnceSolved) {
    constexpr long kHitFrame = 437;
    LauncherRun run;
    run.AddProbe("probe", "Probe");
    Script s;
    s.Tap(kHitFrame, "Z").Tap(kHitFrame + 40, "Z");   // hit, then on to the solved tag
    EXPECT_EQ(run.Run(kHitFrame + 80, s), 0);
    const Rect particles = {0, 120, 320, 120};
    EXPECT_NE(Hash(run.Frame(kHitFrame + 10), particles), Hash(run.Frame(kHitFrame + 20), particles))
        << "flying while the result shows";
    EXPECT_GT(Colourful(run.Frame(kHitFrame + 50), particles), 10) << "still drawn when solved";
    EXPECT_EQ(Hash(run.Frame(kHitFrame + 50), particles), Hash(run.Frame(kHitFrame + 70), particles));
}

TEST(LauncherSplash, SurvivesGarbageDataFiles) {
    LauncherRun run;
    run.AddProbe("probe", "Probe");
    // Counts at their top, and a key record of nothing but 0xFF.
    run.Box().WriteFile("pv.dat", std::string("\xFF\xFF\xFF\x7F\xFF\xFF\xFF\x7F", 8));
    run.Box().WriteFile("save.dat", std::string(6, '\xFF'));
    Script s;
    s.Tap(kSplashStop, "Z");   // 0xFF is no key: button 1 stays on Z
    EXPECT_EQ(run.Run(kSplashStop + 20, s), 0);
    EXPECT_GT(Lit(run.Frame(kSplashStop + 5), kSplashResult), 20);
    EXPECT_GT(Lit(run.Frame(kSplashStop + 5), kKeyHelp), 200);
    EXPECT_NE(run.Read("report.html").find("key of button 1 255 cannot be bound"), std::string::npos);

    // Default keys again: the try is counted, the counts stay at their top.
    run.Box().WriteFile("save.dat", "");
    EXPECT_EQ(run.Run(kSplashStop + 20, s), 0);
    EXPECT_GT(Lit(run.Frame(kSplashStop + 5), kSplashResult), 20);
    std::string pv = FromTextMode(run.Read("pv.dat"));
    ASSERT_EQ(pv.size(), 8u);
    EXPECT_EQ(ScoreField(pv, 0), 0x7FFFFFFFu);
    EXPECT_EQ(ScoreField(pv, 1), 0x7FFFFFFFu);
}

TEST(LauncherTitle, RingTurnsBothWaysAndExitEnds) {
    LauncherRun run;
    run.AddProbe("probe", "Probe");
    Script s = ToTitle();
    // From title counter 80 on the logo is the rippling block, so frames
    // compare below it.
    s.Tap(170, "LEFT");    // selection 1 at 190
    s.Tap(200, "RIGHT");   // back to 0 at 220
    s.Tap(230, "RIGHT");   // selection 2 at 250
    s.Tap(260, "Z");       // exit: zoom, then the stack runs empty
    EXPECT_EQ(run.Run(1000, s), 0);
    EXPECT_EQ(run.LastFrame(), 321) << "60 zoom frames after the exit item, then the end";

    uint64_t play = Hash(run.Frame(165), kTitleHint);
    uint64_t option = Hash(run.Frame(195), kTitleHint);
    uint64_t back = Hash(run.Frame(225), kTitleHint);
    uint64_t exitHint = Hash(run.Frame(255), kTitleHint);
    EXPECT_NE(play, option);
    EXPECT_NE(play, exitHint);
    EXPECT_NE(option, exitHint);
    EXPECT_EQ(play, back);
    // Turning: the items move; a turn back lands where it started.
    EXPECT_GT(Differing(run.Frame(165), run.Frame(180), kRing), 200);
    EXPECT_GT(Differing(run.Frame(165), run.Frame(195), kRing), 200);
    EXPECT_EQ(Differing(run.Frame(165), run.Frame(225), kRing), 0);
    // Zoom: only the chosen label grows and fades.
    EXPECT_GT(Lit(run.Frame(270), kWholeScreen), 50);
    EXPECT_EQ(Lit(run.Frame(310), kTitleBlock), 0);
}

TEST(LauncherTitle, PlayDoesNothingWithoutGamesAndEscapeQuits) {
    LauncherRun run;   // no games at all
    Script s = ToTitle();
    s.Tap(kTitleChoose, "Z");
    s.Tap(260, "ESCAPE");
    EXPECT_EQ(run.Run(1000, s), 0);
    EXPECT_EQ(run.LastFrame(), 260);
    Image before = run.Frame(kTitleChoose - 1), after = run.Frame(kTitleChoose + 40);
    EXPECT_GT(Lit(after, kTitleBlock), 300) << "still the title";
    EXPECT_EQ(Hash(before, kTitleHint), Hash(after, kTitleHint)) << "\"DLLが確認できていません\" stays";
}

TEST(LauncherTitle, ButtonTwoShortensTheIdleTimerBackToSplash) {
    LauncherRun run;
    run.AddProbe("probe", "Probe");
    Script s = ToTitle();
    // 35 presses take 3500 frames off the 3600-frame timer.
    for (int i = 0; i < 35; ++i) s.Tap(150 + 2 * i, "X");
    EXPECT_EQ(run.Run(300, s), 0);
    // 3600 - 35 * 100 - (frames since 141) runs out at frame 275.
    EXPECT_GT(Lit(run.Frame(270), kTitleBlock), 300);
    Image splash = run.Frame(290);
    EXPECT_GT(Lit(splash, kPresentedBy), 20) << "back on the splash";
    EXPECT_EQ(Lit(splash, kTitleHint), 0);
}

TEST(LauncherSettings, KeySettingsSaveButtonKeysUsedAtNextStart) {
    LauncherRun run;
    run.AddProbe("probe", "Probe");
    Script s = ToOption();
    long f = kOptionInput + 4;
    s.Tap(f, "DOWN");          // cursor 1: settings
    s.Tap(f + 5, "Z");         // key settings, row 0
    s.Tap(f + 10, "DOWN");     // row 1: button 1 key
    s.Tap(f + 15, "Q", 2);     // Q becomes button 1
    s.Tap(f + 20, "UP");
    s.Tap(f + 22, "DOWN");     // back on row 1: the held-key rule keeps Q
    s.Tap(f + 25, "DOWN");     // row 2: button 2 key
    s.Tap(f + 30, "9");        // DIK 10: stored as 0D 0A on disk
    for (int i = 0; i < 5; ++i) s.Tap(f + 35 + 5 * i, "DOWN");   // row 7: save
    s.Tap(f + 65, "Z");        // still Z until saved
    s.Tap(f + 150, "ESCAPE");  // settings quit on Escape too
    EXPECT_EQ(run.Run(2000, s), 0);
    EXPECT_EQ(run.LastFrame(), f + 150);

    std::string raw = run.Read("save.dat");
    EXPECT_EQ(raw.size(), 7u);
    std::string rec = FromTextMode(raw);
    ASSERT_EQ(rec.size(), 6u);
    EXPECT_EQ(rec, std::string("\x00\x10\x0A\x04\x05\x00", 6));

    Image menu = run.Frame(kOptionInput + 2);
    EXPECT_GT(Lit(menu, kMenuItems), 500) << "menu items";
    Image keys = run.Frame(f + 40);
    EXPECT_GT(Lit(keys, {10, 20, 300, 200}), 3000) << "key settings box and labels";
    // The panel is opaque: where it has no text, the "KEY & SCREEN" item
    // below it does not show through.
    int seeThrough = 0;
    for (int y = 121; y < 148; ++y)
        for (int x = 60; x < 120; ++x) seeThrough += (keys.pixels[y * keys.width + x] & 0xFFFFFF) != 0x0000A0;
    EXPECT_EQ(seeThrough, 0);
    Image saved = run.Frame(f + 70);
    int box = Bluish(saved, {80, 100, 160, 40});
    EXPECT_GT(box, 4000) << "saved message";
    EXPECT_LT(Bluish(run.Frame(f + 140), {80, 100, 160, 40}), box / 4) << "message gone after 60 frames";

    // Next start: Q is button 1, Z does nothing; the game gets the record.
    // (The button-1 path shifted by 5 frames: Q stops the letters at 45.)
    Script next;
    next.Tap(kSplashStop, "Z");
    next.Tap(kSplashStop + 5, "Q");
    next.Tap(kSplashSkip + 5, "Q").Tap(kSplashLeave + 5, "Q");
    next.Tap(kTitleChoose + 5, "Q");
    next.Down(245, "Q").Up(kPlayRelease + 5, "Q");
    EXPECT_EQ(run.Run(kGameStart + 5 + 3, next), 0);
    EXPECT_EQ(Lit(run.Frame(kSplashStop + 2), kSplashResult), 0) << "Z is no longer button 1";
    EXPECT_GT(Lit(run.Frame(kSplashStop + 8), kSplashResult), 20);
    EXPECT_NE(run.Read("probe/trace.txt").find("userinit 0 keys 0 16 10 4 5 0"), std::string::npos)
        << run.Read("probe/trace.txt");
}

TEST(LauncherSettings, DontSaveKeepsTheRecordCreditsAndRescan) {
    LauncherRun run;
    run.AddProbe("probe", "Probe");
    Script s = ToOption();
    long f = kOptionInput + 4;
    s.Tap(f, "Z");                 // re-scan: 120-frame message
    s.Tap(f + 130, "DOWN");
    s.Tap(f + 135, "Z");           // key settings
    s.Tap(f + 140, "RIGHT");       // row 0: W S A D (working copy only)
    for (int i = 0; i < 8; ++i) s.Tap(f + 145 + 3 * i, "DOWN");   // row 8
    s.Tap(f + 175, "Z");           // don't save
    s.Tap(f + 180, "DOWN");
    s.Tap(f + 185, "Z");           // credits
    s.Tap(f + 200, "Z");           // back to the menu
    s.Tap(f + 205, "DOWN");
    s.Tap(f + 210, "Z");           // back: fade to the title
    EXPECT_EQ(run.Run(f + 350, s), 0);
    EXPECT_FALSE(run.Exists("save.dat"));
    Image rescan = run.Frame(f + 10);
    int box = Bluish(rescan, {60, 100, 180, 48});
    EXPECT_GT(box, 2500) << "re-scan message";
    EXPECT_LT(Bluish(run.Frame(f + 128), {60, 100, 180, 48}), box / 4) << "message gone after 120 frames";
    EXPECT_GT(Lit(run.Frame(f + 195), {20, 64, 280, 140}), 1500) << "credits";
    Image fading = run.Frame(f + 240);
    EXPECT_GT(Lit(fading, kMenuItems), 50);
    EXPECT_LT(Brightness(fading, kMenuItems), Brightness(run.Frame(f + 205), kMenuItems) * 3 / 4);
    EXPECT_GT(Lit(run.Frame(f + 350), kTitleBlock), 300) << "title after the fade";
    // The rescan kept the game (its library was loaded afresh).
    EXPECT_NE(run.Read("report.html").find("Find PV Dll"), std::string::npos);
}

TEST(LauncherSettings, CursorMoveAndButtonOneInOneFrameBothApply) {
    LauncherRun run;
    run.AddProbe("probe", "Probe");
    Script s = ToOption();
    long f = kOptionInput + 4;
    s.Tap(f, "DOWN").Tap(f, "Z");   // onto "settings" and into it at once
    s.Tap(f + 40, "ESCAPE");
    EXPECT_EQ(run.Run(2000, s), 0);
    const Rect saveLabels = {140, 180, 170, 35};   // empty in the menu
    EXPECT_EQ(Lit(run.Frame(f - 1), saveLabels), 0);
    EXPECT_GT(Lit(run.Frame(f + 20), saveLabels), 300) << "key settings opened";
}

TEST(LauncherGameList, ScrollsWithSeveralGames) {
    LauncherRun run;
    run.AddProbe("a_game", "Alpha");
    run.AddProbe("b_game", "Bravo");
    run.AddProbe("c_game", "Charlie");
    Script s = ToList();
    s.Tap(kListInput + 10, "DOWN");     // scroll to Bravo (15 frames)
    s.Tap(kListInput + 40, "UP");       // back to Alpha
    s.Tap(kListInput + 70, "UP");       // wraps to Charlie
    s.Tap(kListInput + 100, "LEFT");    // hide the panel
    s.Tap(kListInput + 200, "RIGHT");   // show it again
    s.Tap(kListInput + 290, "ESCAPE");
    EXPECT_EQ(run.Run(2000, s), 0);
    EXPECT_EQ(run.LastFrame(), kListInput + 290) << "Escape in the list quits";

    Image alpha = run.Frame(kListInput + 5);
    EXPECT_GT(Bluish(alpha, kListHeader), 1000) << "list header";
    EXPECT_GT(Reddish(alpha, {195, 118, 125, 16}), 10) << "current title in red";
    uint64_t a = Hash(alpha, kListLines);
    uint64_t mid = Hash(run.Frame(kListInput + 17), kListLines);
    uint64_t b = Hash(run.Frame(kListInput + 35), kListLines);
    uint64_t back = Hash(run.Frame(kListInput + 65), kListLines);
    uint64_t c = Hash(run.Frame(kListInput + 95), kListLines);
    EXPECT_NE(a, mid);
    EXPECT_NE(a, b);
    EXPECT_EQ(a, back);
    EXPECT_NE(c, a);
    EXPECT_NE(c, b);
    // The panel slides out and back in.
    EXPECT_GT(Lit(run.Frame(kListInput + 99), kPanel), 200);
    EXPECT_EQ(Lit(run.Frame(kListInput + 190), kPanel), 0);
    EXPECT_GT(Lit(run.Frame(kListInput + 285), kPanel), 200);
}

TEST(LauncherGameList, ScrollsOntoTheSameGameWithOne) {
    LauncherRun run;
    run.AddProbe("probe", "Solo");
    Script s = ToList();
    s.Tap(kListInput + 10, "DOWN");
    s.Tap(kListInput + 40, "UP");
    EXPECT_EQ(run.Run(kListInput + 70, s), 0);
    Image before = run.Frame(kListInput + 5);
    EXPECT_NE(Hash(run.Frame(kListInput + 17), kListLines), Hash(before, kListLines));
    EXPECT_EQ(Hash(run.Frame(kListInput + 35), kListLines), Hash(before, kListLines));
    EXPECT_EQ(Hash(run.Frame(kListInput + 65), kListLines), Hash(before, kListLines));
}

TEST(LauncherGameList, ButtonTwoGoesBackToTheTitle) {
    LauncherRun run;
    run.AddProbe("probe", "Probe");
    Script s = ToList();
    s.Down(kListFirst + 2, "X").Up(kListFirst + 40, "X");   // held from before input counts: nothing
    s.Tap(kListInput + 20, "X");
    EXPECT_EQ(run.Run(kListInput + 160, s), 0);
    EXPECT_GT(Bluish(run.Frame(kListInput + 15), kListHeader), 1000) << "still the list";
    EXPECT_GT(Lit(run.Frame(kListInput + 160), kTitleBlock), 300) << "title after the fade";
}

TEST(LauncherGameList, TakesInputAtOnceWhenBackFromTheTitle) {
    LauncherRun run;
    run.AddProbe("a_game", "Alpha");
    run.AddProbe("b_game", "Bravo");
    Script s = ToList();
    // Back to the title, then into the list again: only a started game
    // makes the list wait before it takes input.
    s.Tap(kListInput + 20, "X");
    const long title = kListInput + 20 + 62;
    const long again = title + 80;
    s.Tap(again, "Z");
    const long list = again + 61;
    s.Tap(list + 3, "DOWN");
    EXPECT_EQ(run.Run(list + 40, s), 0);
    EXPECT_GT(Bluish(run.Frame(list + 1), kListHeader), 1000) << "the list again";
    EXPECT_NE(Hash(run.Frame(list + 2), kListLines), Hash(run.Frame(list + 30), kListLines))
        << "scrolled on a press three frames after entry";
}

TEST(LauncherPlay, QuittingInTheMiddleOfAGameStillEndsIt) {
    LauncherRun run;
    run.AddProbe("probe", "Probe", "1000");   // would run 1000 frames
    Script s = ToList();
    s.Down(240, "Z").Up(kPlayRelease, "Z");
    EXPECT_EQ(run.Run(kGameStart + 10, s), 0);   // --frames ends the run mid-game
    EXPECT_EQ(run.Read("probe/trace.txt"), "userinit 0 keys 0 44 45 4 5 0\ncleanup 10\n");
}

TEST(LauncherPlay, GameRunsEndsAndTheListComesBack) {
    LauncherRun run;
    run.AddProbe("a_probe", "First", "20");
    run.AddProbe("b_probe", "Second", "-5");   // ends with MainLoop() == -1
    Script s = ToList();
    s.Down(240, "Z").Up(kPlayRelease, "Z");
    // a_probe runs frames kGameStart + 1 ... + 20; the list is back after.
    long back = kGameStart + 22;
    long second = back + 40;
    s.Tap(second, "DOWN");
    s.Down(second + 30, "Z").Up(second + 32, "Z");
    long secondStart = second + 32 + 61;
    long secondBack = secondStart + 7;
    s.Tap(secondBack + 60, "ESCAPE");
    EXPECT_EQ(run.Run(3000, s, 1, {"--record-audio", run.Box().Path("audio.wav")}), 0);
    EXPECT_EQ(run.LastFrame(), secondBack + 60);

    std::string trace = run.Read("a_probe/trace.txt");
    EXPECT_EQ(trace, "userinit 0 keys 0 44 45 4 5 0\ncleanup 20\n");
    EXPECT_EQ(run.Read("b_probe/trace.txt"), "userinit 0 keys 0 44 45 4 5 0\ncleanup 5\n");
    std::string play = run.Read("play.dat");
    EXPECT_NE(play.find("[ProjectVarrow]"), std::string::npos) << play;
    EXPECT_NE(play.find("a_probe=1"), std::string::npos) << play;
    EXPECT_NE(play.find("b_probe=1"), std::string::npos) << play;

    // While the game runs only the game draws.
    Image game = run.Frame(kGameStart + 5);
    EXPECT_GT(Greenish(game, {0, 0, 320, 90}), 20000);
    EXPECT_EQ(Bluish(game, kListHeader), 0);
    // Back in the list everything looks as before the game: textures,
    // tints, blend mode and text colour are the launcher's again.
    Image listBefore = run.Frame(kListFirst + 30);
    Image listAfter = run.Frame(back + 30);
    EXPECT_EQ(Differing(listBefore, listAfter, kNotSlowMark), 0);
    // The list's music plays before and after the game, not during it
    // (the game released every sound).
    std::string audio = run.Box().Path("audio.wav");
    EXPECT_GT(AudioRms(audio, kListFirst + 10, kListFirst + 40), 0.01);
    EXPECT_EQ(AudioRms(audio, kGameStart + 2, kGameStart + 15), 0.0);
    EXPECT_GT(AudioRms(audio, back + 10, back + 35), 0.01) << "launcher sounds reloaded";
    // Second game: MainLoop's -1 ends it like 1 does, the list is back.
    EXPECT_GT(Greenish(run.Frame(secondStart + 3), {0, 0, 320, 90}), 20000);
    EXPECT_GT(Bluish(run.Frame(secondBack + 30), kListHeader), 1000);
}

TEST(LauncherGameList, ButtonOneHeldFromTheTitleStartsNothing) {
    LauncherRun run;
    run.AddProbe("probe", "Probe", "10");
    Script s = ToTitle();
    s.Down(kTitleChoose, "Z").Up(kListInput + 15, "Z");   // pressed on the title, released in the list
    EXPECT_EQ(run.Run(kListInput + 120, s), 0);
    EXPECT_GT(Bluish(run.Frame(kListInput + 120), kListHeader), 1000) << "still the list, no fade";
    EXPECT_FALSE(run.Exists("probe/trace.txt"));
}

TEST(LauncherPlay, SecondPlayStartsFromAFreshLibrary) {
    LauncherRun run;
    run.AddProbe("probe", "Probe", "10");
    Script s = ToList();
    s.Down(240, "Z").Up(kPlayRelease, "Z");
    long back = kGameStart + 12;
    s.Down(back + 35, "Z").Up(back + 37, "Z");
    EXPECT_EQ(run.Run(back + 37 + 61 + 15, s), 0);
    EXPECT_EQ(run.Read("probe/trace.txt"),
              "userinit 0 keys 0 44 45 4 5 0\ncleanup 10\nuserinit 0 keys 0 44 45 4 5 0\ncleanup 10\n");
    EXPECT_NE(run.Read("play.dat").find("probe=2"), std::string::npos) << run.Read("play.dat");
}

TEST(LauncherPlay, FailedStartIsReportedAndRecovers) {
    LauncherRun run;
    run.AddProbe("probe", "Broken", "", true);
    Script s = ToList();
    s.Down(240, "Z").Up(kPlayRelease, "Z");
    s.Tap(kGameStart + 20, "Z");   // confirm the message
    s.Tap(kGameStart + 80, "ESCAPE");
    EXPECT_EQ(run.Run(2000, s), 0);
    EXPECT_EQ(run.LastFrame(), kGameStart + 80);
    Image failed = run.Frame(kGameStart + 10);
    EXPECT_GT(Lit(failed, {20, 100, 100, 14}), 20) << "ゲーム起動失敗";
    EXPECT_EQ(Lit(failed, {0, 0, 320, 95}), 0);
    EXPECT_EQ(Lit(failed, {32, 120, 288, 120}), 0);
    EXPECT_GT(Bluish(run.Frame(kGameStart + 60), kListHeader), 1000) << "back in the list";
    EXPECT_EQ(run.Read("probe/trace.txt"), "userinit 0 keys 0 44 45 4 5 0\ncleanup 0\n");
}
