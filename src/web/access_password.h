#pragma once
// The foreman's view's access password: kept only as a salted slow hash (Argon2id, libsodium's
// crypto_pwhash_str), in a file of its own readable by its owner alone.

#include <optional>
#include <string>

namespace chromaflow::web {

// The hash of a password, salted anew each time; throws std::runtime_error if memory is short.
std::string hashPassword(const std::string& password);
// Whether the password is the one the hash was made of; false for a hash that is none.
bool passwordMatches(const std::string& hash, const std::string& password);

// The hash kept in the file, written whole (0600) or not at all; throws std::runtime_error.
void writePasswordFile(const std::string& path, const std::string& hash);
// The hash the file keeps; nothing, with why, for a file missing, unreadable, too large, or
// holding no hash.
std::optional<std::string> readPasswordFile(const std::string& path, std::string& why);

}  // namespace chromaflow::web
