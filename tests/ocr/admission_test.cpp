#include "admission.h"

#include <gtest/gtest.h>

namespace {

TextElement at(std::string text, double x, double y, double w = 0.2, double h = 0.05) {
  return {std::move(text), NormalizedRect{x, y, w, h}};
}

DocumentContainer withList(std::vector<std::string> items, NormalizedRect region) {
  DocumentContainer container;
  ListElement list;
  for (auto& item : items) list.items.push_back({item, MarkerType::bullet});
  list.region = region;
  container.lists.push_back(list);
  return container;
}

TEST(Inside, CentreInHalfOpenBoxes) {
  const std::vector<NormalizedRect> regions = {{0.5, 0.5, 0.25, 0.25}};
  // Centres at (0.5, 0.6), (0.75, 0.6), (0.6, 0.5), (0.6, 0.75).
  EXPECT_TRUE(inside({0.4, 0.55, 0.2, 0.1}, regions));
  EXPECT_FALSE(inside({0.65, 0.55, 0.2, 0.1}, regions));
  EXPECT_TRUE(inside({0.5, 0.45, 0.2, 0.1}, regions));
  EXPECT_FALSE(inside({0.5, 0.7, 0.2, 0.1}, regions));
  EXPECT_FALSE(inside({0.4, 0.55, 0.2, 0.1}, {}));
  EXPECT_FALSE(inside({0.4, 0.55, 0.2, 0.1}, {{0.5, 0.5, 0, 0.25}}));  // no width
}

TEST(Admission, ParagraphsRepeatingItemsOrInsideRegionsAreRefused) {
  DocumentContainer c = withList({"• Apples", "- 5 °C"}, {0.1, 0.1, 0.3, 0.2});
  c.tables.push_back({{{at("cell text", 0.6, 0.6)}}, {0.5, 0.5, 0.4, 0.4}});
  AdmissionContext context = admissionContext(c);
  EXPECT_FALSE(admitParagraph(at("APPLES", 0.6, 0.05), context));
  EXPECT_FALSE(admitParagraph(at("-5 °C", 0.6, 0.05), context));
  EXPECT_FALSE(admitParagraph(at("anything", 0.6, 0.6), context));  // centre in the table
  EXPECT_TRUE(admitParagraph(at("cell text", 0.1, 0.8), context));  // cells are not keys
  // Mostly over the list, but the centre (0.45, 0.2) is outside it.
  EXPECT_TRUE(admitParagraph(at("overlapping", 0.2, 0.15, 0.5, 0.1), context));
  EXPECT_FALSE(admitParagraph(at("", 0.6, 0.05), context));
  EXPECT_TRUE(admitParagraph(at("   ", 0.6, 0.05), context));
}

TEST(Admission, HeadingRuleAndRepeatedHeading) {
  DocumentContainer c;
  AdmissionContext context = admissionContext(c);
  EXPECT_TRUE(admitHeading(at("Overview", 0.1, 0.9), &context));
  ASSERT_TRUE(context.headingKey);
  EXPECT_FALSE(admitParagraph(at("  overview ", 0.1, 0.5), context));
  EXPECT_TRUE(admitParagraph(at("Overview of the rest", 0.1, 0.5), context));

  EXPECT_FALSE(admitHeading(at("• Overview", 0.1, 0.9), &context));
  EXPECT_FALSE(context.headingKey);
  EXPECT_TRUE(admitParagraph(at("Overview", 0.1, 0.5), context));

  EXPECT_TRUE(admitHeading(at("\n• Overview", 0.1, 0.9), &context));
  EXPECT_EQ("overview", *context.headingKey);
  EXPECT_FALSE(admitHeading(std::nullopt, &context));
  EXPECT_FALSE(admitHeading(at("", 0.1, 0.9), &context));

  DocumentContainer listed = withList({"Overview"}, {0.0, 0.0, 0.1, 0.1});
  AdmissionContext withItems = admissionContext(listed);
  EXPECT_FALSE(admitHeading(at("OVERVIEW", 0.5, 0.9), &withItems));
  DocumentContainer covered = withList({"x"}, {0.0, 0.8, 1.0, 0.2});
  AdmissionContext underList = admissionContext(covered);
  EXPECT_FALSE(admitHeading(at("Title", 0.1, 0.9), &underList));
}

}  // namespace
