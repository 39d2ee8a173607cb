// helpc: compiles the help source into a Windows Help file, or into the HTML
// Help project of the same help for the CHM compiler.
//
//   helpc SOURCE.txt OUT.hlp
//   helpc --html SOURCE.txt DIR/NAME.hhp   (writes NAME.hhp and its files in DIR)
//
// A source the output cannot represent stops it with SOURCE:LINE: reason
// and exit status 1; no output is left behind.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "HelpWriter.h"
#include "HtmlHelpWriter.h"
#include "SourceReader.h"
#include "write_file.h"

namespace {

bool WriteHtmlHelpProject(const helpc::HelpProject& project, const std::filesystem::path& hhp) {
    for (const helpc::ProjectFile& file : helpc::BuildHtmlHelpProject(project, hhp.stem().string())) {
        if (!writeFile("helpc", (hhp.parent_path() / file.name).string(), {file.text.begin(), file.text.end()}))
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool html = argc == 4 && std::string(argv[1]) == "--html";
    if (argc != 3 && !html) {
        std::cerr << "usage: helpc SOURCE OUT.hlp\n       helpc --html SOURCE DIR/NAME.hhp\n";
        return 2;
    }
    const std::string source = argv[html ? 2 : 1];
    const std::string output = argv[html ? 3 : 2];
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::cerr << source << ": cannot open\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    try {
        const helpc::HelpProject project = helpc::ReadHelpSource(text.str());
        if (html) return WriteHtmlHelpProject(project, output) ? 0 : 1;
        return writeFile("helpc", output, helpc::BuildHelpFile(project)) ? 0 : 1;
    } catch (const helpc::HelpError& error) {
        std::cerr << source << ":" << error.Line() << ": " << error.what() << "\n";
        return 1;
    }
}
