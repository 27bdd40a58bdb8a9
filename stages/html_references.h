#pragma once
// Pages saved as text keep the HTML's character references: &#23824; for a character the
// site's encoding lacked, &amp;, &nbsp; for an indent. They are decoded as a browser would
// have shown them; an ampersand that starts no reference stays as it is.
#include <string>
#include <string_view>

namespace pw {

// `utf8` with its references decoded into `out`; false (and `out` untouched) when it has none.
// &nbsp; becomes a plain space: a text file's reader indents with spaces, not with U+00A0.
bool decodeHtmlReferences(std::string_view utf8, std::string& out);

} // namespace pw
