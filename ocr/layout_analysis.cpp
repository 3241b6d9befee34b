#include "layout_analysis.h"

#include <algorithm>
#include <cmath>

#include "code_panels.h"
#include "heading_finder.h"
#include "layout_page.h"
#include "list_finder.h"
#include "menu_finder.h"
#include "table_finder.h"

namespace {

// The gap rule of the line reader, for lines alike in size that share most
// of their width (lines of two columns share none). Text blocks are not
// required to match: Tesseract starts a new one where the script changes.
bool sameParagraph(const LayoutLine& above, const LayoutLine& line) {
  const int gap = line.box.top - above.box.bottom;
  const int larger = std::max(above.box.height(), line.box.height());
  const int smaller = std::max(1, std::min(above.box.height(), line.box.height()));
  const int shared =
      std::min(above.box.right, line.box.right) - std::max(above.box.left, line.box.left);
  const int narrower = std::min(above.box.width(), line.box.width());
  return shared * 2 >= narrower && gap * 10 <= above.box.height() * 8 && gap > -smaller &&
         larger * 10 < smaller * 13;
}

// The free lines, in reading order, as paragraphs.
std::vector<TextElement> paragraphs(PageState* state) {
  std::vector<TextElement> found;
  std::optional<size_t> previous;
  PixelRect area{};
  for (size_t i = 0; i < state->page.lines.size(); ++i) {
    if (state->used[i]) continue;
    const LayoutLine& line = state->line(i);
    if (previous && sameParagraph(state->line(*previous), line)) {
      found.back().transcript += "\n" + line.text;
      area = unite(area, line.box);
    } else {
      if (previous) found.back().region = state->normalized(area);
      found.push_back({line.text, {}});
      area = line.box;
    }
    previous = i;
    state->used[i] = true;
  }
  if (previous) found.back().region = state->normalized(area);
  return found;
}

double topOf(const NormalizedRect& region) { return 1.0 - region.maxY(); }

// Every element goes to the section of the last heading that starts above it.
class Sections {
 public:
  explicit Sections(std::vector<TextElement> headings) {
    documents_.resize(headings.size() + 1);
    for (size_t k = 0; k < headings.size(); ++k) {
      tops_.push_back(topOf(headings[k].region));
      documents_[k + 1].title = std::move(headings[k]);
    }
  }

  DocumentContainer& of(const NormalizedRect& region) {
    const double top = topOf(region);
    size_t k = 0;
    while (k < tops_.size() && tops_[k] <= top) ++k;
    return documents_[k];
  }

  std::vector<DocumentContainer> take() {
    std::erase_if(documents_, [](const DocumentContainer& d) {
      return !d.title && d.paragraphs.empty() && d.lists.empty() && d.tables.empty();
    });
    return std::move(documents_);
  }

 private:
  std::vector<double> tops_;
  std::vector<DocumentContainer> documents_;
};

// A piece of `whole`: its type is the whole line's; a bullet only the first piece's.
LayoutLine pieceOf(const LayoutLine& whole, const std::vector<LayoutWord>& words, bool first) {
  LayoutLine line;
  line.block = whole.block;
  line.xHeight = whole.xHeight;
  line.stroke = whole.stroke;
  if (first) line.glyph = whole.glyph;
  line.words = words;
  line.box = words.front().box;
  for (const LayoutWord& word : words) {
    line.box = unite(line.box, word.box);
    line.text += (line.text.empty() ? "" : " ") + word.text;
  }
  return line;
}

}  // namespace

std::vector<LayoutLine> splitColumns(const std::vector<LayoutLine>& lines) {
  struct Piece {
    LayoutLine line;
    int column;
  };
  std::vector<Piece> pieces;
  for (const LayoutLine& line : lines) {
    // Word spaces are a fraction of the line height; a column gap is several heights.
    const int gap = std::max(12, 3 * line.box.height());
    std::vector<std::vector<LayoutWord>> parts(1);
    for (size_t w = 0; w < line.words.size(); ++w) {
      if (w > 0 && line.words[w].box.left - line.words[w - 1].box.right > gap) parts.emplace_back();
      parts.back().push_back(line.words[w]);
    }
    if (parts.size() == 1) {
      pieces.push_back({line, 0});
      continue;
    }
    for (size_t p = 0; p < parts.size(); ++p) {
      pieces.push_back({pieceOf(line, parts[p], p == 0), static_cast<int>(p)});
    }
  }
  // Blocks keep their order of appearance; within a block the first column is read first.
  std::vector<int> blocks;
  for (const Piece& piece : pieces) {
    if (std::find(blocks.begin(), blocks.end(), piece.line.block) == blocks.end()) {
      blocks.push_back(piece.line.block);
    }
  }
  auto rank = [&](int block) { return std::find(blocks.begin(), blocks.end(), block) - blocks.begin(); };
  std::stable_sort(pieces.begin(), pieces.end(), [&](const Piece& a, const Piece& b) {
    const auto ra = rank(a.line.block), rb = rank(b.line.block);
    return ra != rb ? ra < rb : a.column < b.column;
  });
  std::vector<LayoutLine> out;
  for (Piece& piece : pieces) out.push_back(std::move(piece.line));
  return out;
}

// A bullet that the recognizer took for a line of its own, just left of the
// line it marks: the pixels of that line show the bullet again.
std::vector<LayoutLine> withoutDetachedMarks(std::vector<LayoutLine> lines) {
  auto detached = [&](const LayoutLine& mark) {
    if (mark.words.size() != 1 || mark.text.size() > 3) return false;
    return std::any_of(lines.begin(), lines.end(), [&](const LayoutLine& line) {
      const int h = line.box.height();
      return &line != &mark && line.box.left >= mark.box.right &&
             line.box.left - mark.box.right <= 2 * h && mark.box.height() * 10 <= h * 7 &&
             mark.box.midY() >= line.box.top && mark.box.midY() < line.box.bottom;
    });
  };
  std::vector<LayoutLine> kept;
  for (const LayoutLine& line : lines) {
    if (!detached(line)) kept.push_back(line);
  }
  return kept;
}

// A bar drawn before a heading or a quotation is read as "|" or "l": a line's
// first word that lies on a vertical rule is that rule, no text.
std::vector<LayoutLine> withoutBars(std::vector<LayoutLine> lines,
                                    const std::vector<PixelRect>& bars) {
  auto onBar = [&](const LayoutWord& word) {
    return word.text.size() <= 2 && std::any_of(bars.begin(), bars.end(), [&](const PixelRect& bar) {
             return word.box.left >= bar.left - 2 && word.box.right <= bar.right + 2 &&
                    word.box.midY() >= bar.top && word.box.midY() < bar.bottom;
           });
  };
  std::vector<LayoutLine> kept;
  for (LayoutLine& line : lines) {
    if (!line.words.empty() && onBar(line.words.front())) {
      const std::string bar = line.words.front().text;
      line.words.erase(line.words.begin());
      if (line.words.empty()) continue;
      if (line.text.starts_with(bar)) line.text.erase(0, line.text.find_first_not_of(' ', bar.size()));
      line.box.left = line.words.front().box.left;
    }
    kept.push_back(std::move(line));
  }
  return kept;
}

// Strokes of a character that the recognizer read as small lines of their
// own inside the box of the line that holds the character: read twice.
std::vector<LayoutLine> withoutFragments(std::vector<LayoutLine> lines) {
  auto fragment = [&](const LayoutLine& piece) {
    return std::any_of(lines.begin(), lines.end(), [&](const LayoutLine& line) {
      const PixelRect& p = piece.box;
      const PixelRect& l = line.box;
      return &line != &piece && piece.box.height() * 10 < line.box.height() * 7 &&
             p.left >= l.left && p.right <= l.right && p.top >= l.top - l.height() / 4 &&
             p.bottom <= l.bottom + l.height() / 4;
    });
  };
  std::vector<LayoutLine> kept;
  for (const LayoutLine& line : lines) {
    if (!fragment(line)) kept.push_back(line);
  }
  return kept;
}

// Pieces of one line that the recognizer gave lines of their own (it starts
// another where the script changes, or where a column seems to start): a
// line continues in the piece just right of it on its row, or overlapping
// its end a little, in type of its size.
std::vector<LayoutLine> joinedPieces(std::vector<LayoutLine> lines) {
  std::vector<bool> taken(lines.size());
  for (size_t a = 0; a < lines.size(); ++a) {
    if (taken[a]) continue;
    for (bool grown = true; grown;) {
      grown = false;
      for (size_t b = 0; b < lines.size(); ++b) {
        if (b == a || taken[b]) continue;
        LayoutLine& left = lines[a];
        const LayoutLine& right = lines[b];
        const int h = std::max(left.box.height(), right.box.height());
        const int gap = right.box.left - left.box.right;
        if (gap < -h / 2 || gap > h || right.box.left <= left.box.left || verticalOverlap(left.box, right.box) * 10 <
                                       std::min(left.box.height(), right.box.height()) * 7 ||
            std::min(left.box.height(), right.box.height()) * 10 < h * 7) {
          continue;
        }
        left.text += " " + right.text;
        left.words.insert(left.words.end(), right.words.begin(), right.words.end());
        left.box = unite(left.box, right.box);
        taken[b] = grown = true;
      }
    }
  }
  std::vector<LayoutLine> kept;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!taken[i]) kept.push_back(std::move(lines[i]));
  }
  return kept;
}

std::vector<DocumentContainer> analyseLayout(const PageLayout& page) {
  PageLayout split = page;
  split.lines =
      splitColumns(joinedPieces(withoutFragments(withoutDetachedMarks(
          withoutBars(page.lines, page.verticalRules)))));
  PageState state{split, std::vector<bool>(split.lines.size())};
  std::vector<int> heights;
  for (const LayoutLine& line : split.lines) heights.push_back(line.box.height());
  state.lineHeight = std::max(1, median(heights));
  // Drawn structure first: what lies in a table or a code block is neither
  // a list nor a heading.
  std::vector<TableElement> tables = findRuledTables(&state);
  std::vector<TextElement> texts = findCodePanels(&state);
  for (TableElement& table : findAlignedTables(&state)) tables.push_back(std::move(table));
  std::vector<ListElement> lists = findLists(&state);
  // A side bar's menu belongs to no section of the page beside it.
  DocumentContainer sideBars;
  sideBars.lists = findMenus(&state);
  Sections sections(findHeadings(&state));
  for (TextElement& paragraph : paragraphs(&state)) texts.push_back(std::move(paragraph));
  std::stable_sort(texts.begin(), texts.end(), [](const TextElement& a, const TextElement& b) {
    return topOf(a.region) < topOf(b.region);
  });
  for (TextElement& text : texts) sections.of(text.region).paragraphs.push_back(std::move(text));
  for (ListElement& list : lists) sections.of(list.region).lists.push_back(std::move(list));
  for (TableElement& table : tables) sections.of(table.region).tables.push_back(std::move(table));
  std::vector<DocumentContainer> documents = sections.take();
  if (!sideBars.lists.empty()) documents.insert(documents.begin(), std::move(sideBars));
  return documents;
}
