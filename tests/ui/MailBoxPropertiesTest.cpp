// Mailbox properties over HTTP: every refusal names its field and leaves the
// file alone, the FTP password never travels back, and a save keeps the
// state keys the store and the delivery task own.
#include <nlohmann/json.hpp>

#include "ConsoleServerFixture.h"
#include "core/MainMessages.h"

namespace {

using console_test::OpenedConsoleTest;
using nlohmann::json;

class MailBoxPropertiesTest : public OpenedConsoleTest {
 protected:
  void SetUp() override {
    OpenedConsoleTest::SetUp();
    ProfileWriteString(box_ = folders_->MailBoxes() + "/Sales.mbx", "mbx", "ftppass", "s3cret");
  }
  httplib::Result Save(const json& properties) {
    return Post("/api/mailbox-properties", json{{"mailbox", "Sales"}, {"properties", properties}}.dump());
  }
  std::string Key(const char* key) { return ProfileReadString(box_, "mbx", key, "<missing>"); }

  std::string box_;
};

TEST_F(MailBoxPropertiesTest, RefusalsNameTheirFieldAndWriteNothing) {
  struct Row { json properties; const char* field; };
  const Row rows[] = {
      {{{"remoteaccess", true}, {"accesscode", ""}}, "accesscode"},
      {{{"accesscode", "12a4"}}, "accesscode"},
      {{{"accesscode", std::string(32, '1')}}, "accesscode"},
      {{{"sendemail", true}, {"emailaddress", ""}}, "emailaddress"},
      {{{"emailaddress", "bob at example.com"}}, "emailaddress"},
      {{{"emailaddress", "Bob <bob@example.com"}}, "emailaddress"},
      {{{"emailaddress", "bob@example.com\r\nBcc: eve@example.com"}}, "emailaddress"},
      {{{"sendftp", true}, {"ftpserver", ""}}, "ftpserver"},
      {{{"ftpserver", "ftp.example.com/in"}}, "ftpserver"},
      {{{"sendtofolder", true}, {"sendfolder", ""}}, "sendfolder"},
      {{{"sendfolder", "relative/out"}}, "sendfolder"},
      {{{"forwardtel", true}, {"forwardnumber", ""}}, "forwardnumber"},
      {{{"forwardnumber", "100\\\\300"}}, "forwardnumber"},
      {{{"maxforwardattempts", 0}}, "maxforwardattempts"},
      {{{"forwardfailwaitmins", 99999999999}}, "forwardfailwaitmins"},
      {{{"forwardrepeat", "3"}}, "forwardrepeat"},
      {{{"beep", "yes"}}, "beep"},
      {{{"ftpuser", std::string(260, 'u')}}, "ftpuser"},
  };
  const std::string before = FileText(box_);
  for (const Row& row : rows) {
    ExpectRefused("/api/mailbox-properties", json{{"mailbox", "Sales"}, {"properties", row.properties}}.dump(),
                  row.field);
    EXPECT_EQ(FileText(box_), before) << row.properties;
  }
}

TEST_F(MailBoxPropertiesTest, ThePasswordIsNeverSentAndAnEmptyOneKeepsIt) {
  auto read = client_->Get("/api/mailbox-properties?mailbox=Sales");
  ASSERT_EQ(read->status, 200);
  EXPECT_EQ(read->body.find("s3cret"), std::string::npos);
  EXPECT_TRUE(json::parse(read->body)["properties"]["ftppassSet"].get<bool>());

  auto saved = Save({{"ftppass", ""}, {"ftpuser", "anna"}});
  ASSERT_EQ(saved->status, 200) << saved->body;
  EXPECT_EQ(saved->body.find("s3cret"), std::string::npos);
  EXPECT_EQ(Key("ftppass") + "|" + Key("ftpuser"), "s3cret|anna");
  ASSERT_EQ(Save({{"ftppass", "n3w"}})->status, 200);
  EXPECT_EQ(Key("ftppass"), "n3w");
  ASSERT_EQ(Save({{"ftppassClear", true}})->status, 200);
  EXPECT_EQ(Key("ftppass"), "");
}

TEST_F(MailBoxPropertiesTest, ASaveWritesTheChoicesAndKeepsTheStateKeys) {
  ProfileWriteString(box_, "mbx", "unsentmessages", "true");
  ProfileWriteString(box_, "mbx", "forwardattempts", "2");
  auto saved = Save({{"remoteaccess", true}, {"accesscode", "4711"}, {"sendemail", true},
                     {"emailaddress", "Jörg <jörg@müller.de>"}, {"unsentmessages", false}, {"forwardattempts", 0}});
  ASSERT_EQ(saved->status, 200) << saved->body;
  EXPECT_EQ(Key("accesscode") + "|" + Key("emailaddress") + "|" + Key("sendemailaudio") + "|" + Key("forwardrepeat"),
            "4711|Jörg <jörg@müller.de>|true|5");
  EXPECT_EQ(Key("unsentmessages") + "|" + Key("forwardattempts"), "true|2");
  ASSERT_FALSE(Sent().empty());  // delivery tries again with what was mended
  EXPECT_EQ(Sent().back().id, WM_WAKEBGTASK);
  EXPECT_EQ(client_->Get("/api/mailbox-properties?mailbox=..%2FSales")->status, 400);
}

}  // namespace
