#pragma once
// The stored form of the journal's password: never the digits themselves but
// a salted, deliberately slow hash of them, so reading the settings store
// does not reveal the password. The record is one line of text:
//
//   "pbkdf2-sha256$<iterations>$<salt, base64>$<hash, base64>"
//
// (PBKDF2-HMAC-SHA256, a 16-byte random salt, a 32-byte hash). Records
// written by older versions hold the digits as typed; they still verify (and
// the password lock replaces them with a hash on the next correct entry).
// Plain functions, thread-safe. Shared by the password lock of the program
// and of the command line.

#include <QString>

class PasswordHash {
public:
    static constexpr int kIterations = 100000;

    // A fresh record for `digits` (a new random salt every call). Empty only
    // when the system's random source fails.
    static QString Make(const QString& digits);
    // Whether `digits` are the password of `record`: exactly the same
    // characters (leading zeros count). A hash record is compared in constant
    // time; a damaged one (bad numbers, bad base64, sizes that do not fit)
    // never matches. An empty record matches nothing.
    static bool Verify(const QString& record, const QString& digits);
    // Whether `record` is a hash record rather than old clear text.
    static bool IsHashRecord(const QString& record);
};
