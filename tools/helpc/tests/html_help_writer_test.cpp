// The HTML Help project: pages, contents, index and project file as the CHM
// compiler reads them, from the same reading of the source as the .hlp.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "HtmlHelpWriter.h"
#include "SourceReader.h"

namespace {

TEST(HtmlHelpWriterTest, WritesEachPartAsTheCompilerReadsIt) {
    std::map<std::string, std::string> files;
    for (const auto& file : helpc::BuildHtmlHelpProject(
             helpc::ReadHelpSource("@title T&C\n@font Arial 10\n@topic c Contents\n@keywords b; A\n[[p]]\n@topic p " +
                                   std::string(u8"表 <1>") +
                                   "\n@keywords a; Z\n== Head\n- one\n- two\nx & [[c|back]]\n"),
             "H"))
        files[file.name] = file.text;
    const struct {
        const char* file;
        std::string part;
    } rows[] = {
        {"c.htm", "<meta charset=\"shift_jis\">\r\n<title>Contents</title>"},
        {"c.htm", "<p><a href=\"p.htm\">\x95\x5C &lt;1&gt;</a></p>"},
        {"p.htm",
         "<h2>Head</h2>\r\n<ul>\r\n<li>one</li>\r\n<li>two</li>\r\n</ul>\r\n<p>x &amp; <a href=\"c.htm\">back</a></p>"},
        // One entry per keyword without regard to case, in the .hlp's order, naming each topic.
        {"H.hhk",
         "<UL>\r\n<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"A\"><param name=\"Name\" "
         "value=\"Contents\"><param name=\"Local\" value=\"c.htm\"><param name=\"Name\" value=\"\x95\x5C "
         "&lt;1&gt;\"><param name=\"Local\" value=\"p.htm\"></OBJECT>\r\n<LI><OBJECT "
         "type=\"text/sitemap\"><param name=\"Name\" value=\"b\"><param name=\"Local\" "
         "value=\"c.htm\"></OBJECT>\r\n<LI>"},
        {"H.hhp", "Binary TOC=No\r\nBinary Index=No\r\nLanguage=0x411 Japanese\r\nTitle=T&C\r\n"},
    };
    for (const auto& row : rows) {
        EXPECT_NE(files[row.file].find(row.part), std::string::npos) << row.file << " lacks " << row.part;
    }
}

TEST(HtmlHelpWriterTest, RefusesATitleTheWindowCaptionCannotHold) {
    EXPECT_THROW(helpc::BuildHtmlHelpProject(helpc::ReadHelpSource("@title \"T\"\n@font A\n@topic a A\nx\n"), "H"),
                 helpc::HelpError);
}

}  // namespace
