#pragma once
// Paths. The program's own texts spell paths the way the till always has, with "\" between
// folders ("\Tavlo.Ini" after the program folder); on this platform the separator is "/", and
// nativePath turns the one into the other.
#include <cstddef>
#include <string>
#include <string_view>

namespace tavlo {

// Every "\" becomes "/": "/srv/till\Tavlo.Ini" gives "/srv/till/Tavlo.Ini".
std::string nativePath(std::string_view path);

// Makes a folder name end in a separator so that a file name can follow. The path is taken
// without its trailing blanks; a blank path stays blank; a path that already ends in "/" (or
// "\", the same separator in the program's texts) stays; a bare drive name such as "C:" stays
// (it named a current folder where the till came from); anything else gets "/" appended. With
// a width (a STRING variable's size) the result is cut to that many bytes.
void AddSlashToPath(std::string& path, std::size_t width = 0);

}  // namespace tavlo
