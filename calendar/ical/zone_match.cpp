#include "ical/zone_match.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include "ical/zone_years.h"
#include "text.h"

namespace {

struct Sample {
  time_t at;
  int offset;  // seconds east of UTC
};

struct Candidate {
  std::string name;
  icaltimezone* zone;
  std::shared_ptr<icu::TimeZone> quick;  // in memory: rules out most zones before
                                         // the zone database's file is loaded
};

int offsetAt(icaltimezone* zone, time_t t) {
  icaltimetype utc = icaltime_from_timet_with_zone(t, 0, icaltimezone_get_utc_timezone());
  int daylight = 0;
  return icaltimezone_get_utc_offset_of_utc_time(zone, &utc, &daylight);
}

// Every day, and every hour of the days on which the offset changes: zones
// that change on the same day at other hours differ there.
std::vector<Sample> samplesOf(icaltimezone* zone, time_t from, time_t to) {
  std::vector<Sample> samples;
  for (time_t t = from; t < to; t += 86400) {
    const int offset = offsetAt(zone, t);
    if (!samples.empty() && samples.back().offset != offset) {
      for (time_t h = samples.back().at + 3600; h < t; h += 3600) {
        samples.push_back({h, offsetAt(zone, h)});
      }
    }
    samples.push_back({t, offset});
  }
  return samples;
}

bool agrees(icaltimezone* zone, const std::vector<Sample>& samples) {
  return std::all_of(samples.begin(), samples.end(),
                     [zone](const Sample& s) { return offsetAt(zone, s.at) == s.offset; });
}

// Whether the zone may agree: its offsets at the first sample and half a year later.
bool mayAgree(const Candidate& candidate, const std::vector<Sample>& samples) {
  if (!candidate.quick || samples.empty()) return true;
  for (size_t i : {size_t{0}, std::min(samples.size() - 1, size_t{182})}) {
    int32_t raw = 0, daylight = 0;
    UErrorCode status = U_ZERO_ERROR;
    candidate.quick->getOffset(static_cast<UDate>(samples[i].at) * 1000.0, false, raw, daylight,
                               status);
    if (U_SUCCESS(status) && (raw + daylight) / 1000 != samples[i].offset) return false;
  }
  return true;
}

std::string canonicalId(const icu::UnicodeString& id) {
  icu::UnicodeString canonical;
  UBool isSystem = false;
  UErrorCode status = U_ZERO_ERROR;
  icu::TimeZone::getCanonicalID(id, canonical, isSystem, status);
  std::string text;
  (U_SUCCESS(status) ? canonical : id).toUTF8String(text);
  return text;
}

// The zone that stands for a Windows zone: what Outlook's made-up names
// mostly are copies of.
bool standsForWindowsZone(const std::string& name) {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString windows, golden;
  icu::TimeZone::getWindowsID(icu::UnicodeString::fromUTF8(name), windows, status);
  if (U_FAILURE(status) || windows.isEmpty()) return false;
  icu::TimeZone::getIDForWindowsID(windows, nullptr, golden, status);
  return U_SUCCESS(status) && canonicalId(golden) == canonicalId(icu::UnicodeString::fromUTF8(name));
}

std::string localCanonicalId() {
  std::unique_ptr<icu::TimeZone> local(icu::TimeZone::detectHostTimeZone());
  icu::UnicodeString id;
  if (local) local->getID(id);
  return canonicalId(id);
}

// The zones in the order of preference; made once.
std::vector<Candidate> makeCandidates() {
  std::vector<Candidate> preferred, others;
  const std::string local = localCanonicalId();
  icalarray* builtin = icaltimezone_get_builtin_timezones();
  for (size_t i = 0; builtin && i < builtin->num_elements; ++i) {
    auto* zone = static_cast<icaltimezone*>(icalarray_element_at(builtin, i));
    const char* location = icaltimezone_get_location(zone);
    if (!location) continue;
    std::shared_ptr<icu::TimeZone> quick(
        icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(location)));
    if (quick && *quick == icu::TimeZone::getUnknown()) quick.reset();  // ICU does not know it
    Candidate candidate{location, zone, quick};
    if (canonicalId(icu::UnicodeString::fromUTF8(location)) == local) {
      preferred.insert(preferred.begin(), candidate);
    } else {
      (standsForWindowsZone(location) ? preferred : others).push_back(candidate);
    }
  }
  auto byName = [](const Candidate& a, const Candidate& b) { return a.name < b.name; };
  const bool localFirst = !preferred.empty() &&
                          canonicalId(icu::UnicodeString::fromUTF8(preferred.front().name)) == local;
  std::sort(preferred.begin() + (localFirst ? 1 : 0), preferred.end(), byName);
  std::sort(others.begin(), others.end(), byName);
  preferred.insert(preferred.begin() + (localFirst ? 1 : 0),
                   Candidate{"UTC", icaltimezone_get_utc_timezone(), nullptr});
  preferred.insert(preferred.end(), others.begin(), others.end());
  return preferred;
}

// Whether `text` names the city of zone `name` ("America/New_York": New York)
// as a word of its own.
bool namesCity(const std::string& text, const std::string& name) {
  std::string city = name.substr(name.rfind('/') + 1);
  std::replace(city.begin(), city.end(), '_', ' ');
  const std::string haystack = lowerAscii(text), needle = lowerAscii(city);
  auto isLetter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
  for (size_t at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + 1)) {
    const size_t end = at + needle.size();
    if ((at == 0 || !isLetter(haystack[at - 1])) &&
        (end == haystack.size() || !isLetter(haystack[end]))) {
      return true;
    }
  }
  return false;
}

std::string keyOf(const std::string& tzid, time_t from, const std::vector<Sample>& samples) {
  std::string key = tzid + '\n' + std::to_string(from);
  for (const Sample& s : samples) key += ' ' + std::to_string(s.offset);
  return key;
}

}  // namespace

std::optional<std::string> matchingSystemZone(icaltimezone* zone, const std::string& tzid,
                                              Instant around) {
  using namespace std::chrono;
  if (!zone) return std::nullopt;
  const year_month_day day{floor<days>(around)};
  // Both years sampled within the zone's known changes.
  const int cycles = cyclesPastZoneChanges(static_cast<int>(day.year()) + 1);
  const sys_days first = (day.year() - years(400 * cycles)) / January / 1;
  // In seconds: the system clock counts nanoseconds, which end in 2262.
  const time_t from = static_cast<time_t>(first.time_since_epoch().count()) * 86400;
  const time_t to = from + 2 * 365 * 86400;
  const std::vector<Sample> samples = samplesOf(zone, from, to);

  // Every item of one writer carries the same made-up zone: matched once.
  static std::mutex mutex;
  static std::map<std::string, std::optional<std::string>> known;
  std::lock_guard<std::mutex> lock(mutex);
  const std::string key = keyOf(tzid, from, samples);
  if (auto found = known.find(key); found != known.end()) return found->second;
  static const std::vector<Candidate> candidates = makeCandidates();
  std::optional<std::string> name;
  for (const Candidate& candidate : candidates) {
    if (!mayAgree(candidate, samples) || !agrees(candidate.zone, samples)) continue;
    if (!name) name = candidate.name;
    if (namesCity(tzid, candidate.name)) {
      name = candidate.name;
      break;
    }
  }
  if (known.size() >= 1024) known.clear();
  known.emplace(key, name);
  return name;
}
