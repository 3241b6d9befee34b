#include "admission.h"

#include "text_keys.h"

bool inside(const NormalizedRect& box, const std::vector<NormalizedRect>& regions) {
  const double x = box.midX(), y = box.midY();
  for (const NormalizedRect& region : regions) {
    if (region.contains(x, y)) return true;
  }
  return false;
}

AdmissionContext admissionContext(const DocumentContainer& container) {
  AdmissionContext context;
  for (const ListElement& list : container.lists) context.regions.push_back(list.region);
  for (const TableElement& table : container.tables) context.regions.push_back(table.region);
  for (const ListElement& list : container.lists) {
    for (const ListItem& item : list.items) {
      context.itemKeys.insert(canonicalKey(plain(item.itemString)));
    }
  }
  return context;
}

bool admitHeading(const std::optional<TextElement>& title, AdmissionContext* context) {
  context->headingKey.reset();
  if (!title || title->transcript.empty()) return false;
  const std::string key = canonicalKey(plain(title->transcript));
  if (beginsWithMarker(title->transcript)) return false;
  if (inside(title->region, context->regions)) return false;
  if (context->itemKeys.count(key)) return false;
  context->headingKey = key;
  return true;
}

bool admitParagraph(const TextElement& paragraph, const AdmissionContext& context) {
  if (paragraph.transcript.empty()) return false;
  const std::string key = canonicalKey(plain(paragraph.transcript));
  if (context.headingKey && key == *context.headingKey) return false;
  if (inside(paragraph.region, context.regions)) return false;
  return context.itemKeys.count(key) == 0;
}
