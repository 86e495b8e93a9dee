// Plain POSIX file helpers. The request program avoids std::filesystem: it
// drags the C++ locale machinery into every start of the program.
#pragma once
#include <string>

// Creates the directory and its missing parents (mode 0755): 0, or -1.
int make_dirs(const std::string& dir);
// Removes a file or a whole directory tree, never following links: 0 (also
// when it was not there), or -1.
int remove_tree(const std::string& path);
// Copies a regular file over `to` (written to a temporary name, then renamed): 0, or -1.
int copy_file_over(const std::string& from, const std::string& to);
