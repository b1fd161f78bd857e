#include "dictd/session.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "dictd/command_line.h"
#include "dictd/mime.h"
#include "dictd/reply.h"
#include "engine/dictionary.h"
#include "platform/utf.h"
#include "render/page.h"
#include "render/plain_text.h"

namespace lexora::dictd {
namespace {

// Article text is wrapped to this width under an indented headword line.
constexpr std::size_t kTextWidth = 72;
constexpr std::u16string_view kTextIndent = u"  ";

constexpr char kHelpText[] =
    "DEFINE database word          look a word up (database * for all, ! for the first that has "
    "it)\n"
    "MATCH database strategy word  list headwords that match (strategy . for the default, lev)\n"
    "SHOW DB | SHOW DATABASES      list the databases\n"
    "SHOW STRAT | SHOW STRATEGIES  list the matching strategies\n"
    "SHOW INFO database            describe a database\n"
    "SHOW SERVER                   describe this server\n"
    "CLIENT text                   tell the server who you are\n"
    "STATUS                        what the server has done so far\n"
    "OPTION MIME                   start every text block with MIME headers\n"
    "HELP                          this text\n"
    "QUIT                          close the connection\n";

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string count_text(std::size_t n, std::string_view what) {
  return std::to_string(n) + " " + std::string(what);
}

void syntax_error(std::string* out) {
  append_status(out, kIllegalParameters, "syntax error, illegal parameters");
}

}  // namespace

Database* ServerContext::find_database(std::string_view name) const {
  for (const auto& db : databases)
    if (db->name() == name) return db.get();
  return nullptr;
}

bool ServerContext::offers(Strategy strategy) const {
  return std::find(strategies.begin(), strategies.end(), strategy) != strategies.end();
}

void Session::greet(std::string* out) {
  const std::uint32_t id = ++context_->message_ids;
  const long seconds = static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(
                                             std::chrono::system_clock::now().time_since_epoch())
                                             .count());
  // Built piece by piece: "<" + std::to_string(...) trips a false
  // -Wrestrict warning of GCC 12 at -O3.
  std::string text = context_->hostname;
  text += " lexora-dictd ";
  text += context_->version;
  text += " <mime> <";
  text += std::to_string(::getpid());
  text += '.';
  text += std::to_string(id);
  text += '.';
  text += std::to_string(seconds);
  text += '@';
  text += context_->hostname;
  text += '>';
  append_status(out, kBanner, text);
}

bool Session::handle_line(std::string_view line, std::string* out) {
  ++context_->commands;
  if (++commands_ > context_->limits.max_commands) {
    append_status(out, kTemporarilyUnavailable, "command limit reached, closing connection");
    return false;
  }
  const std::optional<std::vector<std::string>> words = split_command(line);
  if (!words) {
    append_status(out, kUnknownCommand, "syntax error, command not recognized");
    return true;
  }
  if (words->empty()) return true;  // an empty line is no command
  const std::vector<std::string>& args = *words;
  const std::string command = upper(args[0]);
  if (command == "DEFINE") {
    define(args, out);
  } else if (command == "MATCH") {
    match(args, out);
  } else if (command == "SHOW") {
    show(args, out);
  } else if (command == "CLIENT") {
    client(args, out);
  } else if (command == "STATUS") {
    status(out);
  } else if (command == "HELP") {
    help(out);
  } else if (command == "OPTION") {
    option(args, out);
  } else if (command == "QUIT") {
    append_status(out, kClosing, "bye");
    return false;
  } else if (command == "AUTH" || command == "SASLAUTH" || command == "SASLRESP") {
    append_status(out, kNotImplemented, "command not implemented");
  } else {
    append_status(out, kUnknownCommand, "syntax error, command not recognized");
  }
  return true;
}

void Session::client(const std::vector<std::string>& args, std::string* out) {
  if (args.size() < 2) return syntax_error(out);
  client_.clear();
  for (std::size_t i = 1; i < args.size(); ++i) client_ += (i > 1 ? " " : "") + args[i];
  append_status(out, kOk, "ok");
}

void Session::option(const std::vector<std::string>& args, std::string* out) {
  if (args.size() != 2 || upper(args[1]) != "MIME") return syntax_error(out);
  mime_ = true;
  append_status(out, kOk, "ok - using MIME headers");
}

std::vector<Database*> Session::databases_for(const std::string& spec, std::string* out) {
  std::vector<Database*> chosen;
  if (spec == "*" || spec == "!") {
    for (const auto& db : context_->databases) chosen.push_back(db.get());
    if (chosen.empty()) append_status(out, kNoDatabases, "no databases present");
    return chosen;
  }
  if (Database* db = context_->find_database(spec))
    chosen.push_back(db);
  else
    append_status(out, kInvalidDatabase,
                  "invalid database, use \"SHOW DB\" for a list of databases");
  return chosen;
}

void Session::define(const std::vector<std::string>& args, std::string* out) {
  if (args.size() != 3) return syntax_error(out);
  const std::vector<Database*> dbs = databases_for(args[1], out);
  if (dbs.empty()) return;
  std::vector<std::pair<Database*, std::vector<std::uint32_t>>> found;
  std::size_t total = 0;
  for (Database* db : dbs) {
    std::vector<std::uint32_t> positions = define_positions(db->index(), args[2]);
    if (positions.empty()) continue;
    total += positions.size();
    found.emplace_back(db, std::move(positions));
    if (args[1] == "!") break;
  }
  if (total == 0) return append_status(out, kNoMatch, "no match");
  append_status(out, kDefinitionsRetrieved, count_text(total, "definitions retrieved"));
  for (const auto& [db, positions] : found)
    for (std::uint32_t position : positions) append_definition(*db, position, out);
  append_status(out, kOk, "ok");
  context_->definitions += total;
}

void Session::append_definition(Database& db, std::uint32_t position, std::string* out) {
  const DatabaseIndex& index = db.index();
  const std::string headword(index.headword(position));
  append_status(out, kDefinitionFollows,
                quote(headword) + " " + db.name() + " " + quote(db.description()));
  std::string text = headword;
  std::string html;
  {
    Database::Lease dict = db.lease();
    std::optional<std::u16string_view> article;
    if (dict) article = dict->article_at(position);
    // The client hears why; the server's log has it under the database's name.
    std::u16string body = u"(the article cannot be read)";
    if (article) {
      body = article_to_plain_text(*dict, *article);
    } else if (dict && dict->last_error().has_message()) {
      body = u"(the article cannot be read: " + utf8_to_utf16(dict->last_error().message()) + u")";
    }
    text += '\n';
    text += utf16_to_utf8(wrap_plain_text(body, kTextWidth, kTextIndent));
    if (mime_ && dict) {
      const std::u16string wide_headword = utf8_to_utf16(headword);
      html = utf16_to_utf8(render_article_page(*dict, wide_headword, article, PageStyle{}, page_));
    }
  }
  if (!mime_) return append_text_block(out, text);
  append_text_block(out, multipart_alternative(text, html, position));
}

void Session::match(const std::vector<std::string>& args, std::string* out) {
  if (args.size() != 4) return syntax_error(out);
  std::optional<Strategy> strategy;
  if (args[2] == ".") {
    if (context_->offers(kDefaultStrategy))
      strategy = kDefaultStrategy;
    else if (!context_->strategies.empty())
      strategy = context_->strategies.front();
  } else {
    strategy = strategy_by_name(args[2]);
    if (strategy && !context_->offers(*strategy)) strategy.reset();
  }
  const std::vector<Database*> dbs = databases_for(args[1], out);
  if (dbs.empty()) return;
  if (!strategy) {
    return append_status(out, kInvalidStrategy,
                         "invalid strategy, use \"SHOW STRAT\" for a list of strategies");
  }
  std::string lines;
  std::size_t total = 0;
  std::vector<std::uint32_t> positions;
  for (Database* db : dbs) {
    const DatabaseIndex& index = db->index();
    if (match_headwords(index, *strategy, args[3], &positions) != MatchStatus::kOk)
      return append_status(out, kIllegalParameters,
                           "syntax error, illegal parameters (bad regular expression)");
    for (std::uint32_t position : positions) {
      lines += db->name();
      lines += ' ';
      lines += quote(index.headword(position));
      lines += '\n';
    }
    total += positions.size();
    if (args[1] == "!" && !positions.empty()) break;
  }
  if (total == 0) return append_status(out, kNoMatch, "no match");
  append_status(out, kMatchesFound, count_text(total, "matches found"));
  text_block(lines, out);
  append_status(out, kOk, "ok");
  context_->matches += total;
}

void Session::show(const std::vector<std::string>& args, std::string* out) {
  if (args.size() < 2) return syntax_error(out);
  const std::string what = upper(args[1]);
  if ((what == "DB" || what == "DATABASES") && args.size() == 2) return show_databases(out);
  if ((what == "STRAT" || what == "STRATEGIES") && args.size() == 2) return show_strategies(out);
  if (what == "INFO" && args.size() == 3) return show_info(args[2], out);
  if (what == "SERVER" && args.size() == 2) return show_server(out);
  syntax_error(out);
}

void Session::show_databases(std::string* out) {
  if (context_->databases.empty()) return append_status(out, kNoDatabases, "no databases present");
  std::string lines;
  for (const auto& db : context_->databases)
    lines += db->name() + " " + quote(db->description()) + "\n";
  append_status(out, kDatabasesPresent,
                count_text(context_->databases.size(), "databases present"));
  text_block(lines, out);
  append_status(out, kOk, "ok");
}

void Session::show_strategies(std::string* out) {
  if (context_->strategies.empty())
    return append_status(out, kNoStrategies, "no strategies available");
  std::string lines;
  for (Strategy s : context_->strategies) {
    const StrategyInfo& info = strategy_info(s);
    lines += std::string(info.name) + " " + quote(info.description) + "\n";
  }
  append_status(out, kStrategiesAvailable,
                count_text(context_->strategies.size(), "strategies available"));
  text_block(lines, out);
  append_status(out, kOk, "ok");
}

void Session::show_info(const std::string& name, std::string* out) {
  Database* db = context_->find_database(name);
  if (db == nullptr)
    return append_status(out, kInvalidDatabase,
                         "invalid database, use \"SHOW DB\" for a list of databases");
  const DictionaryHeader& h = db->header();
  char line[256];
  std::string text = db->name() + ": " + db->description() + "\n";
  text += "File: " + db->path().substr(db->path().find_last_of('/') + 1) + "\n";
  std::snprintf(
      line, sizeof line,
      "Headwords: %u\nFormat version %d; headwords in code page %u, articles in code page %u, "
      "locale 0x%04X\n",
      h.word_count, h.version, h.words_code_page, h.articles_code_page, h.locale_id);
  text += line;
  if (db->index_ready()) {
    const DatabaseIndex& index = db->index();
    std::snprintf(
        line, sizeof line, "Matching data: %u distinct keys, %.1f MiB, built in %.1f ms\n",
        index.fuzzy.key_count(), static_cast<double>(index.memory_bytes()) / (1024.0 * 1024.0),
        index.build_seconds * 1000.0);
    text += line;
  } else {
    text += "Matching data: being built\n";
  }
  append_status(out, kDatabaseInfoFollows, "database information follows");
  text_block(text, out);
  append_status(out, kOk, "ok");
}

void Session::show_server(std::string* out) {
  const auto up = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::steady_clock::now() - context_->started);
  std::string text = "lexora-dictd " + context_->version + " on " + context_->hostname + "\n";
  text += "Up " + std::to_string(up.count()) + " s; " +
          std::to_string(context_->connections_total.load()) + " connections, " +
          std::to_string(context_->definitions.load()) + " definitions and " +
          std::to_string(context_->matches.load()) + " matches served\n";
  text += std::to_string(context_->databases.size()) + " databases, " +
          std::to_string(context_->strategies.size()) + " strategies\n";
  append_status(out, kServerInfoFollows, "server information follows");
  text_block(text, out);
  append_status(out, kOk, "ok");
}

void Session::status(std::string* out) {
  const auto up = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::steady_clock::now() - context_->started);
  append_status(out, kStatus,
                "status [d/m/c = " + std::to_string(context_->definitions.load()) + "/" +
                    std::to_string(context_->matches.load()) + "/" +
                    std::to_string(context_->connections_total.load()) + "; " +
                    std::to_string(up.count()) + "s up]");
}

void Session::help(std::string* out) {
  append_status(out, kHelpFollows, "help text follows");
  text_block(kHelpText, out);
  append_status(out, kOk, "ok");
}

void Session::text_block(std::string_view text, std::string* out) {
  if (!mime_) return append_text_block(out, text);
  std::string with_header(kPlainTextMimeHeader);
  with_header += text;
  append_text_block(out, with_header);
}

}  // namespace lexora::dictd
