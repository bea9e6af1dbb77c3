// Writes the texts of the record's item lists as translation markers to the
// file named by its argument, so lupdate finds them while the lists stay in
// one place, the record's field table. The window translates each item as it
// fills a list; numbers need no translation and are left out.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "record/field_table.h"

namespace {

bool IsNumber(const char* text) { return std::strspn(text, "0123456789") == std::strlen(text); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::FILE* out = std::fopen(argv[1], "w");
  if (!out) return 1;
  std::fputs("// Generated from record/field_table.h for lupdate; not compiled.\n", out);
  std::fputs("static const char* const kItemTexts[] = {\n", out);
#define TELVARO_WRITE_ITEMS(name, ...)                                                       \
  for (const char* text : {__VA_ARGS__})                                                      \
    if (!IsNumber(text)) std::fprintf(out, "    QT_TRANSLATE_NOOP(\"telvaro::ItemList\", \"%s\"),\n", text);
  TELVARO_ITEM_LISTS(TELVARO_WRITE_ITEMS)
#undef TELVARO_WRITE_ITEMS
  std::fputs("};\n", out);
  return std::fclose(out) == 0 ? 0 : 1;
}
