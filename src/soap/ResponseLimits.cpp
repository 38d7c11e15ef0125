#include "soap/ResponseLimits.h"

#include <cstddef>

namespace penshelf::soap {

namespace {

constexpr std::size_t noMatch = std::string_view::npos;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

struct StartTag {
    std::size_t end;  // just past its '>', or at the '<' that cut it short
    long attributes;
    bool empty;  // ends in "/>"
};

// Reads a start tag from just past its '<'. Every attribute libxml2 accepts is a name, '=' and a
// quoted value, so counting each '=' that is followed by a quote (outside the values) never counts
// fewer attributes than libxml2 reads, whatever it makes of a broken tag. Neither names nor values
// hold a '<', so one ends the tag.
StartTag readStartTag(std::string_view text, std::size_t at) {
    long attributes = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '<') return {at, attributes, false};
        if (c == '>') return {at + 1, attributes, text[at - 1] == '/'};
        ++at;
        if (c != '=') continue;
        std::size_t quote = at;
        while (quote < text.size() && isSpace(text[quote])) ++quote;
        if (quote == text.size() || (text[quote] != '"' && text[quote] != '\'')) continue;
        ++attributes;
        const std::size_t close = text.find_first_of(text[quote] == '"' ? "\"<" : "'<", quote + 1);
        if (close == noMatch) return {text.size(), attributes, false};
        at = text[close] == '<' ? close : close + 1;
    }
    return {at, attributes, false};
}

// Just past the first `terminator` from `at`, or the end of the text.
std::size_t pastNext(std::string_view text, std::size_t at, std::string_view terminator) {
    const std::size_t found = text.find(terminator, at);
    return found == noMatch ? text.size() : found + terminator.size();
}

}  // namespace

bool withinResponseLimits(std::string_view body) {
    if (body.size() > static_cast<unsigned long long>(maxResponseBodyBytes)) return false;
    long nodes = 0;
    long depth = 0;
    // Bytes before this belong to a comment, a processing instruction or a CDATA section.
    std::size_t skippedUntil = 0;
    for (std::size_t at = body.find('<'); at != noMatch; at = body.find('<', at)) {
        const bool inMarkup = at >= skippedUntil;
        const char next = at + 1 < body.size() ? body[at + 1] : '\0';
        if (next != '!' && next != '?' && next != '/') {
            // Start tags count inside comments and the like too: where libxml2 meets a broken one
            // it goes on reading its inside as markup.
            const StartTag tag = readStartTag(body, at + 1);
            if (tag.attributes > maxAttributesPerElement) return false;
            nodes += 1 + tag.attributes;
            if (nodes > maxMarkupNodes) return false;
            if (inMarkup && !tag.empty && ++depth > maxElementDepth) return false;
            at = tag.end;
            continue;
        }
        ++at;
        if (!inMarkup) continue;
        const std::string_view rest = body.substr(at - 1);
        if (next == '/') {
            if (depth > 0) --depth;
            continue;
        }
        if (rest.starts_with("<!--")) {
            skippedUntil = pastNext(body, at + 3, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            skippedUntil = pastNext(body, at + 8, "]]>");
        } else if (next == '?') {
            skippedUntil = pastNext(body, at + 1, "?>");
        } else {
            return false;  // a document type declaration, or nothing well-formed
        }
        if (++nodes > maxMarkupNodes) return false;
    }
    return true;
}

}  // namespace penshelf::soap
