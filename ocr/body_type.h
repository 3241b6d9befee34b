#pragma once

#include "page_records.h"

// The type of a page's body text, of Latin and of East Asian script (whose
// type fills its square and so measures larger): what most lines are set in.
struct BodyType {
  struct Measures {
    int xHeight = 0;
    int height = 0;
    float stroke = 0;
    int lines = 0;
  };
  Measures latin;
  Measures eastAsian;
};

BodyType bodyTypeOf(const PageLayout& page);

// Whether the line is set clearly larger than the body text of its script.
bool largerThanBody(const BodyType& body, const LayoutLine& line);

// Whether its stems are clearly wider than the body text's of its script.
bool bolderThanBody(const BodyType& body, const LayoutLine& line);
