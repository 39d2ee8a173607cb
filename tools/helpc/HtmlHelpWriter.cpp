#include "HtmlHelpWriter.h"

#include <map>
#include <utility>

#include "HelpWriter.h"

namespace helpc {

namespace {

// The bytes that HTML gives a meaning. In code page 932 none of them can be the
// second byte of a double-byte character, so escaping byte by byte is safe.
std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Inline(const Paragraph& paragraph, const std::map<std::string, const Topic*>& byId) {
    std::string out;
    for (const Span& span : paragraph.spans) {
        if (span.target.empty())
            out += Escape(span.text);
        else
            out += "<a href=\"" + PageName(*byId.at(span.target)) + "\">" + Escape(span.text) + "</a>";
    }
    return out;
}

// Headings as the .hlp shows them (3 points larger, bold), bullets as a list.
std::string Page(const HelpProject& project, const Topic& topic, const std::string& styleSheet,
                 const std::map<std::string, const Topic*>& byId) {
    std::string out = "<!DOCTYPE html>\r\n<html lang=\"ja\">\r\n<head>\r\n<meta charset=\"shift_jis\">\r\n<title>" +
                      Escape(topic.title) + "</title>\r\n";
    if (!project.copyright.empty())
        out += "<meta name=\"copyright\" content=\"" + Escape(project.copyright) + "\">\r\n";
    out += "<link rel=\"stylesheet\" href=\"" + styleSheet + "\">\r\n</head>\r\n<body>\r\n";
    bool inList = false;
    for (const Paragraph& paragraph : topic.paragraphs) {
        const bool bullet = paragraph.style == ParagraphStyle::kBullet;
        if (bullet != inList) out += bullet ? "<ul>\r\n" : "</ul>\r\n";
        inList = bullet;
        const char* tag = bullet ? "li" : paragraph.style == ParagraphStyle::kHeading ? "h2" : "p";
        out += std::string("<") + tag + ">" + Inline(paragraph, byId) + "</" + tag + ">\r\n";
    }
    if (inList) out += "</ul>\r\n";
    return out + "</body>\r\n</html>\r\n";
}

std::string StyleSheet(const HelpProject& project) {
    return "@charset \"shift_jis\";\r\nbody { font-family: \"" + project.fontFace +
           "\", sans-serif; font-size: " + std::to_string(project.fontPoints) +
           "pt; }\r\nh2 { font-size: " + std::to_string(project.fontPoints + 3) +
           "pt; font-weight: bold; }\r\nul { padding-left: 1.5em; }\r\n";
}

std::string Sitemap(const std::string& entries) {
    return "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\r\n<HTML>\r\n<HEAD>\r\n"
           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">\r\n"
           "</HEAD>\r\n<BODY>\r\n<UL>\r\n" +
           entries + "</UL>\r\n</BODY>\r\n</HTML>\r\n";
}

std::string Param(const char* name, const std::string& value) {
    return std::string("<param name=\"") + name + "\" value=\"" + Escape(value) + "\">";
}

}  // namespace

std::string PageName(const Topic& topic) {
    return topic.id + ".htm";
}

std::vector<ProjectFile> BuildHtmlHelpProject(const HelpProject& project, const std::string& name) {
    // The window's caption is a quoted field of the project file, which has no escape.
    if (project.title.find('"') != std::string::npos)
        throw HelpError(0, "the title has a '\"', which an HTML Help window caption cannot hold");
    const std::string styleSheet = name + ".css";
    std::map<std::string, const Topic*> byId;
    for (const Topic& topic : project.topics) byId[topic.id] = &topic;

    std::vector<ProjectFile> files;
    std::string contents;
    for (const Topic& topic : project.topics) {
        files.push_back({PageName(topic), Page(project, topic, styleSheet, byId)});
        contents += "<LI><OBJECT type=\"text/sitemap\">" + Param("Name", topic.title) +
                    Param("Local", PageName(topic)) + "</OBJECT>\r\n";
    }
    files.push_back({styleSheet, StyleSheet(project)});
    files.push_back({name + ".hhc", Sitemap(contents)});

    std::map<std::string, std::pair<std::string, std::vector<const Topic*>>> keywords;
    for (const Topic& topic : project.topics) {
        for (const std::string& keyword : topic.keywords) {
            auto& entry = keywords[KeywordSortKey(keyword)];
            if (entry.first.empty()) entry.first = keyword;
            if (entry.second.empty() || entry.second.back() != &topic) entry.second.push_back(&topic);
        }
    }
    std::string index;
    for (const auto& [key, entry] : keywords) {
        index += "<LI><OBJECT type=\"text/sitemap\">" + Param("Name", entry.first);
        for (const Topic* topic : entry.second) {
            // A keyword of several topics lists them by title to choose from.
            if (entry.second.size() > 1) index += Param("Name", topic->title);
            index += Param("Local", PageName(*topic));
        }
        index += "</OBJECT>\r\n";
    }
    files.push_back({name + ".hhk", Sitemap(index)});

    const std::string first = PageName(project.topics.front());
    std::string hhp = "[OPTIONS]\r\nCompatibility=1.1 or later\r\nCompiled file=" + name +
                      ".chm\r\nContents file=" + name + ".hhc\r\nIndex file=" + name +
                      ".hhk\r\nDefault topic=" + first +
                      "\r\nDefault Window=main\r\nDisplay compile progress=No\r\nFull-text search=No\r\n"
                      // The compiler's binary contents and index store code page 1252.
                      "Binary TOC=No\r\nBinary Index=No\r\nLanguage=0x411 Japanese\r\nTitle=" +
                      project.title +
                      "\r\n\r\n[WINDOWS]\r\n"
                      // Contents and index beside the page, the browse buttons; no search tab, since
                      // the compiler's full-text index knows no Japanese.
                      "main=\"" +
                      project.title + "\",\"" + name + ".hhc\",\"" + name + ".hhk\",\"" + first + "\",\"" + first +
                      "\",,,,,0x120,200,0x31CE,[40,40,800,600],,,,,,,0\r\n\r\n[FILES]\r\n";
    for (const ProjectFile& file : files) {
        if (file.name != name + ".hhc" && file.name != name + ".hhk") hhp += file.name + "\r\n";
    }
    files.push_back({name + ".hhp", hhp});
    return files;
}

}  // namespace helpc
