#include "ical/zone_names.h"

#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace {

bool knownToIcu(const std::string& name) {
  icu::UnicodeString canonical;
  UBool isSystem = false;
  UErrorCode status = U_ZERO_ERROR;
  icu::TimeZone::getCanonicalID(icu::UnicodeString::fromUTF8(name), canonical, isSystem, status);
  return U_SUCCESS(status) && isSystem;
}

std::string withoutPrefix(std::string tzid) {
  for (const char* prefix : {"/freeassociation.sourceforge.net/Tzfile/",
                             "/freeassociation.sourceforge.net/", "/softwarestudio.org/Tzfile/",
                             "/softwarestudio.org/Olson_20011030_5/"}) {
    const std::string p = prefix;
    if (tzid.rfind(p, 0) == 0) return tzid.substr(p.size());
  }
  return tzid;
}

}  // namespace

std::optional<std::string> ianaZoneName(const std::string& tzid) {
  const std::string name = withoutPrefix(tzid);
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos || name == "UTC") {
    if (knownToIcu(name)) return name;
  }
  icu::UnicodeString iana;
  UErrorCode status = U_ZERO_ERROR;
  icu::TimeZone::getIDForWindowsID(icu::UnicodeString::fromUTF8(name), nullptr, iana, status);
  if (U_SUCCESS(status) && !iana.isEmpty()) {
    std::string result;
    iana.toUTF8String(result);
    return result;
  }
  if (knownToIcu(name)) return name;
  return std::nullopt;
}
