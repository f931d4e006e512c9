#pragma once
// Where the programs keep their files: the program folder when it is writable (a build tree),
// else the XDG folders. One module answers these paths for both programs.

#include <string>
#include <string_view>

namespace apppaths {

// Folder of the running executable, without a trailing "/". Tests may override it.
std::string programFolder();
void setProgramFolderForTesting(const std::string& folder);  // empty restores the real one

// The file an installed program folder holds (the install rules put it there).
inline constexpr const char* InstalledMarker = "installed";
// True for a writable program folder that is no installed one (a build tree): it holds the
// scripts, settings and listings the programs write.
bool programFolderHoldsData();
// The program folder when it holds data, else $XDG_DATA_HOME/vantrel (created on demand).
std::string dataFolder();
// $XDG_DATA_HOME and $XDG_CONFIG_HOME, with their defaults under $HOME.
std::string xdgDataHome();
std::string xdgConfigHome();
// $XDG_CONFIG_HOME/vantrel: files the programs open "without a folder".
std::string configFolder();
// $XDG_STATE_HOME/<program>.
std::string stateFolder(std::string_view program);

// The history file of a script: its extension replaced by ".History.txt".
std::string historyPathFor(std::string_view scriptPath);

// Path pieces with "/" as the separator.
std::string extractFileName(std::string_view path);  // after the last "/"
std::string extractFilePath(std::string_view path);  // up to and with the last "/"
std::string extractFileExt(std::string_view path);   // from the last "." of the name, with it
std::string changeFileExt(std::string_view path, std::string_view ext);
std::string includeTrailingSlash(std::string_view path);
std::string excludeTrailingSlash(std::string_view path);

bool fileExists(const std::string& path);       // a regular file (or a link to one)
bool directoryExists(const std::string& path);
bool isWritableDirectory(const std::string& path);
std::string currentDirectory();
// mkdir -p; true when the folder exists afterwards.
bool makeDirectories(const std::string& path);

}  // namespace apppaths
