#pragma once

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine.h"

// What one container's title and paragraphs are judged against.
struct AdmissionContext {
  std::vector<NormalizedRect> regions;     // the lists' regions, then the tables'
  std::unordered_set<std::string> itemKeys;  // canonical keys of every list item
  std::optional<std::string> headingKey;   // set by the heading rule when it admits
};

// Whether the centre of `box` lies in at least one of `regions` (half-open boxes).
bool inside(const NormalizedRect& box, const std::vector<NormalizedRect>& regions);

// `regions` and `itemKeys` of one container.
AdmissionContext admissionContext(const DocumentContainer& container);

// Whether the container's title becomes a heading; sets `headingKey` when it does.
bool admitHeading(const std::optional<TextElement>& title, AdmissionContext* context);

// Whether a paragraph becomes a paragraph block.
bool admitParagraph(const TextElement& paragraph, const AdmissionContext& context);
