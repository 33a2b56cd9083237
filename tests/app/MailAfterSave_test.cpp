// E-mail after save: a local SMTP server (aiosmtpd) receives the message; its envelope,
// headers, text and attachment are read back with Python's e-mail parser, and the
// attachment must be the saved file, byte for byte. A failed sending keeps the save.
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QProcess>

#include "WizardFixture.h"
#include "app/kvSimpleDemoConsts.h"

namespace kvtest {
namespace {

// The local server for one test; stopped when the test ends.
class MailSink {
 public:
  MailSink(const std::string& folder, bool withLogin) {
    QStringList args = {QString(FOLIO_APP_TEST_DIR) + "/mail_sink.py", QString::fromStdString(folder)};
    if (withLogin) args << "--auth";
    process_.start("/usr/bin/python3", args);
    if (process_.waitForReadyRead(20000)) port_ = process_.readLine().trimmed().toInt();
    if (port_ == 0) error_ = process_.readAllStandardError().toStdString();
  }
  ~MailSink() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) process_.kill();
    process_.waitForFinished(2000);
  }
  int Port() const { return port_; }
  const std::string& Error() const { return error_; }

 private:
  QProcess process_;
  int port_ = 0;
  std::string error_;
};

class MailTest : public WizardTest {
 protected:
  // Saves groff-letter.pdf with the e-mail settings `fill` sets on top of a host.
  void SaveAndMail(const std::string& host, std::function<void(kv::TfrmSettings&)> fill) {
    OpenSource(kv::TkvWizardOperation::woBookmarks, Data("groff-letter.pdf"));
    Next();
    Finish(Out("letter.pdf"), [&](kv::TfrmSettings& d) {
      d.cbOpenAfterSave->setChecked(false);
      d.cbEmail->setChecked(true);
      d.edHost->setText(Q(host));
      fill(d);
    });
  }
  nlohmann::json Received(int n, const std::string& attachment) {
    CommandResult r =
        kvtest::Run("/usr/bin/python3 " + ShellQuote(std::string(FOLIO_APP_TEST_DIR) + "/mail_facts.py") + " " +
                    ShellQuote(Out("mail/msg" + std::to_string(n) + ".eml")) + " " + ShellQuote(attachment));
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    return nlohmann::json::parse(r.Output, nullptr, false);
  }
  nlohmann::json Envelope(int n) {
    return nlohmann::json::parse(ReadFile(Out("mail/msg" + std::to_string(n) + ".json")), nullptr, false);
  }
};

TEST_F(MailTest, TheSavedFileReachesEveryRecipient) {
  ASSERT_EQ(kvtest::Run("mkdir " + ShellQuote(Out("mail"))).ExitCode, 0);
  MailSink sink(Out("mail"), false);
  ASSERT_NE(sink.Port(), 0) << sink.Error();
  SaveAndMail("127.0.0.1:" + std::to_string(sink.Port()), [](kv::TfrmSettings& d) {
    d.edTo->setText("Ann <ann@to.invalid>, bob@to.invalid");
    d.edCC->setText("cid@cc.invalid");
    d.edBCC->setText("dee@bcc.invalid");
    d.edFrom->setText("wizard@from.invalid");
    d.edMailSubject->setText("Letter – final");
    d.edBody->setPlainText("Dear all,\nthe letter is attached.");
  });
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  EXPECT_TRUE(host.Messages.empty()) << host.AllMessages();
  ASSERT_TRUE(FileExists(Out("mail/msg0.json")));
  nlohmann::json envelope = Envelope(0);
  EXPECT_EQ(envelope["from"], "wizard@from.invalid");
  EXPECT_EQ(envelope["rcpt"],
            nlohmann::json({"ann@to.invalid", "bob@to.invalid", "cid@cc.invalid", "dee@bcc.invalid"}));
  EXPECT_TRUE(envelope["login"].is_null());
  nlohmann::json mail = Received(0, Out("attached.pdf"));
  EXPECT_EQ(mail["subject"], "Letter – final");
  EXPECT_EQ(mail["to"], "Ann <ann@to.invalid>, bob@to.invalid");
  EXPECT_EQ(mail["cc"], "cid@cc.invalid");
  EXPECT_EQ(mail["bcc"], "") << "blind copies are not named in the message";
  EXPECT_EQ(mail["from"], "wizard@from.invalid");
  EXPECT_EQ(mail["body"].get<std::string>().substr(0, 33), "Dear all,\nthe letter is attached.");
  ASSERT_EQ(mail["attachments"].size(), 1u);
  EXPECT_EQ(mail["attachments"][0]["name"], "letter.pdf");
  EXPECT_EQ(mail["attachments"][0]["type"], "application/pdf");
  EXPECT_EQ(ReadFile(Out("attached.pdf")), ReadFile(Out("letter.pdf")));
}

TEST_F(MailTest, AUserIdLogsIn) {
  ASSERT_EQ(kvtest::Run("mkdir " + ShellQuote(Out("mail"))).ExitCode, 0);
  MailSink sink(Out("mail"), true);
  ASSERT_NE(sink.Port(), 0) << sink.Error();
  SaveAndMail("127.0.0.1:" + std::to_string(sink.Port()), [](kv::TfrmSettings& d) {
    d.edUserID->setText("mailer");
    d.edMailPassword->setText("secret");
    d.edTo->setText("ann@to.invalid");
    d.edFrom->setText("wizard@from.invalid");
  });
  ASSERT_EQ(Page(), W().tsDone) << host.AllMessages();
  EXPECT_TRUE(host.Messages.empty()) << host.AllMessages();
  EXPECT_EQ(Envelope(0)["login"], "mailer");
}

TEST_F(MailTest, AFailedSendingKeepsTheSave) {
  struct Case {
    std::string Host, To;
  };
  // Port 9 of the local host takes no mail; and without a recipient nothing is sent.
  const Case cases[] = {{"127.0.0.1:9", "ann@to.invalid"}, {"127.0.0.1:9", ""}};
  for (const Case& c : cases) {
    host.DefaultConfirm = true;
    W().RestartClicked();
    host.Messages.clear();
    SaveAndMail(c.Host, [&c](kv::TfrmSettings& d) {
      d.edTo->setText(Q(c.To));
      d.edFrom->setText("wizard@from.invalid");
    });
    EXPECT_EQ(Page(), W().tsDone) << c.To;
    EXPECT_TRUE(QpdfCheckClean(Out("letter.pdf")));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Kind, kv::TkvMessageKind::mkError);
    EXPECT_TRUE(host.Messages[0].Text.startsWith("The document was saved, but it could not be sent by e-mail:"))
        << host.AllMessages();
    kvtest::Run("rm -f " + ShellQuote(Out("letter.pdf")));
  }
}

}  // namespace
}  // namespace kvtest
