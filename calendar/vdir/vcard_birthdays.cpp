#include "vdir/vcard_birthdays.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "text.h"

namespace {

struct Contact {
  std::string uid;
  std::string formattedName;  // FN
  std::string structuredName;  // N, as "Given Family"
  std::string birthday;  // BDAY as written
  bool omitsYear = false;  // a year written only to have one (X-APPLE-OMIT-YEAR)
};

struct Property {
  std::string name;  // upper case, group prefix removed
  std::string parameters;  // upper case
  std::string value;
};

// Logical lines: a line starting with a space or tab continues the one before.
std::vector<std::string> unfold(const std::string& text) {
  std::vector<std::string> lines;
  for (std::string line : splitAt(text, '\n')) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !lines.empty()) {
      lines.back() += line.substr(1);
    } else {
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

std::optional<Property> propertyOf(const std::string& line) {
  bool quoted = false;
  size_t colon = std::string::npos;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) {
      colon = i;
      break;
    }
  }
  if (colon == std::string::npos) return std::nullopt;
  const std::string head = line.substr(0, colon);
  const size_t semicolon = head.find(';');
  std::string name = upperAscii(head.substr(0, semicolon));
  if (size_t dot = name.rfind('.'); dot != std::string::npos) name = name.substr(dot + 1);
  return Property{name, semicolon == std::string::npos ? "" : upperAscii(head.substr(semicolon)),
                  line.substr(colon + 1)};
}

// vCard text escapes: \n, \, \; \\ .
std::string unescaped(const std::string& value) {
  std::string text;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      ++i;
      text += value[i] == 'n' || value[i] == 'N' ? ' ' : value[i];
    } else {
      text += value[i];
    }
  }
  return text;
}

// The unescaped components of a structured value, split at unescaped ';'.
std::vector<std::string> components(const std::string& value) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      parts.back() += value.substr(i, 2);
      ++i;
    } else if (value[i] == ';') {
      parts.emplace_back();
    } else {
      parts.back() += value[i];
    }
  }
  for (std::string& part : parts) part = unescaped(part);
  return parts;
}

std::string joined(const std::string& a, const std::string& b) {
  return a.empty() ? b : b.empty() ? a : a + " " + b;
}

std::vector<Contact> readContacts(const std::string& text) {
  std::vector<Contact> contacts;
  bool inside = false;
  for (const std::string& line : unfold(text)) {
    auto property = propertyOf(line);
    if (!property) continue;
    if (property->name == "BEGIN" && upperAscii(property->value) == "VCARD") {
      contacts.emplace_back();
      inside = true;
    } else if (property->name == "END") {
      inside = false;
    } else if (inside) {
      Contact& contact = contacts.back();
      if (property->name == "UID") contact.uid = property->value;
      if (property->name == "FN") contact.formattedName = unescaped(property->value);
      if (property->name == "N") {
        auto parts = components(property->value);
        contact.structuredName = joined(parts.size() > 1 ? parts[1] : "", parts[0]);
      }
      if (property->name == "BDAY") {
        contact.birthday = property->value;
        contact.omitsYear = property->parameters.find("X-APPLE-OMIT-YEAR") != std::string::npos;
      }
    }
  }
  return contacts;
}

struct Date {
  int year = 0;  // 0: none written
  int month = 0;
  int day = 0;
};

bool isLeap(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// "19800415", "1980-04-15", "--0415", "--04-15", each possibly followed by a time.
std::optional<Date> dateOf(const std::string& value) {
  std::string digits;
  const bool noYear = value.starts_with("--");
  for (size_t i = noYear ? 2 : 0; i < value.size() && value[i] != 'T'; ++i) {
    if (std::isdigit(static_cast<unsigned char>(value[i]))) {
      digits += value[i];
    } else if (value[i] != '-') {
      return std::nullopt;
    }
  }
  if (digits.size() != (noYear ? 4u : 8u)) return std::nullopt;
  Date date;
  if (!noYear) date.year = std::stoi(digits.substr(0, 4));
  date.month = std::stoi(digits.substr(noYear ? 0 : 4, 2));
  date.day = std::stoi(digits.substr(noYear ? 2 : 6, 2));
  static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > kDays[date.month - 1]) {
    return std::nullopt;
  }
  if (date.year != 0 && date.month == 2 && date.day == 29 && !isLeap(date.year)) return std::nullopt;
  return date;
}

// iCalendar text escapes.
std::string icalText(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\\' || c == ';' || c == ',') escaped += '\\';
    if (c == '\r' || c == '\n') c = ' ';
    escaped += c;
  }
  return escaped;
}

std::string eventOf(const Contact& contact, const Date& date, size_t index) {
  // A year is needed to start the series: one that has a 29 February.
  const int year = date.year != 0 ? date.year : 1972;
  char start[16];
  std::snprintf(start, sizeof start, "%04d%02d%02d", year, date.month, date.day);
  const std::string name =
      !contact.formattedName.empty() ? contact.formattedName : contact.structuredName;
  // Each event needs a UID of its own: events that share one are read as one series.
  const std::string uid = !contact.uid.empty() ? contact.uid : "contact-" + std::to_string(index);
  std::string event = "BEGIN:VEVENT\r\nUID:" + icalText(uid) + "\r\nSUMMARY:" + icalText(name) +
                      "\r\nDTSTART;VALUE=DATE:" + start + "\r\nDURATION:P1D\r\n";
  event += date.month == 2 && date.day == 29 ? "RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1\r\n"
                                             : "RRULE:FREQ=YEARLY\r\n";
  return event + "TRANSP:TRANSPARENT\r\nEND:VEVENT\r\n";
}

}  // namespace

bool isContactName(const std::string& name) { return name.size() > 4 && name.ends_with(".vcf"); }

std::string birthdayCalendar(const std::string& vcardText) {
  std::string calendar = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Zuna//Birthdays//EN\r\n";
  const std::vector<Contact> contacts = readContacts(vcardText);
  for (size_t i = 0; i < contacts.size(); ++i) {
    const Contact& contact = contacts[i];
    auto date = dateOf(contact.birthday);
    if (!date || (contact.formattedName.empty() && contact.structuredName.empty())) continue;
    if (contact.omitsYear) date->year = 0;
    calendar += eventOf(contact, *date, i);
  }
  return calendar + "END:VCALENDAR\r\n";
}
