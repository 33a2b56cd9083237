// Messages of the e-mail sender.
#pragma once

namespace kv::msg {
inline constexpr const char* SMailNoHost = "No mail server is given (Host)";
inline constexpr const char* SMailNoRecipient = "No recipient is given (To, CC or BCC)";
inline constexpr const char* SMailNoSender = "No sender is given (From)";
inline constexpr const char* SMailSetupFailed = "The mail library could not be started";
inline constexpr const char* SMailSendFailed = "Sending the e-mail failed: %s";
inline constexpr const char* SMailSending = "Sending e-mail to %s";
inline constexpr const char* SMailSent = "E-mail sent";
}  // namespace kv::msg
