// Recognized text through the text keys, the admission rules and the list
// marker classifier.
#include <cstddef>
#include <cstdint>
#include <string>

#include "admission.h"
#include "list_markers.h"
#include "text_keys.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string key = plain(text);
  canonicalKey(key);
  beginsWithMarker(text);
  markerTypeOf(text.substr(0, text.find(' ')));
  isMisreadBullet(text);
  DocumentContainer container;
  container.title = TextElement{text, {0.1, 0.8, 0.5, 0.1}};
  container.lists.push_back({{{text, MarkerType::bullet}}, {0.1, 0.1, 0.5, 0.3}});
  AdmissionContext context = admissionContext(container);
  admitHeading(container.title, &context);
  admitParagraph({text, {0.2, 0.5, 0.2, 0.1}}, context);
  return 0;
}
