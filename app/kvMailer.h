// Sends a saved document by e-mail over SMTP, as the settings dialog's "Email" tab asks:
// to every To, CC and BCC recipient, with the subject and the message, the file attached.
// The connection is upgraded with STARTTLS whenever the server offers it, and logs in
// when a user id is given.
#pragma once

#include <functional>
#include <string>

#include "pdf/document/kvDocumentTypes.h"

namespace kv {

// Called while the message is on its way, with the share sent so far (0 to 100).
using TkvMailProgress = std::function<void(int percentage)>;

// Sends `fileName` as the attachment of the message `mail` describes. A failure is
// raised as kv::Exception with the reason; nothing is retried.
void SendDocumentByMail(const TkvEMailInfo& mail, const std::string& fileName,
                        const TkvMailProgress& progress = nullptr);

// The SMTP address of a host entry: "smtp://" + host unless it names its own scheme.
std::string MailServerUrl(const std::string& host);
// The bare address of a recipient written as "Name <address>" or "address".
std::string BareAddress(const std::string& recipient);

}  // namespace kv
