// Writes the HTML Help project of the same help: one page per topic, the
// contents (.hhc) and index (.hhk) as plain sitemaps, a style sheet and the
// project (.hhp) that the CHM compiler reads. Everything is in code page 932,
// the help's character set, with LCID 0x0411.
#pragma once

#include <string>
#include <vector>

#include "HelpProject.h"

namespace helpc {

struct ProjectFile {
    std::string name;  // relative to the project's directory
    std::string text;
};

// The page of a topic: its id with ".htm".
std::string PageName(const Topic& topic);

// The project NAME.hhp that compiles to NAME.chm, and every file it names.
// The contents list every topic in file order, which is also the browse
// order; the index has each keyword once (as the .hlp's index merges them),
// in the .hlp's order, with every topic it names.
std::vector<ProjectFile> BuildHtmlHelpProject(const HelpProject& project, const std::string& name);

}  // namespace helpc
