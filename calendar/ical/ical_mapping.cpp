#include "ical/ical_mapping.h"

#include <map>

#include "text.h"

namespace {

struct Mapping {
  const char* property;
  std::map<std::string, int> values;
  int absent;     // the value when the property or parameter is missing
  int otherwise;  // an unknown or experimental value
};

// The one table. Absent values follow RFC 5545's defaults (OPAQUE,
// NEEDS-ACTION, REQ-PARTICIPANT, INDIVIDUAL), but for the organizer, whom
// the attendee defaults would show as not having answered an invitation of
// their own.
const Mapping kTransp = {"TRANSP", {{"OPAQUE", 0}, {"TRANSPARENT", 1}}, 0, 0};
const Mapping kBusyStatus = {
    "X-MICROSOFT-CDO-BUSYSTATUS",
    {{"BUSY", 0}, {"FREE", 1}, {"TENTATIVE", 2}, {"OOF", 3}, {"WORKINGELSEWHERE", 0}},
    -1, 0};
const Mapping kFrequency = {
    "FREQ",
    {{"DAILY", 0}, {"WEEKLY", 1}, {"MONTHLY", 2}, {"YEARLY", 3}},
    -1, -1};
const Mapping kPartstat = {"PARTSTAT",
                           {{"NEEDS-ACTION", 1}, {"ACCEPTED", 2}, {"DECLINED", 3},
                            {"TENTATIVE", 4}, {"DELEGATED", 5}, {"COMPLETED", 6},
                            {"IN-PROCESS", 7}},
                           1, 0};
const Mapping kRole = {"ROLE",
                       {{"REQ-PARTICIPANT", 1}, {"OPT-PARTICIPANT", 2}, {"CHAIR", 3},
                        {"NON-PARTICIPANT", 4}},
                       1, 0};
const Mapping kOrganizerPartstat = {"PARTSTAT", kPartstat.values, 2, 0};
const Mapping kOrganizerRole = {"ROLE", kRole.values, 3, 0};
const Mapping kCutype = {"CUTYPE",
                         {{"INDIVIDUAL", 1}, {"ROOM", 2}, {"RESOURCE", 3}, {"GROUP", 4},
                          {"UNKNOWN", 0}},
                         1, 0};

int lookup(const Mapping& mapping, const std::string& value) {
  if (value.empty()) return mapping.absent;
  auto found = mapping.values.find(upperAscii(value));
  return found == mapping.values.end() ? mapping.otherwise : found->second;
}

}  // namespace

int availabilityFor(const std::string& transp, const std::string& busyStatus) {
  const int opacity = lookup(kTransp, transp);
  if (busyStatus.empty()) return opacity;
  const int status = lookup(kBusyStatus, busyStatus);
  if (transp.empty()) return status;
  const int free = lookup(kTransp, "TRANSPARENT");
  return (status == free) == (opacity == free) ? status : opacity;
}

int frequencyFor(const std::string& freq) { return lookup(kFrequency, freq); }
int participantStatusFor(const std::string& partstat) { return lookup(kPartstat, partstat); }
int participantRoleFor(const std::string& role) { return lookup(kRole, role); }
int participantTypeFor(const std::string& cutype) { return lookup(kCutype, cutype); }
int organizerStatusFor(const std::string& partstat) { return lookup(kOrganizerPartstat, partstat); }
int organizerRoleFor(const std::string& role) { return lookup(kOrganizerRole, role); }
