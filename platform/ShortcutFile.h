#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Internet shortcut files (".url"), read and written as Windows reads and writes them: an INI text
// whose [InternetShortcut] section holds URL=. The text is ANSI (here: bytes as they are, UTF-8
// with or without a byte-order mark) or UTF-16LE with a byte-order mark; lines end in CR LF, LF or
// CR; section and value names compare without regard to case, blanks around names and values are
// trimmed and a pair of surrounding quotes is removed. A Unicode address may stand in
// [InternetShortcut.W] as UTF-7: it wins over the ANSI line, where Windows put '?' for every
// character the code page lacks.
namespace platform {

// A file larger than this is not a shortcut: it is never read whole, and never written over.
constexpr std::size_t kMaxShortcutSize = 16 * 1024 * 1024;

// True with the URL when the bytes are an Internet shortcut that names one.
bool ParseShortcutUrl(std::string_view content, std::string& url);

// The bytes of the shortcut with its URL set to url, into out. Every other line stays as it was,
// and so do the encoding and the line ends; a missing URL line or section is added. The Unicode
// section gets the address when it is not plain ASCII, and is kept in step when it is there
// already, so a Windows reader finds the new address too. False when the URL is not savable, or
// when it is not UTF-8 and the file is UTF-16 (it could only be written changed).
bool WithShortcutUrl(std::string_view content, std::string_view url, std::string& out);

// Whether a URL can be saved so that it reads back the same: not blank, no CR, LF or NUL (a line
// break would inject lines; a blank URL reads back as none, and over an existing shortcut its URL
// would be lost).
bool IsSavableUrl(std::string_view url);

// The same on files by path. LoadShortcutUrl reads a regular file of at most kMaxShortcutSize
// bytes. SaveShortcutUrl writes beside and renames into place (a failure leaves the earlier file
// whole; a symbolic link of that name is replaced, never written through) and returns 0 or an
// errno value (EINVAL for a URL WithShortcutUrl refuses).
bool LoadShortcutUrl(const std::string& path, std::string& url);
int SaveShortcutUrl(const std::string& path, const std::string& url);

}  // namespace platform
