#pragma once

#include <string>
#include <string_view>

// "&", "<", ">", '"' and "'" as character references, so text from files
// and callers shows as written in a web page instead of adding markup.
std::string HtmlEscape(std::string_view text);
