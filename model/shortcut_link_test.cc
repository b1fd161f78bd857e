#include "model/shortcut_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lexora {
namespace {

// Undoes desktop_exec_argument's two escaping steps for a whole Exec value,
// as a launcher reads it: string-value escapes first, then the quoting.
std::vector<std::string> split_exec(const std::string& value) {
  std::string unescaped;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      unescaped += value[++i];
    } else if (value[i] == '%' && i + 1 < value.size() && value[i + 1] == '%') {
      unescaped += value[++i];
    } else {
      unescaped += value[i];
    }
  }
  std::vector<std::string> args;
  std::string current;
  bool quoted = false;
  bool any = false;
  for (std::size_t i = 0; i < unescaped.size(); ++i) {
    const char c = unescaped[i];
    if (quoted && c == '\\' && i + 1 < unescaped.size()) {
      current += unescaped[++i];
    } else if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (c == ' ' && !quoted) {
      if (any) args.push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) args.push_back(current);
  return args;
}

std::string exec_line(const std::string& entry) {
  const auto start = entry.find("\nExec=") + 6;
  return entry.substr(start, entry.find('\n', start) - start);
}

TEST(ShortcutLinkTest, LinkTextIsTheFixedCountProgramAndDictionary) {
  EXPECT_EQ(link_text("/usr/bin/lexora", "/home/ann/My Dicts/словарь.zd"),
            "11#\"/usr/bin/lexora\" /home/ann/My Dicts/словарь.zd");
  // No dictionary open: the text ends with the quote and the blank.
  EXPECT_EQ(link_text("/opt/lexora/lexora", ""), "11#\"/opt/lexora/lexora\" ");
}

TEST(ShortcutLinkTest, LinkTextReadsBackToItsDictionary) {
  const std::string path = "/media/card/en ru/dict \"q\".zd";
  EXPECT_EQ(link_dictionary(link_text("/usr/bin/lexora", path)), path);
  EXPECT_EQ(link_dictionary(link_text("/usr/bin/lexora", path) + "\r\n"), path);
  EXPECT_EQ(link_dictionary(link_text("/usr/bin/lexora", "")), "");
  EXPECT_EQ(link_dictionary("12#\"/x\" /y.zd"), std::nullopt);
  EXPECT_EQ(link_dictionary("11#\"/no/separator"), std::nullopt);
}

TEST(ShortcutLinkTest, ExecLineKeepsEveryCharacterOfBothPaths) {
  const std::string program = "/opt/Lexora 1.6/lexora";
  const std::string dictionary = "/home/ann/100% $HOME `x` \"q\" back\\slash/словарь.zd";
  const auto args = split_exec(exec_line(desktop_entry_text(program, dictionary, "lexora")));
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(args[0], program);
  EXPECT_EQ(args[1], dictionary);
}

TEST(ShortcutLinkTest, LauncherIsNamedAfterTheDictionaryFile) {
  const std::string entry = desktop_entry_text("/usr/bin/lexora", "/d/en-ru.zd", "lexora");
  EXPECT_NE(entry.find("\nName=en-ru\n"), std::string::npos);
  EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
  EXPECT_NE(entry.find("\nIcon=lexora\n"), std::string::npos);
  EXPECT_EQ(split_exec(exec_line(desktop_entry_text("/usr/bin/lexora", "", "lexora"))).size(), 1u);
}

}  // namespace
}  // namespace lexora
