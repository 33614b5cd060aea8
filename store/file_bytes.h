#pragma once

#include <string>

// Whole files as bytes, for the layout file of export and import.

enum class FileRead { Read, TooLarge, Failed };

// Reads the whole file when it holds at most `limit` bytes; a larger one is not
// read at all.
[[nodiscard]] FileRead ReadFileBytes(const wchar_t* path, unsigned long long limit, std::string& bytes);

// Creates or replaces the file with the bytes; false when it could not be written whole.
[[nodiscard]] bool WriteFileBytes(const wchar_t* path, const std::string& bytes);

// Whether anything (a file, or a folder) stands at the path.
[[nodiscard]] bool PathExists(const wchar_t* path);
