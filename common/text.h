#pragma once

#include <string>
#include <vector>

// Case mapping of ASCII letters only: for keywords and e-mail addresses,
// where a locale's rules (a Turkish dotless i) must not apply.
std::string lowerAscii(std::string text);
std::string upperAscii(std::string text);

// `text` without leading and trailing characters from `chars`.
std::string trimmed(const std::string& text, const char* chars = " \t\r\n");

// The parts of `text` between occurrences of `separator`, empty ones
// included: "a::b" gives "a", "", "b"; "" gives one empty part.
std::vector<std::string> splitAt(const std::string& text, char separator);
