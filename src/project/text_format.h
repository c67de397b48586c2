#pragma once
// Fills a message text's placeholders: %1 with the first value, %2 with the
// second, and so on up to %9.

#include <initializer_list>
#include <string>
#include <string_view>

namespace project {

std::string FormatText(std::string_view text, std::initializer_list<std::string> values);

}  // namespace project
