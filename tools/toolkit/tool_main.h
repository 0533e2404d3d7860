// Shared command-line shape of the asset tools: [options] -o OUTPUT SOURCE.
#pragma once

#include <cctype>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "tools/toolkit/source_text.h"

namespace tevtools {

struct ToolArgs {
    std::string output, source;
    std::vector<std::pair<std::string, std::string>> options;  // --name [value]
    std::string Option(const std::string& name, const std::string& fallback = "") const {
        for (const auto& [k, v] : options)
            if (k == name) return v;
        return fallback;
    }
    bool Flag(const std::string& name) const {
        for (const auto& [k, v] : options)
            if (k == name) return true;
        return false;
    }
};

// `valued` lists the options that take a value. Any failure is printed as
// "tool: message" and gives exit status 1, so the build stops at the bad source.
inline int RunTool(const char* tool, int argc, char** argv, const std::vector<std::string>& valued,
                   const std::function<void(const ToolArgs&)>& body) {
    ToolArgs args;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-o" && i + 1 < argc) {
            args.output = argv[++i];
        } else if (a.rfind("--", 0) == 0) {
            bool takes = false;
            for (const auto& v : valued) takes = takes || v == a;
            if (takes && i + 1 >= argc) {
                std::fprintf(stderr, "%s: %s needs a value\n", tool, a.c_str());
                return 2;
            }
            args.options.emplace_back(a, takes ? argv[++i] : "");
        } else if (args.source.empty()) {
            args.source = a;
        } else {
            std::fprintf(stderr, "%s: more than one source given\n", tool);
            return 2;
        }
    }
    if (args.output.empty() || args.source.empty()) {
        std::fprintf(stderr, "usage: %s [options] -o OUTPUT SOURCE\n", tool);
        return 2;
    }
    try {
        body(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", tool, e.what());
        std::remove(args.output.c_str());
        return 1;
    }
    return 0;
}

inline std::string LowerExtension(const std::string& path) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

}  // namespace tevtools
