#pragma once
// SHA-256 and base64, for the hashes a page's Content-Security-Policy names
// its own inline script and style by. Pure.

#include <stddef.h>

#include <string>

enum { SHA256_SIZE = 32 };

// The digest of the bytes.
void Sha256(const unsigned char* bytes, size_t size, unsigned char digest[SHA256_SIZE]);

// Appends the bytes in base64 (the standard alphabet, '=' padding).
void AppendBase64(std::string* out, const unsigned char* bytes, size_t size);
