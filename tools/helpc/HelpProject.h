// What a help file holds, as the source reader gives it to the writer. Every
// string is already in code page 932, the help file's character set.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace helpc {

struct Span {
    std::string text;
    std::string target;  // a topic id for a link, empty for plain text
    int line = 0;
};

enum class ParagraphStyle { kBody, kHeading, kBullet };

struct Paragraph {
    ParagraphStyle style = ParagraphStyle::kBody;
    std::vector<Span> spans;
    int line = 0;
};

struct Topic {
    std::string id;  // context string: letters, digits, '.' and '_'
    std::string title;
    std::vector<std::string> keywords;
    std::vector<Paragraph> paragraphs;
    int line = 0;
};

// The first topic is the contents topic; the topics in order form the browse
// sequence.
struct HelpProject {
    std::string title;
    std::string copyright;
    std::string fontFace;
    int fontPoints = 9;
    std::vector<Topic> topics;
};

// A source the compiler cannot represent: the line it comes from (0 for the
// file as a whole) and why.
class HelpError : public std::runtime_error {
public:
    HelpError(int line, const std::string& message) : std::runtime_error(message), m_nLine(line) {}
    int Line() const { return m_nLine; }

private:
    int m_nLine;
};

}  // namespace helpc
