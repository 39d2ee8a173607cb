#include "SourceReader.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "HelpWriter.h"

namespace helpc {

namespace {

// The Unicode scalar at the start of a UTF-8 sequence, or -1 if it is not one.
long DecodeUtf8(const std::string& text, std::size_t at) {
    const auto c = static_cast<unsigned char>(text[at]);
    int length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || at + length > text.size()) return -1;
    long value = length == 1 ? c : c & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return -1;
        value = (value << 6) | (next & 0x3F);
    }
    return value;
}

std::string Trim(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return "";
    const auto end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// "@word rest": the directive's rest, trimmed.
bool Directive(const std::string& line, const std::string& name, std::string* rest) {
    if (!StartsWith(line, name)) return false;
    if (line.size() > name.size() && line[name.size()] != ' ' && line[name.size()] != '\t') return false;
    *rest = Trim(line.substr(name.size()));
    return true;
}

struct PendingLink {
    std::size_t topic, paragraph, span;
};

class Reader {
public:
    HelpProject Read(const std::string& utf8) {
        std::istringstream in(utf8);
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            ReadLine(line, number);
        }
        Finish();
        return std::move(m_project);
    }

private:
    void ReadLine(const std::string& line, int number) {
        for (char c : line) {
            const auto u = static_cast<unsigned char>(c);
            if ((u < 0x20 && c != '\t') || u == 0x7F) {
                char code[8];
                std::snprintf(code, sizeof code, "%02X", u);
                throw HelpError(number, std::string("control character 0x") + code);
            }
        }
        const std::string text = Trim(line);
        if (text.empty() || text[0] == '#') return;
        std::string rest;
        if (text[0] == '@') {
            if (Directive(text, "@title", &rest)) {
                Once(m_titleLine, number, "@title");
                m_project.title = Required(rest, number, "@title");
                // It is also the caption of the viewer's main window, which holds 50 bytes.
                if (m_project.title.size() > 50) throw HelpError(number, "title longer than 50 bytes");
            } else if (Directive(text, "@copyright", &rest)) {
                Once(m_copyrightLine, number, "@copyright");
                m_project.copyright = Required(rest, number, "@copyright");
            } else if (Directive(text, "@font", &rest)) {
                Once(m_fontLine, number, "@font");
                ReadFont(rest, number);
            } else if (Directive(text, "@topic", &rest)) {
                ReadTopic(rest, number);
            } else if (Directive(text, "@keywords", &rest)) {
                ReadKeywords(rest, number);
            } else {
                throw HelpError(number, "unknown directive " + text.substr(0, text.find_first_of(" \t")));
            }
            return;
        }
        if (m_project.topics.empty()) throw HelpError(number, "text before the first @topic");
        Paragraph paragraph;
        paragraph.line = number;
        std::string body = text;
        if (StartsWith(text, "==")) {
            paragraph.style = ParagraphStyle::kHeading;
            body = Trim(text.substr(2));
        } else if (StartsWith(text, "- ")) {
            paragraph.style = ParagraphStyle::kBullet;
            body = Trim(text.substr(2));
        }
        if (body.empty()) throw HelpError(number, "empty heading or bullet");
        ReadSpans(body, number, &paragraph);
        Topic& topic = m_project.topics.back();
        topic.paragraphs.push_back(std::move(paragraph));
    }

    void Once(int& seen, int number, const char* name) {
        if (seen != 0)
            throw HelpError(number, std::string(name) + " given twice (first on line " + std::to_string(seen) + ")");
        seen = number;
    }

    static std::string Required(const std::string& rest, int number, const char* name) {
        if (rest.empty()) throw HelpError(number, std::string(name) + " needs a value");
        return ToCp932(rest, number);
    }

    void ReadFont(const std::string& rest, int number) {
        std::string face = rest;
        const auto space = rest.find_last_of(" \t");
        if (space != std::string::npos && rest.find_first_not_of("0123456789", space + 1) == std::string::npos) {
            m_project.fontPoints = std::stoi(rest.substr(space + 1));
            face = Trim(rest.substr(0, space));
            if (m_project.fontPoints < 6 || m_project.fontPoints > 36)
                throw HelpError(number, "font size must be 6 to 36 points");
        }
        m_project.fontFace = Required(face, number, "@font");
        if (m_project.fontFace.size() > 31) throw HelpError(number, "font name longer than 31 bytes");
    }

    void ReadTopic(const std::string& rest, int number) {
        const auto space = rest.find_first_of(" \t");
        if (space == std::string::npos) throw HelpError(number, "@topic needs an id and a title");
        Topic topic;
        topic.line = number;
        topic.id = rest.substr(0, space);
        topic.title = ToCp932(Trim(rest.substr(space)), number);
        if (!IsContextId(topic.id))
            throw HelpError(number, "topic id '" + topic.id + "' may hold only letters, digits, '.' and '_'");
        const auto [it, added] = m_ids.emplace(topic.id, number);
        if (!added)
            throw HelpError(number,
                            "duplicate topic id '" + topic.id + "' (first on line " + std::to_string(it->second) + ")");
        if (!m_project.topics.empty() && m_project.topics.back().paragraphs.empty())
            throw HelpError(m_project.topics.back().line, "topic '" + m_project.topics.back().id + "' has no text");
        m_project.topics.push_back(std::move(topic));
    }

    void ReadKeywords(const std::string& rest, int number) {
        if (m_project.topics.empty()) throw HelpError(number, "@keywords before the first @topic");
        Topic& topic = m_project.topics.back();
        std::set<std::string> seen(topic.keywords.begin(), topic.keywords.end());
        std::size_t begin = 0;
        while (true) {
            const auto end = rest.find(';', begin);
            const std::string keyword = Trim(rest.substr(begin, end == std::string::npos ? end : end - begin));
            if (keyword.empty()) throw HelpError(number, "empty keyword");
            const std::string converted = ToCp932(keyword, number);
            if (!seen.insert(converted).second) throw HelpError(number, "keyword '" + keyword + "' given twice");
            topic.keywords.push_back(converted);
            if (end == std::string::npos) break;
            begin = end + 1;
        }
    }

    void ReadSpans(const std::string& body, int number, Paragraph* paragraph) {
        std::size_t at = 0;
        while (at < body.size()) {
            const auto open = body.find("[[", at);
            const auto stray = body.find("]]", at);
            if (stray != std::string::npos && (open == std::string::npos || stray < open))
                throw HelpError(number, "']]' without '[['");
            if (open == std::string::npos) {
                paragraph->spans.push_back({ToCp932(body.substr(at), number), "", number});
                break;
            }
            if (open > at) paragraph->spans.push_back({ToCp932(body.substr(at, open - at), number), "", number});
            const auto close = body.find("]]", open + 2);
            if (close == std::string::npos) throw HelpError(number, "'[[' without ']]'");
            const std::string inside = body.substr(open + 2, close - open - 2);
            if (inside.find("[[") != std::string::npos) throw HelpError(number, "'[[' inside a link");
            const auto bar = inside.find('|');
            Span link;
            link.line = number;
            link.target = Trim(inside.substr(0, bar));
            if (link.target.empty()) throw HelpError(number, "link without a topic id");
            if (bar != std::string::npos) {
                const std::string text = Trim(inside.substr(bar + 1));
                if (text.empty()) throw HelpError(number, "link to '" + link.target + "' with empty text");
                link.text = ToCp932(text, number);
            }
            m_links.push_back(
                {m_project.topics.size() - 1, m_project.topics.back().paragraphs.size(), paragraph->spans.size()});
            paragraph->spans.push_back(std::move(link));
            at = close + 2;
        }
    }

    void Finish() {
        if (m_titleLine == 0) throw HelpError(0, "no @title");
        if (m_fontLine == 0) throw HelpError(0, "no @font");
        if (m_project.topics.empty()) throw HelpError(0, "no @topic");
        if (m_project.topics.back().paragraphs.empty())
            throw HelpError(m_project.topics.back().line, "topic '" + m_project.topics.back().id + "' has no text");
        std::map<std::string, const Topic*> byId;
        for (const Topic& topic : m_project.topics) byId[topic.id] = &topic;
        for (const PendingLink& pending : m_links) {
            Span& span = m_project.topics[pending.topic].paragraphs[pending.paragraph].spans[pending.span];
            const auto it = byId.find(span.target);
            if (it == byId.end()) throw HelpError(span.line, "link to missing topic '" + span.target + "'");
            if (span.text.empty()) span.text = it->second->title;
        }
    }

    HelpProject m_project;
    std::map<std::string, int> m_ids;
    std::vector<PendingLink> m_links;
    int m_titleLine = 0;
    int m_copyrightLine = 0;
    int m_fontLine = 0;
};

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

}  // namespace

std::string ToCp932(const std::string& utf8, int line) {
    const iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw HelpError(0, "this system's iconv has no code page 932");
    const std::unique_ptr<void, IconvCloser> guard(cd);
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* dst = &out[0];
    std::size_t outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1)) {
        const std::size_t at = static_cast<std::size_t>(in - utf8.data());
        const long scalar = DecodeUtf8(utf8, at);
        if (errno != EILSEQ || scalar < 0) throw HelpError(line, "text is not UTF-8");
        const auto length = scalar < 0x80 ? 1 : scalar < 0x800 ? 2 : scalar < 0x10000 ? 3 : 4;
        char code[24];
        std::snprintf(code, sizeof code, "U+%04lX", scalar);
        throw HelpError(line, "'" + utf8.substr(at, length) + "' (" + code + ") has no code page 932 form");
    }
    out.resize(out.size() - outLeft);
    return out;
}

HelpProject ReadHelpSource(const std::string& utf8) {
    return Reader().Read(utf8);
}

}  // namespace helpc
