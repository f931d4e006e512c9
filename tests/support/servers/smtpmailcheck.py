#!/usr/bin/python3
"""Parses one saved message with Python's email package and prints it as JSON: the header
fields in order, the parser's defects, and every leaf part with its type, file name and payload
(decoded, as hex). Read again as a mail reader would (the default policy): "decoded" holds each
header with its encoded words decoded, "addresses" the addresses of To, Cc and From as the parser
finds them, and each text part its "charset" and "text" decoded by that charset."""
import email
import email.policy
import json
import sys


def main():
    with open(sys.argv[1], "rb") as f:
        msg = email.message_from_binary_file(f, policy=email.policy.compat32)
    out = {
        "headers": [[k, str(v)] for k, v in msg.items()],
        "multipart": msg.is_multipart(),
        "boundary": msg.get_boundary(),
        "defects": [type(d).__name__ for d in msg.defects],
        "parts": [],
    }
    for part in msg.walk():
        if part.is_multipart():
            out["defects"] += [type(d).__name__ for d in part.defects]
            continue
        payload = part.get_payload(decode=True) or b""
        out["parts"].append({
            "type": part.get_content_type(),
            "filename": part.get_filename(),
            "encoding": part.get("Content-Transfer-Encoding"),
            "hex": payload.hex(),
            "defects": [type(d).__name__ for d in part.defects],
        })
    with open(sys.argv[1], "rb") as f:
        reader = email.message_from_binary_file(f, policy=email.policy.default)
    out["decoded"] = {k: str(v) for k, v in reader.items()}
    out["addresses"] = {
        k: [a.addr_spec for a in reader[k].addresses] for k in ("From", "To", "Cc") if reader[k] is not None}
    out["readerDefects"] = [type(d).__name__ for d in reader.defects]
    for k in ("From", "To", "Cc", "Subject"):
        if reader[k] is not None:
            out["readerDefects"] += [type(d).__name__ for d in reader[k].defects]
    texts = [p for p in reader.walk() if not p.is_multipart()]
    for part, leaf in zip(texts, out["parts"]):
        if part.get_content_maintype() == "text":
            leaf["charset"] = part.get_content_charset()
            leaf["text"] = part.get_content()
    print(json.dumps(out))


if __name__ == "__main__":
    main()
