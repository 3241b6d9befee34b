#pragma once

#include <string>

// Whether a file name is a contact of a vCard folder: it ends in ".vcf".
bool isContactName(const std::string& name);

// The birthdays of the contacts in a vCard text, as an iCalendar text: for
// each contact with a BDAY (with or without a year), one yearly all-day
// event on that day titled with the contact's name. A birthday on 29
// February falls on the 28th in other years. Contacts without a name or a
// readable date are left out.
std::string birthdayCalendar(const std::string& vcardText);
