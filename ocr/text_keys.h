#pragma once

#include <string>

// The comparison key of a recognized text: white space and line breaks
// trimmed at both ends, one leading marker character (• · ▪ ◦ ‣ - – — *) and
// the white space after it removed, inner white space runs made one space,
// lowercased without regard to locale. Keys are only compared, never output.
std::string plain(const std::string& text);

// The key in NFC: canonically equivalent keys become equal strings (and hash alike).
std::string canonicalKey(const std::string& key);

// Whether `text`, with spaces and tabs (not line breaks) trimmed at both ends,
// begins with a marker character.
bool beginsWithMarker(const std::string& text);
