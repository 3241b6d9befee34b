// The peer of the calendar benchmark's Evolution Data Server rows: a small
// client of the server that asks it for the instances of a range, as its own
// clients do (e_cal_client_generate_instances_sync), for the same month
// queries the bridge answers. Prints one JSON object:
// {"first": s, "count": n, "times": [s...], "year": s, "yearCount": n}.
//
// usage: eds_instances SOURCE_UID QUERIES

#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

time_t utc(int year, int month) {
  if (month > 12) {
    year += 1;
    month = 1;
  }
  tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = 1;
  return timegm(&fields);
}

int instances(ECalClient* client, time_t start, time_t end) {
  int count = 0;
  e_cal_client_generate_instances_sync(
      client, start, end, nullptr,
      [](ICalComponent*, ICalTime*, ICalTime*, gpointer data, GCancellable*, GError**) -> gboolean {
        ++*static_cast<int*>(data);
        return TRUE;
      },
      &count);
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: eds_instances SOURCE_UID QUERIES\n");
    return 2;
  }
  const int queries = std::atoi(argv[2]);
  const auto begin = Clock::now();
  ESourceRegistry* registry = e_source_registry_new_sync(nullptr, nullptr);
  ESource* source = registry ? e_source_registry_ref_source(registry, argv[1]) : nullptr;
  EClient* client = source ? e_cal_client_connect_sync(source, E_CAL_CLIENT_SOURCE_TYPE_EVENTS,
                                                       static_cast<guint32>(-1), nullptr, nullptr)
                           : nullptr;
  if (!client) {
    std::fprintf(stderr, "eds_instances: cannot open %s\n", argv[1]);
    return 1;
  }
  ECalClient* calendar = E_CAL_CLIENT(client);
  const int count = instances(calendar, utc(2024, 3), utc(2024, 4));
  const double first = since(begin);
  std::string times;
  for (int n = 0; n < queries; ++n) {
    const int year = 2022 + (n % 60) / 12, month = 1 + n % 12;
    const auto start = Clock::now();
    instances(calendar, utc(year, month), utc(year, month + 1));
    times += (n ? "," : "") + std::to_string(since(start));
  }
  const auto yearStart = Clock::now();
  const int yearCount = instances(calendar, utc(2024, 1), utc(2025, 1));
  const double year = since(yearStart);
  std::printf("{\"first\": %f, \"count\": %d, \"times\": [%s], \"year\": %f, \"yearCount\": %d}\n",
              first, count, times.c_str(), year, yearCount);
  g_object_unref(client);
  g_object_unref(source);
  g_object_unref(registry);
  return 0;
}
