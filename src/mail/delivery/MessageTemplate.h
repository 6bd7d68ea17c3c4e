#pragma once
#include <cstddef>
#include <string>
#include <string_view>

class DataFolders;

// The owner's body template, "Email Template.txt" in the data folder (a
// missing one is empty), and the most of it that is read.
constexpr std::size_t kMaxEmailTemplate = 65536;
std::string EmailTemplatePath(const DataFolders& folders);

// The e-mail subject and body made from the owner's templates: every
// "%name%" is replaced by the key "name" of the message record's "message"
// section (nothing when absent). The output holds at most the template's
// length plus 64 characters; what does not fit is dropped.
std::string FillMessageTemplate(std::string_view text, const std::string& recordPath);

// The closing line: a short one under a short body (a pager-sized e-mail).
std::string EmailFooter(std::string_view body);

// The body's line ends as mail wants them ("\r\n"), whatever the template
// file was edited with.
std::string MailLineEnds(std::string_view text);
