// Small text and file helpers shared by the whole module: URL coding of
// parameter values, splitting and joining separated lists, the module's home
// folder, writing a text file in one go and in-place ASCII lower-casing.
//
// Every text is bytes in the host code page. Like the C strings the host
// passes in, a text ends at its first NUL byte; bytes after it are ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// "+" becomes a space and "%XX" (either letter case) the byte XX; "%00" adds
// nothing and a "%" without two hexadecimal digits after it is dropped.
std::string UrlDecode(std::string_view text);

// Letters and digits are kept; every other byte, GBK bytes included, becomes
// "%XX" with upper-case digits. Only the first 32767 bytes are encoded.
std::string UrlEncode(std::string_view text);

// Empties `items`, then appends the texts between separators. An empty last
// item is not added, so "a;b" and "a;b;" both give two items and ";" gives
// one empty item. Returns the number of items.
int SplitString(std::string_view text, char separator, std::vector<std::string>& items);

// The items with one separator between neighbours; "" for no items.
std::string JoinStrings(const std::vector<std::string>& items, char separator);

// The module's home folder in the host code page, ending in "/". Every data
// and settings file of the module is named relative to it.
std::string GetModuleDir();

// Creates or truncates the file at `path` (host code page) and writes `text`
// up to its first NUL. Returns 1, or -1 when the file cannot be opened for
// writing (nothing is changed then).
int WriteTextFile(const std::string& path, std::string_view text);

// Lower-cases the bytes "A".."Z" of a writable NUL-terminated text in place
// and returns its length in bytes; 0 for a null or empty text.
int AsciiLower(char* text);
