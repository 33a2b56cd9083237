#!/usr/bin/python3
"""Reads a stored e-mail and prints its headers, text and attachment name as JSON; the
attachment's bytes are written to the file given as the second argument."""
import email
import email.policy
import json
import sys

with open(sys.argv[1], "rb") as f:
    message = email.message_from_binary_file(f, policy=email.policy.default)
facts = {"subject": str(message["Subject"]), "to": str(message["To"] or ""), "cc": str(message["Cc"] or ""),
         "bcc": str(message["Bcc"] or ""), "from": str(message["From"] or ""), "body": "", "attachments": []}
for part in message.walk():
    if part.is_multipart():
        continue
    if part.get_filename():
        facts["attachments"].append({"name": part.get_filename(), "type": part.get_content_type()})
        with open(sys.argv[2], "wb") as out:
            out.write(part.get_payload(decode=True))
    elif part.get_content_type() == "text/plain":
        facts["body"] = part.get_content()
print(json.dumps(facts))
