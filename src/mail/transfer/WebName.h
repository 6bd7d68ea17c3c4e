#pragma once

#include <string>
#include <string_view>

// The name a file of the mailbox folder has on the web server: its title
// with ASCII letters lower-cased and every space replaced by "_", then its
// extension as it is ("Sales ICM000001.wav" -> "sales_icm000001.wav").
std::string WebName(std::string_view path);

// `text` as one part of a URL path: every byte but letters, digits and
// "-._~" as "%XX", so spaces, "#", "?" and letters beyond ASCII survive.
std::string UrlPathPart(std::string_view text);
