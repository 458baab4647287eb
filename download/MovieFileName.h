#pragma once
// The file name a movie is saved under, derived from its address. The list's File Name column,
// the download worker, the viewer and copy/move all use this one rule, so the name shown is the
// name written. Platform-neutral.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Longest name accepted: a 127-character save folder plus this stays well inside MAX_PATH.
constexpr std::size_t kMaxMovieFileName = 127;

// The last path segment of the address, without query or fragment, with the characters Windows
// forbids in file names turned into "_". False (name left empty) when the result could not be
// created as a plain file inside the save folder: empty, "." or "..", ending in a dot or blank,
// a reserved device name (with any extension), or longer than kMaxMovieFileName.
// Percent-escapes are left as they are: decoding them could bring back a "/" or "..".
bool MovieFileName(std::string_view address, std::string& name);

// True when the name is one MovieFileName could give: a plain file name, written as it stands.
bool IsMovieFileName(std::string_view name);

// The names the rows of one list save under, one per address: MovieFileName's, except that a
// name another row took already (in any letter case) gets " (2)", " (3)", ... before its
// extension, so no two rows write one file. "" where MovieFileName refuses the address.
// `taken`: the names of rows the list holds already, which keep them.
std::vector<std::string> DistinctFileNames(const std::vector<std::string>& addresses,
                                           const std::vector<std::string>& taken = {});

// The file of that name in the folder: a backslash between them unless the folder already ends
// in one (or is empty).
std::string PathInFolder(std::string_view folder, std::string_view name);

// The local file of a movie: the save folder, a backslash unless the folder already ends in one
// (or is empty), and the movie's file name. False (path left empty) when MovieFileName refuses
// the address.
bool MovieFilePath(std::string_view folder, std::string_view address, std::string& path);
