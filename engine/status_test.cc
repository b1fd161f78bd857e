#include "engine/status.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

#include "resources/string_table.h"

namespace lexora {
namespace {

TEST(StatusTest, MessagesComeFromTheStringTableWithTheirDetail) {
  EXPECT_TRUE(Status().ok());
  EXPECT_FALSE(Status().has_message());
  EXPECT_EQ(Status::integrity_error().message_id(), str::kIntegrityError);
  EXPECT_EQ(Status::integrity_error().message(), "Integrity error");
  EXPECT_EQ(Status::wrong_version().message(), "Wrong version or file format");
  const Status code_page = Status::unsupported_code_page(874);
  EXPECT_EQ(code_page.message_id(), str::kCodepageNotSupported);
  EXPECT_EQ(code_page.detail(), 874);
  EXPECT_EQ(code_page.message(), "Codepage 874 isn't supported");
  EXPECT_NE(code_page, Status::unsupported_code_page(875));
  // The caller, not the engine, tells of a file that does not open.
  const Status missing = Status::cannot_open(ENOENT);
  EXPECT_FALSE(missing.ok());
  EXPECT_FALSE(missing.has_message());
  EXPECT_EQ(missing.message(), "");
  std::ostringstream out;
  out << missing << " / " << code_page;
  EXPECT_EQ(out.str(), "cannot open (errno 2) / Codepage 874 isn't supported");
}

TEST(StatusTest, BoxesAreErrorsOfTheActiveWindowButThePlugInsOwn) {
  const Message error = status_message(Status::unsupported_code_page(12345));
  EXPECT_EQ(error.text, "Codepage 12345 isn't supported");
  EXPECT_EQ(error.caption, "Error");
  EXPECT_EQ(error.icon, MessageIcon::kError);
  EXPECT_EQ(error.owner, MessageOwner::kActiveWindow);
  const Message plugin = status_message(Status::converter_without_export());
  EXPECT_EQ(plugin.text, "Convert not found");
  EXPECT_EQ(plugin.caption, "error");
  EXPECT_EQ(plugin.icon, MessageIcon::kNone);
  EXPECT_EQ(plugin.buttons, MessageButtons::kOk);
  EXPECT_EQ(plugin.owner, MessageOwner::kNone);
  EXPECT_EQ(plugin.owner_window, nullptr);
}

}  // namespace
}  // namespace lexora
