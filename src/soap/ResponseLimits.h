#pragma once
// What one answer of the service may cost the program: how long the call may take, how much of
// the body is held, and how much markup the body may hold before it reaches libxml2. The transport
// and the response decoder both keep to these bounds; they hold whatever the service sends.

#include <string_view>

namespace penshelf::soap {

// Bytes of one response body; a larger body fails the call ("Response body larger than 8 MiB").
inline constexpr long long maxResponseBodyBytes = 8 * 1024 * 1024;

// Bytes of a body that Qt may hold before the call has read them, so that a body arriving faster
// than the event loop reads it is not buffered without end.
inline constexpr long long responseReadBufferBytes = 256 * 1024;

// One call ends with the time-out error after this many times its binding's defaultTimeout, even
// while the answer is still trickling in (defaultTimeout only ends a silent exchange).
inline constexpr int callDeadlineInTimeouts = 6;

// The markup an answer may hold. libxml2 2.9 checks an element's attributes against each other
// and links each one behind the last (both quadratic), so an element with thousands of attributes
// stalls it for minutes; every node costs time and memory on the thread that decodes. A service
// answer holds a few dozen nodes, a handful of attributes per element and a depth of about five.
inline constexpr long maxAttributesPerElement = 256;  // namespace declarations included
inline constexpr long maxElementDepth = 64;
// Elements, attributes, comments, processing instructions and CDATA sections; the text between
// them is bounded by their number.
inline constexpr long maxMarkupNodes = 10000;

// Whether an answer stays within the bounds above, judged from its bytes alone in one linear pass
// before libxml2 sees them. A document type declaration is out of bounds: a SOAP message never
// carries one, and its declarations could add attributes and markup that the bytes do not show.
// Where the bytes are not well-formed, more may be counted than libxml2 would build, never less.
bool withinResponseLimits(std::string_view body);

}  // namespace penshelf::soap
