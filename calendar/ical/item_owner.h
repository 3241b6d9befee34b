#pragma once

#include <string>
#include <vector>

// Whose calendar it is: the addresses that make a participant "me".
struct ItemOwner {
  std::string calendarId;
  std::string itemId;  // names the item, for records of events without a UID
  std::vector<std::string> addresses;  // e-mail addresses, compared without case
  bool birthdays = false;  // a birthday calendar's: availability is not known
};

// The owner's values as one text, the same for equal owners (but the item id).
std::string ownerKey(const ItemOwner& owner);
