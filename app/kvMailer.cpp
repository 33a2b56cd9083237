#include "app/kvMailer.h"

#include <curl/curl.h>

#include <QByteArray>
#include <QDateTime>
#include <QFileInfo>
#include <QUuid>
#include <memory>
#include <mutex>

#include "app/kvMailerConsts.h"
#include "core/kvClasses.h"

namespace kv {

namespace {

// A server that stops answering must not hold the wizard forever.
constexpr long kConnectTimeoutSeconds = 30;
constexpr long kLowSpeedBytesPerSecond = 1;
constexpr long kLowSpeedSeconds = 60;

void InitCurlOnce() {
  static std::once_flag once;
  static CURLcode result = CURLE_OK;
  std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
  if (result != CURLE_OK) throw Exception(msg::SMailSetupFailed);
}

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

// Header text outside ASCII travels as an encoded word (UTF-8, base64).
std::string HeaderText(const std::string& text) {
  if (IsAscii(text)) return text;
  return "=?UTF-8?B?" + QByteArray::fromStdString(text).toBase64().toStdString() + "?=";
}

std::string JoinRecipients(const std::vector<std::string>& list) {
  std::string out;
  for (const std::string& r : list) {
    if (!out.empty()) out += ", ";
    out += r;
  }
  return out;
}

struct CurlDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
  void operator()(curl_mime* m) const { curl_mime_free(m); }
};

int TransferProgress(void* data, curl_off_t, curl_off_t, curl_off_t ultotal, curl_off_t ulnow) {
  auto* progress = static_cast<const TkvMailProgress*>(data);
  if (*progress && ultotal > 0) (*progress)(static_cast<int>(ulnow * 100 / ultotal));
  return 0;
}

void Check(CURLcode code, const char* detail) {
  if (code != CURLE_OK) throw Exception(Format(msg::SMailSendFailed, detail[0] ? detail : curl_easy_strerror(code)));
}

}  // namespace

std::string MailServerUrl(const std::string& host) {
  if (host.find("://") != std::string::npos) return host;
  return "smtp://" + host;
}

std::string BareAddress(const std::string& recipient) {
  size_t open = recipient.rfind('<');
  size_t close = recipient.rfind('>');
  if (open != std::string::npos && close != std::string::npos && close > open)
    return recipient.substr(open + 1, close - open - 1);
  return recipient;
}

void SendDocumentByMail(const TkvEMailInfo& mail, const std::string& fileName, const TkvMailProgress& progress) {
  if (mail.Host.empty()) throw Exception(msg::SMailNoHost);
  if (mail.ToAddresses.empty() && mail.CCAddresses.empty() && mail.BCCAddresses.empty())
    throw Exception(msg::SMailNoRecipient);
  const std::string from = !mail.From.empty() ? mail.From : mail.UserID;
  if (from.empty()) throw Exception(msg::SMailNoSender);
  InitCurlOnce();

  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) throw Exception(msg::SMailSetupFailed);
  CURL* c = curl.get();
  char error[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
  std::string url = MailServerUrl(mail.Host);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  // STARTTLS when the server offers it, plain otherwise; never certificate-blind.
  curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
  if (!mail.UserID.empty()) {
    curl_easy_setopt(c, CURLOPT_USERNAME, mail.UserID.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, mail.Password.c_str());
  }
  std::string sender = "<" + BareAddress(from) + ">";
  curl_easy_setopt(c, CURLOPT_MAIL_FROM, sender.c_str());

  std::unique_ptr<curl_slist, CurlDeleter> recipients;
  for (const auto* list : {&mail.ToAddresses, &mail.CCAddresses, &mail.BCCAddresses})
    for (const std::string& r : *list) {
      std::string rcpt = "<" + BareAddress(r) + ">";
      recipients.reset(curl_slist_append(recipients.release(), rcpt.c_str()));
    }
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());

  // Blind copies are recipients of the envelope only, never named in the headers.
  std::unique_ptr<curl_slist, CurlDeleter> headers;
  auto header = [&headers](const std::string& line) {
    headers.reset(curl_slist_append(headers.release(), line.c_str()));
  };
  header("Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toStdString());
  header("From: " + from);
  if (!mail.ToAddresses.empty()) header("To: " + JoinRecipients(mail.ToAddresses));
  if (!mail.CCAddresses.empty()) header("Cc: " + JoinRecipients(mail.CCAddresses));
  header("Subject: " + HeaderText(mail.Subject));
  header("Message-ID: <" + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString() + "@folioworks>");
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());

  std::string body;
  for (size_t i = 0; i < mail.Body.size(); ++i) {
    if (i) body += "\r\n";
    body += mail.Body[i];
  }
  std::unique_ptr<curl_mime, CurlDeleter> mime(curl_mime_init(c));
  curl_mimepart* text = curl_mime_addpart(mime.get());
  curl_mime_data(text, body.c_str(), body.size());
  curl_mime_type(text, "text/plain; charset=UTF-8");
  curl_mime_encoder(text, "quoted-printable");
  curl_mimepart* attachment = curl_mime_addpart(mime.get());
  Check(curl_mime_filedata(attachment, fileName.c_str()), "");
  std::string shownName = QFileInfo(QString::fromStdString(fileName)).fileName().toStdString();
  curl_mime_filename(attachment, shownName.c_str());
  curl_mime_type(attachment, "application/pdf");
  curl_mime_encoder(attachment, "base64");
  curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.get());

  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSecond);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, TransferProgress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &progress);

  Check(curl_easy_perform(c), error);
}

}  // namespace kv
