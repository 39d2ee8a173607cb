// helpc: compiles the help source into a Windows Help file.
//
//   helpc SOURCE.txt OUT.hlp
//
// A source the help file cannot represent stops it with SOURCE:LINE: reason
// and exit status 1; no output is left behind.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "HelpWriter.h"
#include "SourceReader.h"
#include "write_file.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: helpc SOURCE OUT.hlp\n";
        return 2;
    }
    const std::string source = argv[1];
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::cerr << source << ": cannot open\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    try {
        const helpc::Bytes file = helpc::BuildHelpFile(helpc::ReadHelpSource(text.str()));
        return writeFile("helpc", argv[2], file) ? 0 : 1;
    } catch (const helpc::HelpError& error) {
        std::cerr << source << ":" << error.Line() << ": " << error.what() << "\n";
        return 1;
    }
}
