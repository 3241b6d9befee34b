#include "likely_subtags.h"

#include <unicode/locid.h>

std::string maximalIdentifier(const std::string& tag) {
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale locale = icu::Locale::forLanguageTag(tag, status);
  if (U_FAILURE(status) || locale.isBogus()) return tag;
  locale.addLikelySubtags(status);
  if (U_FAILURE(status)) return tag;
  std::string result = locale.toLanguageTag<std::string>(status);
  return U_SUCCESS(status) ? result : tag;
}
