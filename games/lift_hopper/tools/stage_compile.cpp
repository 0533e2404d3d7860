// Turns a readable stage source into the game's stage file.
//   lift_hopper_stage -o stageN.dat SOURCE
//
// The source is a picture of the stage plus one line per lift:
//   grid                   then 17 lines of 22 characters: the whole file
//                          grid (the outer columns 0 and 21 and rows 0 and 16
//                          lie off screen)
//   lift L up|down SPEED   the lift drawn with letter L in the grid
// Grid characters (outside the grid, anything after a '#' is a comment):
//   .  empty          =  grassy ground (1)   #  slate brick (2)   G  goal (3)
//   "  grass (4)      *  flowers (5)     |  hanging vine (6)  +  lantern (7)
//   o  coin           ?  hidden coin     @  start (an empty cell)
//   a ... z  (but o) a lift's top-left row of tiles; the run's length is its width
// The output holds one value per character ('0' + value): 17 lines of tile
// values, the start cell, then one five-value record per lift in letter order.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kCols = 22;
constexpr int kRows = 17;

struct Fail {
    std::string text;
};

[[noreturn]] void Error(const std::string& file, int line, const std::string& text) {
    throw Fail{file + ":" + std::to_string(line) + ": " + text};
}

bool IsLift(char c) { return c >= 'a' && c <= 'z' && c != 'o'; }

struct LiftRun {
    int col = -1, row = -1, width = 0;
    int up = 0, speed = 0;
    bool described = false;
};

std::string Compile(const std::string& file, std::istream& in) {
    const std::map<char, int> tiles = {{'.', 0}, {'=', 1}, {'#', 2}, {'G', 3}, {'"', 4}, {'*', 5},
                                       {'|', 6}, {'+', 7}, {'?', 8}, {'o', 9}, {'@', 0}};
    std::vector<std::string> grid;
    std::map<char, LiftRun> lifts;
    int startCol = -1, startRow = -1;
    std::string line;
    int number = 0;
    bool inGrid = false;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (inGrid) {
            if (static_cast<int>(line.size()) != kCols) Error(file, number, "a grid line has 22 characters");
            const int row = static_cast<int>(grid.size());
            for (int col = 0; col < kCols; ++col) {
                const char c = line[col];
                if (c == '@') {
                    if (startCol >= 0) Error(file, number, "a second start '@'");
                    startCol = col;
                    startRow = row;
                } else if (IsLift(c)) {
                    LiftRun& l = lifts[c];
                    if (l.col < 0) {
                        l.col = col;
                        l.row = row;
                    } else if (l.row != row || l.col + l.width != col) {
                        Error(file, number, std::string("lift '") + c + "' is not one unbroken row");
                    }
                    ++l.width;
                } else if (!tiles.count(c)) {
                    Error(file, number, std::string("unknown grid character '") + c + "'");
                }
            }
            grid.push_back(line);
            inGrid = static_cast<int>(grid.size()) < kRows;
            continue;
        }
        const std::string text = line.substr(0, line.find('#'));
        std::istringstream words(text);
        std::string word;
        if (!(words >> word)) continue;
        if (word == "grid") {
            if (!grid.empty()) Error(file, number, "a second grid");
            inGrid = true;
        } else if (word == "lift") {
            std::string name, way;
            int speed = 0;
            if (!(words >> name >> way >> speed) || name.size() != 1 || (way != "up" && way != "down"))
                Error(file, number, "expected: lift L up|down SPEED");
            if (speed < 1 || speed > 79) Error(file, number, "speed is 1 ... 79");
            LiftRun& l = lifts[name[0]];
            if (l.described) Error(file, number, "lift described twice");
            l.described = true;
            l.up = way == "up";
            l.speed = speed;
        } else {
            Error(file, number, "unknown line '" + word + "'");
        }
    }
    if (static_cast<int>(grid.size()) != kRows) Error(file, number, "the grid has 17 lines");
    if (startCol < 0) Error(file, number, "no start '@'");
    if (lifts.size() > 16) Error(file, number, "at most 16 lifts");

    std::string out;
    for (const std::string& row : grid) {
        for (char c : row) out += static_cast<char>('0' + (IsLift(c) ? 0 : tiles.at(c)));
        out += '\n';
    }
    out += static_cast<char>('0' + startCol);
    out += static_cast<char>('0' + startRow);
    out += '\n';
    for (const auto& [name, l] : lifts) {
        if (l.col < 0) Error(file, number, std::string("lift '") + name + "' is not in the grid");
        if (!l.described) Error(file, number, std::string("lift '") + name + "' has no lift line");
        for (int v : {l.col, l.row, l.width, l.up ? 1 : 2, l.speed}) out += static_cast<char>('0' + v);
        out += '\n';
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || std::string(argv[1]) != "-o") {
        std::cerr << "usage: lift_hopper_stage -o OUT SOURCE\n";
        return 2;
    }
    std::ifstream in(argv[3]);
    if (!in) {
        std::cerr << argv[3] << ": cannot open\n";
        return 1;
    }
    try {
        const std::string bytes = Compile(argv[3], in);
        std::ofstream out(argv[2], std::ios::binary);
        out << bytes;
        if (!out.flush()) {
            std::cerr << argv[2] << ": cannot write\n";
            std::remove(argv[2]);
            return 1;
        }
    } catch (const Fail& f) {
        std::cerr << f.text << "\n";
        return 1;
    }
    return 0;
}
