// Where the run's HTML log goes, for the whole process.
#pragma once
#include <string>

namespace tev_log {

// The log file every CTevDebugOut writes to once set: Init() sets it to
// "report.html" in the working folder of that moment as an absolute path,
// so lines written while a game's folder is current still reach it.
std::string LogFilePath();
// The folder Init() puts "report.html" in from now on ("" = the working
// folder of that moment): the player's data folder of an installed run.
void SetLogFolder(const std::string& folder);
// From now on nothing is written to any report.html: entries go to stderr.
// For a copy that may not run, whose log would be another copy's file.
void DivertToStderr();
// From now on log entries go nowhere (a refused second copy says its one
// line itself rather than its whole shutdown).
void Discard();

// text with &, <, >, " and ' written as HTML entities.
std::string EscapeHtml(const char* text);

} // namespace tev_log
