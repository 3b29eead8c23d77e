#pragma once
// The user guide: HTML pages, one per window, in English (guide/en) and Afrikaans (guide/af).
// The build puts the guide beside the program; an installed program finds it under
// /usr/share/doc/tavlo/guide. Help > Contents opens the index in the language in use, F1 in a
// window opens that window's page.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavlo {

class Platform;
class Runtime;

// The guide page (file name without ".html") that explains a window, by its procedure's name;
// "index" for a window the guide has no page of its own for.
std::string_view guidePageOf(std::string_view procedureName);

// The folders searched for the guide, in order: beside the program, then the installed place.
std::vector<std::filesystem::path> guideFolders(Platform& platform);

// The page's file in the language (1 English, 2 Afrikaans), falling back to the English page;
// nullopt when the guide is in none of the folders.
std::optional<std::filesystem::path> findGuidePage(Platform& platform, std::string_view page, int language);

// What the operator is told, in the language in use, when the guide is in none of the folders.
std::string guideMissingText(Platform& platform);

// Opens the page through the face, or tells the operator, in their language, where the guide was
// looked for. True when a page was opened.
bool openGuidePage(Runtime& runtime, Platform& platform, std::string_view page, int language);

}  // namespace tavlo
