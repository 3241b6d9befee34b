#include "ical/item_owner.h"

std::string ownerKey(const ItemOwner& owner) {
  std::string key = owner.calendarId + '\n' + char('0' + owner.birthdays);
  for (const std::string& address : owner.addresses) key += '\n' + address;
  return key + '\0';
}
